// In-memory pictures and sounds of the asset builder, and their file formats.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pictures/rgb.h"


// Pure black is what the game leaves out when it draws a picture.
constexpr Rgb Transparent{0, 0, 0};

// Row 0 is the top row, as a picture is read and drawn by a person.
struct Image {
  int width = 0, height = 0;
  std::vector<Rgb> pixels;

  Image() = default;
  Image(int w, int h) : width(w), height(h), pixels(size_t(w) * size_t(h)) {}
  Rgb& at(int x, int y) { return pixels[size_t(y) * width + x]; }
  const Rgb& at(int x, int y) const { return pixels[size_t(y) * width + x]; }
  bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

// An uncompressed bottom-up 24-bit BMP with its pixels at byte 54. The game
// reads the width as both sides, so the image must be square with a side that
// is a multiple of 4 (rows then need no padding). Returns an error text, empty on success.
std::string WriteBmp24(const std::string& path, const Image& image);

// A PNG with an alpha channel: pure black (Transparent) is see-through, every
// other pixel opaque, as the game treats its pictures. Returns an error text, empty on success.
std::string WritePng(const std::string& path, const Image& image);

// A Windows icon file holding each picture as a PNG entry (square, at most
// 256 a side), as Windows Vista and later read them. Returns an error text,
// empty on success.
std::string WriteIco(const std::string& path, const std::vector<Image>& images);

// A 16-bit PCM mono WAV file. Returns an error text, empty on success.
std::string WriteWav16(const std::string& path, const std::vector<int16_t>& samples, int sample_rate);
