// Numbered picture slots. A unit's picture sits at the slot equal to its
// type code; pictures are square and every consumer reads `width` as both sides.
#pragma once

#include <cstdint>
#include <memory>

struct ImageSlot {
  std::unique_ptr<uint8_t[]> pixels;  // width * height * 3 bytes, RGB, bottom row first, no padding
  int32_t width;
  int32_t height;
  int32_t bytesPerPixel;
};

constexpr int TextureSlotCount = 2048;

extern std::unique_ptr<ImageSlot[]> TextureSlots;  // TextureSlotCount entries once allocated

void AllocateTextureSlots();
void ReleaseTextureSlots();  // frees every slot's pixels and the table
