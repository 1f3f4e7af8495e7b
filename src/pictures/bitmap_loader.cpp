#include "pictures/bitmap_loader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <utility>
#include <vector>

#include "pictures/image_slots.h"

namespace {

constexpr int HeaderSize = 54;  // file header and the classic information header

std::string LastError;
bool LastMissing = false;

uint32_t ReadU32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
int32_t ReadI32(const uint8_t* p) { return int32_t(ReadU32(p)); }
uint16_t ReadU16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

struct BmpLayout {
  int32_t side;
  uint32_t pixel_offset;
  uint32_t row_stride;  // file bytes per row, padded to a multiple of 4
};

// Everything a header must promise before a single pixel byte is trusted.
// Returns an empty string when the layout is usable.
std::string CheckHeader(const uint8_t* h, int max_side, BmpLayout& layout) {
  if (h[0] != 'B' || h[1] != 'M') return "not a BMP file";
  const int bits = ReadU16(h + 28);
  if (bits != 24) return std::to_string(bits) + "-bit pictures are not supported, only 24-bit";
  if (ReadU32(h + 30) != 0) return "compressed pictures are not supported";
  const int32_t width = ReadI32(h + 18), height = ReadI32(h + 22);
  if (width <= 0 || height <= 0)
    return "width and height must be positive (got " + std::to_string(width) + "x" + std::to_string(height) + ")";
  if (width != height)
    return "pictures must be square (got " + std::to_string(width) + "x" + std::to_string(height) + ")";
  if (width > max_side) return "side " + std::to_string(width) + " exceeds " + std::to_string(max_side);
  const uint32_t offset = ReadU32(h + 10);
  if (offset < HeaderSize) return "pixel data offset " + std::to_string(offset) + " lies inside the header";
  layout = {width, offset, (uint32_t(width) * 3 + 3) / 4 * 4};
  return {};
}

bool Fail(std::string reason, bool missing = false) {
  LastError = std::move(reason);
  LastMissing = missing;
  return false;
}

// Copies the padded, blue-green-red file rows into an unpadded red-green-blue buffer.
std::unique_ptr<uint8_t[]> UnpadRows(const std::vector<uint8_t>& block, const BmpLayout& layout) {
  const size_t row_bytes = size_t(layout.side) * 3;
  auto pixels = std::make_unique<uint8_t[]>(row_bytes * layout.side);
  for (int32_t row = 0; row < layout.side; ++row) {
    const uint8_t* src = block.data() + size_t(row) * layout.row_stride;
    uint8_t* dst = pixels.get() + size_t(row) * row_bytes;
    for (size_t i = 0; i < row_bytes; i += 3) {
      dst[i] = src[i + 2];
      dst[i + 1] = src[i + 1];
      dst[i + 2] = src[i];
    }
  }
  return pixels;
}

// The steps after the source is open, shared by files and memory. `read`
// fills `size` bytes from byte `offset` of the picture, false if they are not there.
template <typename ReadBytes>
bool DecodeIntoSlot(int slot, int max_side, uint64_t total_size, ReadBytes read) {
  uint8_t header[HeaderSize];
  if (total_size < HeaderSize || !read(0, HeaderSize, header)) return Fail("file is shorter than a BMP header");
  BmpLayout layout{};
  if (std::string reason = CheckHeader(header, std::min(max_side, MaxBitmapSide), layout); !reason.empty())
    return Fail(reason);

  // From here on the old picture is gone whatever happens: a cut-short file
  // leaves the slot empty rather than half-filled.
  ImageSlot& s = TextureSlots[slot];
  s = ImageSlot{};

  // Size the block from what the source holds before allocating for it.
  const uint64_t block_size = uint64_t(layout.row_stride) * uint64_t(layout.side);
  if (uint64_t(layout.pixel_offset) + block_size > total_size) return Fail("pixel data is cut short");
  std::vector<uint8_t> block(block_size);
  if (!read(layout.pixel_offset, block_size, block.data())) return Fail("pixel data could not be read");

  s.pixels = UnpadRows(block, layout);
  s.width = layout.side;
  s.height = layout.side;
  s.bytesPerPixel = 3;
  LastError.clear();
  LastMissing = false;
  return true;
}

bool IsSlotNumber(int slot) { return TextureSlots && slot >= 0 && slot < TextureSlotCount; }

}  // namespace

const std::string& LastBitmapError() { return LastError; }
bool LastBitmapMissing() { return LastMissing; }

bool LoadBitmapSlot(const char* path, int slot, int max_side) {
  const std::string host = HostPath(path);
  if (!IsSlotNumber(slot)) return Fail("no image slot " + std::to_string(slot));

  // A missing picture is part of normal play (its slot simply stays empty).
  std::ifstream file(host, std::ios::binary);
  if (!file) return Fail("cannot open the file", true);
  file.seekg(0, std::ios::end);
  const uint64_t file_size = uint64_t(file.tellg());
  return DecodeIntoSlot(slot, max_side, file_size, [&](uint64_t offset, uint64_t size, uint8_t* dst) {
    file.seekg(std::streamoff(offset));
    return bool(file.read(reinterpret_cast<char*>(dst), std::streamsize(size)));
  });
}

bool LoadBitmapSlotFromMemory(const uint8_t* bytes, size_t size, int slot) {
  if (!IsSlotNumber(slot)) return Fail("no image slot " + std::to_string(slot));
  return DecodeIntoSlot(slot, MaxBitmapSide, size, [&](uint64_t offset, uint64_t count, uint8_t* dst) {
    if (offset > size || count > size - offset) return false;
    std::memcpy(dst, bytes + offset, count);
    return true;
  });
}
