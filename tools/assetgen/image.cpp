#include "image.h"

#include <algorithm>
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

void PutBig32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

uint32_t Crc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

uint32_t Adler32(const std::vector<uint8_t>& data) {
  uint32_t a = 1, b = 0;
  for (uint8_t byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  return b << 16 | a;
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  PutBig32(out, uint32_t(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBig32(out, Crc32(out.data() + start, out.size() - start));
}

// A zlib stream of stored (uncompressed) deflate blocks: icons are small, and
// it needs no compressor.
std::vector<uint8_t> StoredZlib(const std::vector<uint8_t>& raw) {
  std::vector<uint8_t> out = {0x78, 0x01};
  size_t at = 0;
  do {
    const size_t size = std::min<size_t>(raw.size() - at, 65535);
    out.push_back(at + size == raw.size() ? 1 : 0);  // last block?, stored
    Put16(out, uint32_t(size));
    Put16(out, uint32_t(~size & 0xFFFF));
    out.insert(out.end(), raw.begin() + std::ptrdiff_t(at), raw.begin() + std::ptrdiff_t(at + size));
    at += size;
  } while (at < raw.size());
  PutBig32(out, Adler32(raw));
  return out;
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

namespace {

std::vector<uint8_t> PngBytes(const Image& image) {
  std::vector<uint8_t> raw;
  raw.reserve(size_t(image.height) * (size_t(image.width) * 4 + 1));
  for (int y = 0; y < image.height; ++y) {
    raw.push_back(0);  // no filter
    for (int x = 0; x < image.width; ++x) {
      const Rgb& p = image.at(x, y);
      raw.insert(raw.end(), {p.r, p.g, p.b, uint8_t(p == Transparent ? 0 : 255)});
    }
  }
  std::vector<uint8_t> header;
  PutBig32(header, uint32_t(image.width));
  PutBig32(header, uint32_t(image.height));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filters, no interlace
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(out, "IHDR", header);
  PutChunk(out, "IDAT", StoredZlib(raw));
  PutChunk(out, "IEND", {});
  return out;
}

}  // namespace

std::string WritePng(const std::string& path, const Image& image) {
  if (image.width <= 0 || image.height <= 0) return path + ": picture has no pixels";
  return WriteBytes(path, PngBytes(image));
}

std::string WriteIco(const std::string& path, const std::vector<Image>& images) {
  constexpr uint32_t HeaderBytes = 6, EntryBytes = 16;
  std::vector<uint8_t> out, pictures;
  Put16(out, 0);  // reserved
  Put16(out, 1);  // an icon, not a cursor
  Put16(out, uint16_t(images.size()));
  for (const Image& image : images) {
    if (image.width != image.height || image.width <= 0 || image.width > 256)
      return path + ": an icon picture must be square, 1 to 256 pixels a side";
    const std::vector<uint8_t> png = PngBytes(image);
    out.push_back(uint8_t(image.width % 256));  // 0 stands for 256
    out.push_back(uint8_t(image.height % 256));
    out.insert(out.end(), {0, 0});  // no palette, reserved
    Put16(out, 1);                  // planes
    Put16(out, 32);                 // bits per pixel
    Put32(out, uint32_t(png.size()));
    Put32(out, HeaderBytes + EntryBytes * uint32_t(images.size()) + uint32_t(pictures.size()));
    pictures.insert(pictures.end(), png.begin(), png.end());
  }
  out.insert(out.end(), pictures.begin(), pictures.end());
  return WriteBytes(path, out);
}
