// Shared by the overlay tests: a live overlay buffer and picture table, and
// pixel readers.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "overlay/overlay_buffer.h"
#include "platform/image_slots.h"

using Rgba = std::array<uint8_t, 4>;
using Point = std::pair<int, int>;

inline Rgba OverlayPixel(int x, int y) {
  const uint8_t* p = OverlayBuffer + (y * OverlayWidth + x) * 4;
  return {p[0], p[1], p[2], p[3]};
}

// Every drawn pixel, in row-major order from the bottom row.
inline std::vector<Point> InkedPixels() {
  std::vector<Point> inked;
  for (int y = 0; y < OverlayHeight; ++y)
    for (int x = 0; x < OverlayWidth; ++x)
      if (OverlayPixel(x, y)[3] != 0) inked.emplace_back(x, y);
  return inked;
}

inline std::vector<uint8_t> OverlaySnapshot() {
  return std::vector<uint8_t>(OverlayBuffer, OverlayBuffer + OverlayWidth * OverlayHeight * 4);
}

class OverlayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AllocateOverlay();
    AllocateTextureSlots();
  }
  void TearDown() override {
    ReleaseTextureSlots();
    ReleaseOverlay();
  }
};
