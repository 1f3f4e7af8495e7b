#include "image.h"

#include <fstream>

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

std::string WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return "cannot create " + path;
  file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return file ? std::string{} : "cannot write " + path;
}

}  // namespace

std::string WriteBmp24(const std::string& path, const Image& image) {
  if (image.width != image.height || image.width <= 0 || image.width % 4 != 0)
    return path + ": picture is " + std::to_string(image.width) + "x" + std::to_string(image.height) +
           ", must be square with a side that is a multiple of 4";
  const uint32_t pixel_bytes = uint32_t(image.width) * uint32_t(image.height) * 3;
  std::vector<uint8_t> out;
  out.reserve(54 + pixel_bytes);
  out.push_back('B');
  out.push_back('M');
  Put32(out, 54 + pixel_bytes);  // file size
  Put32(out, 0);                 // reserved
  Put32(out, 54);                // pixel data offset
  Put32(out, 40);                // information header size
  Put32(out, uint32_t(image.width));
  Put32(out, uint32_t(image.height));  // positive: bottom row first
  Put16(out, 1);                       // planes
  Put16(out, 24);                      // bits per pixel
  Put32(out, 0);                       // no compression
  Put32(out, pixel_bytes);
  Put32(out, 2835);  // 72 dpi, both ways
  Put32(out, 2835);
  Put32(out, 0);  // colours used
  Put32(out, 0);  // important colours
  for (int y = image.height - 1; y >= 0; --y)
    for (int x = 0; x < image.width; ++x) {
      const Rgb& p = image.at(x, y);
      out.push_back(p.b);
      out.push_back(p.g);
      out.push_back(p.r);
    }
  return WriteBytes(path, out);
}

std::string WriteWav16(const std::string& path, const std::vector<int16_t>& samples, int sample_rate) {
  const uint32_t data_bytes = uint32_t(samples.size()) * 2;
  std::vector<uint8_t> out;
  out.reserve(44 + data_bytes);
  for (char c : std::string("RIFF")) out.push_back(uint8_t(c));
  Put32(out, 36 + data_bytes);
  for (char c : std::string("WAVEfmt ")) out.push_back(uint8_t(c));
  Put32(out, 16);  // format chunk size
  Put16(out, 1);   // PCM
  Put16(out, 1);   // mono
  Put32(out, uint32_t(sample_rate));
  Put32(out, uint32_t(sample_rate) * 2);  // bytes per second
  Put16(out, 2);                          // bytes per frame
  Put16(out, 16);                         // bits per sample
  for (char c : std::string("data")) out.push_back(uint8_t(c));
  Put32(out, data_bytes);
  for (int16_t s : samples) Put16(out, uint16_t(s));
  return WriteBytes(path, out);
}
