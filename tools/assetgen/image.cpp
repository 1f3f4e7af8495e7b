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

// Deflate's bits as they are written, least significant first; the bits
// that do not yet fill a byte wait in `pending`.
struct BitStream {
  std::vector<uint8_t>& out;
  uint32_t pending = 0;
  int filled = 0;
};

void PutBits(BitStream& bits, uint32_t value, int count) {
  bits.pending |= value << bits.filled;
  for (bits.filled += count; bits.filled >= 8; bits.filled -= 8, bits.pending >>= 8)
    bits.out.push_back(uint8_t(bits.pending));
}

// Huffman codes go most significant bit first.
void PutCode(BitStream& bits, uint32_t code, int count) {
  uint32_t reversed = 0;
  for (int i = 0; i < count; ++i) reversed |= ((code >> i) & 1u) << (count - 1 - i);
  PutBits(bits, reversed, count);
}

// A literal byte, the end (256) or a length (257 to 285) in deflate's fixed code.
void PutFixedSymbol(BitStream& bits, int symbol) {
  if (symbol < 144) PutCode(bits, uint32_t(0x30 + symbol), 8);
  else if (symbol < 256) PutCode(bits, uint32_t(0x190 + symbol - 144), 9);
  else if (symbol < 280) PutCode(bits, uint32_t(symbol - 256), 7);
  else PutCode(bits, uint32_t(0xC0 + symbol - 280), 8);
}

// "Repeat the `length` bytes from `distance` back": 3 to 258 bytes, at most 32768 back.
void PutRepeat(BitStream& bits, int length, int distance) {
  static constexpr int LengthBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                       31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
  static constexpr int DistanceBase[] = {1,   2,   3,    4,    5,    7,    9,    13,    17,    25,
                                         33,  49,  65,   97,   129,  193,  257,  385,   513,   769,
                                         1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
  int l = 28;
  while (LengthBase[l] > length) --l;
  PutFixedSymbol(bits, 257 + l);
  PutBits(bits, uint32_t(length - LengthBase[l]), l < 8 || l == 28 ? 0 : l / 4 - 1);
  int d = 29;
  while (DistanceBase[d] > distance) --d;
  PutCode(bits, uint32_t(d), 5);
  PutBits(bits, uint32_t(distance - DistanceBase[d]), d < 4 ? 0 : d / 2 - 1);
}

// A zlib stream in one block of deflate's fixed codes. Each byte either starts
// the longest run that repeats the bytes one of `distances` back, or goes
// alone: with the pixel to the left and the row above, an icon enlarged from
// pixel art takes a few hundredths of its raw size.
std::vector<uint8_t> FixedCodeZlib(const std::vector<uint8_t>& raw, const std::vector<size_t>& distances) {
  constexpr size_t LongestRepeat = 258, FarthestRepeat = 32768;
  std::vector<uint8_t> out = {0x78, 0x01};
  BitStream bits{out};
  PutBits(bits, 1, 1);  // the last block
  PutBits(bits, 1, 2);  // in the fixed codes
  for (size_t at = 0; at < raw.size();) {
    size_t longest = 0, from = 0;
    for (size_t distance : distances) {
      if (distance > at || distance > FarthestRepeat) continue;
      size_t n = 0;
      while (n < LongestRepeat && at + n < raw.size() && raw[at + n] == raw[at + n - distance]) ++n;
      if (n > longest) longest = n, from = distance;
    }
    if (longest >= 3) {
      PutRepeat(bits, int(longest), int(from));
      at += longest;
    } else {
      PutFixedSymbol(bits, raw[at++]);
    }
  }
  PutFixedSymbol(bits, 256);
  PutBits(bits, 0, (8 - bits.filled) % 8);  // the last byte filled up
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
  const size_t pixel = 4, row = size_t(image.width) * pixel + 1;
  PutChunk(out, "IDAT", FixedCodeZlib(raw, {pixel, row}));
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
