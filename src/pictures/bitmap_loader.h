// Reads uncompressed 24-bit BMP pictures into the numbered image slots.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/host_path.h"

constexpr int MaxBitmapSide = 4096;

// Loads the picture at `path` (backslash-separated, relative to the working
// directory) into TextureSlots[slot] as RGB, bottom row first, unpadded.
// Refuses anything but an uncompressed, square, bottom-up 24-bit BMP of side
// 1..max_side (at most MaxBitmapSide) and leaves the slot as it was; a file
// whose pixel block is cut short leaves the slot empty. Returns whether the
// slot now holds the picture.
bool LoadBitmapSlot(const char* path, int slot, int max_side = MaxBitmapSide);

// The same for a picture already in memory.
bool LoadBitmapSlotFromMemory(const uint8_t* bytes, size_t size, int slot);

// Why the last LoadBitmapSlot call failed (empty after a success). The
// loader tells no one; its caller decides whom to tell.
const std::string& LastBitmapError();
// Whether it failed only because the file is not there, which is part of
// normal play: the slot simply stays empty.
bool LastBitmapMissing();
