#include "overlay/overlay_buffer.h"

#include <cstring>

uint8_t* OverlayBuffer = nullptr;

void AllocateOverlay() { OverlayBuffer = new uint8_t[OverlayWidth * OverlayHeight * 4](); }

void ReleaseOverlay() {
  delete[] OverlayBuffer;
  OverlayBuffer = nullptr;
}

void ClearOverlay() { std::memset(OverlayBuffer, 0, OverlayWidth * OverlayHeight * 4); }
