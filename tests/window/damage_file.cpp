// Spoils one of the game's files in place, the ways a broken install or a
// hostile hand would: gone, cut short, lying about its size or format, or
// plain noise. The variant picks among the ways of one kind, so that a run
// over many files covers them all.
//
//   damage_file picture KIND VARIANT PATH
//   damage_file sound KIND VARIANT PATH
//
// Picture kinds: missing truncated 8bit huge negative nonsquare random
//   empty directory zero compressed offset_inside offset_beyond header_only
//   tiny odd oversized (the last three are well-formed pictures of unusual
//   size: 1 x 1, 5 x 5 and 512 x 512)
// Sound kinds: missing random truncated huge_data odd_format directory empty
//
// Exit status 0 when done, 1 when the file could not be handled, 2 on bad use.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

bool WriteAll(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

void Put32(Bytes& b, size_t at, uint32_t value) {
  if (b.size() < at + 4) b.resize(at + 4);
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void Put16(Bytes& b, size_t at, uint16_t value) {
  if (b.size() < at + 2) b.resize(at + 2);
  b[at] = static_cast<uint8_t>(value);
  b[at + 1] = static_cast<uint8_t>(value >> 8);
}

int32_t Get32(const Bytes& b, size_t at) {
  return b.size() < at + 4 ? 0 : int32_t(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24);
}

// mt19937 gives the same numbers everywhere; the variant seeds it.
void Noise(Bytes& b, int variant, size_t from = 0) {
  std::mt19937 draw(static_cast<uint32_t>(variant) * 7919u + 1u);
  for (size_t i = from; i < b.size(); ++i) b[i] = static_cast<uint8_t>(draw());
}

// A well-formed 24-bit BMP of the given side with padded rows.
Bytes ValidBmp(int side) {
  const uint32_t stride = (uint32_t(side) * 3 + 3) / 4 * 4, block = stride * uint32_t(side);
  Bytes b(54 + block, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, 54 + block);
  Put32(b, 10, 54);
  Put32(b, 14, 40);
  Put32(b, 18, uint32_t(side));
  Put32(b, 22, uint32_t(side));
  Put16(b, 26, 1);
  Put16(b, 28, 24);
  Put32(b, 34, block);
  Noise(b, side, 54);
  return b;
}

// Header fields: 10 pixel offset, 18 width, 22 height, 28 bit count, 30 compression.
bool SpoilPicture(const std::string& kind, int v, Bytes& b) {
  const int32_t side = Get32(b, 18);
  if (kind == "truncated") {
    const size_t cuts[] = {54 + (b.size() - 54) / 2, 30, b.size() - 1};
    b.resize(std::min(b.size(), cuts[v % 3]));
  } else if (kind == "8bit") {
    Put16(b, 28, 8);
  } else if (kind == "huge") {
    const uint32_t sides[] = {0x7fffffff, 4096, 4097, 65536, 0x40000000};
    Put32(b, 18, sides[v % 5]);
    Put32(b, 22, sides[v % 5]);
  } else if (kind == "negative") {
    const int32_t sizes[][2] = {{-side, -side}, {side, -side}, {INT32_MIN, INT32_MIN}};
    Put32(b, 18, uint32_t(sizes[v % 3][0]));
    Put32(b, 22, uint32_t(sizes[v % 3][1]));
  } else if (kind == "nonsquare") {
    // The first keeps width x height x 3 equal to the real pixel count, so
    // only the shape gives it away.
    const int32_t sizes[][2] = {{side * 2, side / 2}, {side, side / 2}, {side / 4, side}};
    Put32(b, 18, uint32_t(sizes[v % 3][0]));
    Put32(b, 22, uint32_t(sizes[v % 3][1]));
  } else if (kind == "random") {
    Noise(b, v);
    if (v % 2) {  // noise dressed as a 24-bit BMP header
      b[0] = 'B';
      b[1] = 'M';
      Put16(b, 28, 24);
      Put32(b, 30, 0);
    }
  } else if (kind == "empty") {
    b.clear();
  } else if (kind == "zero") {
    Put32(b, 18, 0);
    Put32(b, 22, 0);
  } else if (kind == "compressed") {
    Put32(b, 30, 1);
  } else if (kind == "offset_inside") {
    Put32(b, 10, 10);
  } else if (kind == "offset_beyond") {
    Put32(b, 10, 0xfffffff0u);
  } else if (kind == "header_only") {
    b.resize(std::min<size_t>(b.size(), 54));
  } else if (kind == "tiny") {
    b = ValidBmp(1);
  } else if (kind == "odd") {
    b = ValidBmp(5);
  } else if (kind == "oversized") {
    b = ValidBmp(512);
  } else {
    return false;
  }
  return true;
}

// RIFF layout as the game's sound has it: fmt fields at 20 (format tag),
// 22 channels, 24 rate, 34 bits; data size at 40, samples from 44.
bool SpoilSound(const std::string& kind, int v, Bytes& b) {
  if (kind == "random") {
    Noise(b, v);
  } else if (kind == "truncated") {
    const size_t cuts[] = {44 + (b.size() - 44) / 2, 20, 44};
    b.resize(std::min(b.size(), cuts[v % 3]));
  } else if (kind == "huge_data") {
    Put32(b, 4, 0xfffffff0u);
    Put32(b, 40, 0xfffffff0u);
  } else if (kind == "odd_format") {
    switch (v % 4) {
      case 0: Put16(b, 22, 0); break;           // no channels
      case 1: Put32(b, 24, 0); break;           // rate 0
      case 2: Put16(b, 34, 7); break;           // 7-bit samples
      case 3: Put16(b, 20, 0x55); break;        // an MP3 format tag
    }
  } else if (kind == "empty") {
    b.clear();
  } else {
    return false;
  }
  return true;
}

int Usage() {
  std::fprintf(stderr, "damage_file: see the comment at the top of damage_file.cpp\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) return Usage();
  const std::string what = argv[1], kind = argv[2];
  const int variant = std::atoi(argv[3]);
  const fs::path path = argv[4];
  if (what != "picture" && what != "sound") return Usage();
  std::error_code error;
  if (kind == "missing") {
    fs::remove(path, error);
    return error ? 1 : 0;
  }
  if (kind == "directory") {
    fs::remove(path, error);
    fs::create_directory(path, error);
    return error ? 1 : 0;
  }
  Bytes bytes = ReadAll(path);
  if (bytes.size() < 54) {
    std::fprintf(stderr, "damage_file: %s is not the file it should be\n", path.c_str());
    return 1;
  }
  const bool known = what == "picture" ? SpoilPicture(kind, variant, bytes) : SpoilSound(kind, variant, bytes);
  if (!known) return Usage();
  return WriteAll(path, bytes) ? 0 : 1;
}
