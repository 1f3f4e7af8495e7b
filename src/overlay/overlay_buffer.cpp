#include "overlay/overlay_buffer.h"

#include <cstring>

std::unique_ptr<uint8_t[]> OverlayBuffer;

void AllocateOverlay() { OverlayBuffer = std::make_unique<uint8_t[]>(FrameWidth * FrameHeight * 4); }

void ReleaseOverlay() { OverlayBuffer.reset(); }

void ClearOverlay() { std::memset(OverlayBuffer.get(), 0, FrameWidth * FrameHeight * 4); }
