// The window-sized RGBA image that all 2-D marks are drawn into, bottom row
// first, laid over the 3-D scene once per frame.
#pragma once

#include <cstdint>
#include <memory>

#include "host/input.h"  // FrameWidth, FrameHeight

extern std::unique_ptr<uint8_t[]> OverlayBuffer;  // FrameWidth * FrameHeight * 4 bytes, RGBA

void AllocateOverlay();
void ReleaseOverlay();

// Every pixel back to (0, 0, 0, 0): transparent, so the scene shows through.
// Called at the start of every frame, before anything is drawn into it.
void ClearOverlay();
