// Shared by the overlay tests: a live overlay buffer and picture table, pixel
// readers, and small hand-made pictures.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "overlay/overlay_buffer.h"
#include "pictures/image_slots.h"

using Rgba = std::array<uint8_t, 4>;
using Point = std::pair<int, int>;

inline Rgba OverlayPixel(int x, int y) {
  const uint8_t* p = &OverlayBuffer[(y * FrameWidth + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

// Every drawn pixel, in row-major order from the bottom row.
inline std::vector<Point> InkedPixels() {
  std::vector<Point> inked;
  for (int y = 0; y < FrameHeight; ++y)
    for (int x = 0; x < FrameWidth; ++x)
      if (OverlayPixel(x, y)[3] != 0) inked.emplace_back(x, y);
  return inked;
}

inline std::vector<uint8_t> OverlaySnapshot() {
  return std::vector<uint8_t>(OverlayBuffer.get(), OverlayBuffer.get() + FrameWidth * FrameHeight * 4);
}

// Gives `slot` a width x height picture (square unless told), filled with the
// colours in turn; row 0 is its bottom row.
inline void MakePicture(int slot, int width, const std::vector<Rgba>& colours, int height = 0) {
  ImageSlot& image = TextureSlots[slot];
  image.width = width;
  image.height = height ? height : width;
  image.bytesPerPixel = 3;
  image.pixels = std::make_unique<uint8_t[]>(image.width * image.height * 3);
  for (int k = 0; k < image.width * image.height; ++k)
    for (int c = 0; c < 3; ++c) image.pixels[k * 3 + c] = colours[k % colours.size()][c];
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
