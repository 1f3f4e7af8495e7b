#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/bitmap_loader.h"
#include "platform/image_slots.h"

namespace {

// A BMP file assembled byte by byte, so each test can break exactly one field.
struct BmpBytes {
  int32_t width = 0, height = 0;
  uint16_t bits = 24;
  uint32_t compression = 0;
  uint32_t pixel_offset = 54;
  // colour of file pixel (column x, stored row y), as blue-green-red
  uint8_t (*shade)(int x, int y, int channel) = [](int x, int y, int c) { return uint8_t(x * 7 + y * 13 + c * 50); };

  std::vector<uint8_t> Encode() const {
    std::vector<uint8_t> out(pixel_offset, 0);
    auto put32 = [&](size_t at, uint32_t v) {
      for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(10, pixel_offset);
    put32(14, 40);
    put32(18, uint32_t(width));
    put32(22, uint32_t(height));
    out[26] = 1;
    out[28] = uint8_t(bits);
    out[29] = uint8_t(bits >> 8);
    put32(30, compression);
    // Declared sizes a loader must refuse get a small body instead of a giant one.
    const bool sane = width > 0 && height > 0 && width <= 4096 && height <= 4096;
    const int body_w = sane ? width : 8, body_h = sane ? height : 8;
    const int row_bytes = body_w * 3, stride = (row_bytes + 3) / 4 * 4;
    for (int y = 0; y < body_h; ++y) {
      for (int x = 0; x < body_w; ++x)
        for (int c = 0; c < 3; ++c) out.push_back(shade(x, y, c));
      for (int p = row_bytes; p < stride; ++p) out.push_back(0xEE);  // padding must never show up
    }
    put32(2, uint32_t(out.size()));
    return out;
  }
};

class BitmapLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ReleaseTextureSlots();
    AllocateTextureSlots();
    path_ = ::testing::TempDir() + "valdorik_bitmap_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".bmp";
  }
  void TearDown() override {
    std::remove(path_.c_str());
    ReleaseTextureSlots();
  }

  void Write(const std::vector<uint8_t>& bytes) {
    std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  bool Load(int slot) { return LoadBitmapSlot(path_.c_str(), slot); }

  // Loads a valid picture into `slot` so a later failure can show whether it was kept.
  void Preload(int slot, int side) {
    BmpBytes bmp;
    bmp.width = bmp.height = side;
    Write(bmp.Encode());
    ASSERT_TRUE(Load(slot)) << LastBitmapError();
  }

  // Every pixel of the slot matches the file pixel it came from, red and blue exchanged.
  static void ExpectPixelsOf(const BmpBytes& bmp, const ImageSlot& s) {
    ASSERT_NE(s.pixels, nullptr);
    ASSERT_EQ(s.width, bmp.width);
    ASSERT_EQ(s.height, bmp.height);
    EXPECT_EQ(s.bytesPerPixel, 3);
    for (int y = 0; y < bmp.height; ++y)
      for (int x = 0; x < bmp.width; ++x) {
        const uint8_t* p = s.pixels + (y * bmp.width + x) * 3;
        ASSERT_EQ(p[0], bmp.shade(x, y, 2)) << x << "," << y;
        ASSERT_EQ(p[1], bmp.shade(x, y, 1)) << x << "," << y;
        ASSERT_EQ(p[2], bmp.shade(x, y, 0)) << x << "," << y;
      }
  }

  std::string path_;
};

TEST_F(BitmapLoaderTest, Plain64x64LoadsWithRedAndBlueExchanged) {
  BmpBytes bmp;
  bmp.width = bmp.height = 64;
  Write(bmp.Encode());
  ASSERT_TRUE(Load(33)) << LastBitmapError();
  ExpectPixelsOf(bmp, TextureSlots[33]);
  // Bottom file row first: the first slot pixel is the file's first stored pixel.
  EXPECT_EQ(TextureSlots[33].pixels[0], bmp.shade(0, 0, 2));
  EXPECT_EQ(TextureSlots[33].pixels[64 * 63 * 3 + 2], bmp.shade(0, 63, 0));
}

TEST_F(BitmapLoaderTest, PaddedRowsAndLaterPixelOffsetLoadRight) {
  for (int side : {1, 2, 3, 5, 7, 13}) {
    BmpBytes bmp;
    bmp.width = bmp.height = side;
    Write(bmp.Encode());
    ASSERT_TRUE(Load(40)) << "side " << side << ": " << LastBitmapError();
    ExpectPixelsOf(bmp, TextureSlots[40]);
  }
  BmpBytes shifted;  // e.g. a writer that put a colour table or a larger header first
  shifted.width = shifted.height = 6;
  shifted.pixel_offset = 138;
  Write(shifted.Encode());
  ASSERT_TRUE(Load(40)) << LastBitmapError();
  ExpectPixelsOf(shifted, TextureSlots[40]);
}

TEST_F(BitmapLoaderTest, ReloadingReplacesThePicture) {
  Preload(10, 16);
  BmpBytes bigger;
  bigger.width = bigger.height = 32;
  bigger.shade = [](int x, int y, int c) { return uint8_t(255 - x - y - c); };
  Write(bigger.Encode());
  ASSERT_TRUE(Load(10)) << LastBitmapError();
  ExpectPixelsOf(bigger, TextureSlots[10]);  // under ASan/valgrind the first buffer shows as freed
}

TEST_F(BitmapLoaderTest, RefusedHeadersKeepTheSlot) {
  struct Case {
    const char* what;
    void (*spoil)(BmpBytes&);
  } cases[] = {
      {"8-bit", [](BmpBytes& b) { b.bits = 8; }},
      {"32-bit", [](BmpBytes& b) { b.bits = 32; }},
      {"bit count 24 + 256", [](BmpBytes& b) { b.bits = 24 + 256; }},
      {"RLE compression", [](BmpBytes& b) { b.compression = 1; }},
      {"bitfields", [](BmpBytes& b) { b.compression = 3; }},
      {"zero width", [](BmpBytes& b) { b.width = 0; }},
      {"negative width", [](BmpBytes& b) { b.width = b.height = -8; }},
      {"top-down rows", [](BmpBytes& b) { b.height = -8; }},
      {"not square", [](BmpBytes& b) { b.height = 4; }},
      {"too wide", [](BmpBytes& b) { b.width = b.height = MaxBitmapSide + 4; }},
      {"huge", [](BmpBytes& b) { b.width = b.height = 0x7FFFFFFF; }},
  };
  for (const Case& c : cases) {
    Preload(31, 8);
    const uint8_t* kept = TextureSlots[31].pixels;
    BmpBytes bmp;
    bmp.width = bmp.height = 8;
    c.spoil(bmp);
    Write(bmp.Encode());
    EXPECT_FALSE(Load(31)) << c.what;
    EXPECT_FALSE(LastBitmapError().empty()) << c.what;
    EXPECT_EQ(TextureSlots[31].pixels, kept) << c.what;
    EXPECT_EQ(TextureSlots[31].width, 8) << c.what;
  }
}

TEST_F(BitmapLoaderTest, ShortOrForeignFilesKeepTheSlot) {
  BmpBytes bmp;
  bmp.width = bmp.height = 8;
  std::vector<uint8_t> good = bmp.Encode();
  std::vector<std::vector<uint8_t>> files = {
      {},
      std::vector<uint8_t>(good.begin(), good.begin() + 53),
      [&] { auto b = good; b[0] = 'P'; return b; }(),
      [&] { auto b = good; b[10] = 20; return b; }(),  // pixels said to start inside the header
  };
  for (size_t i = 0; i < files.size(); ++i) {
    Preload(32, 4);
    const uint8_t* kept = TextureSlots[32].pixels;
    Write(files[i]);
    EXPECT_FALSE(Load(32)) << "file " << i;
    EXPECT_EQ(TextureSlots[32].pixels, kept) << "file " << i;
  }
  const uint8_t* kept = TextureSlots[32].pixels;
  std::remove(path_.c_str());
  EXPECT_FALSE(Load(32));
  EXPECT_EQ(TextureSlots[32].pixels, kept);
  EXPECT_EQ(TextureSlots[32].width, 4);
}

TEST_F(BitmapLoaderTest, CutShortPixelsLeaveTheSlotEmpty) {
  BmpBytes bmp;
  bmp.width = bmp.height = 64;
  std::vector<uint8_t> bytes = bmp.Encode();
  for (size_t keep : {bytes.size() - 1, size_t(54 + 64 * 3 * 10), size_t(54)}) {
    Preload(35, 16);
    Write(std::vector<uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(keep)));
    EXPECT_FALSE(Load(35)) << keep;
    EXPECT_EQ(TextureSlots[35].pixels, nullptr) << keep;
    EXPECT_EQ(TextureSlots[35].width, 0) << keep;
    EXPECT_EQ(TextureSlots[35].height, 0) << keep;
  }
  // A header claiming a huge picture is refused from the file size, before any allocation.
  BmpBytes claim;
  claim.width = claim.height = MaxBitmapSide;
  std::vector<uint8_t> header = claim.Encode();
  header.resize(54 + 100);
  Write(header);
  EXPECT_FALSE(Load(35));
  EXPECT_EQ(TextureSlots[35].pixels, nullptr);
}

TEST_F(BitmapLoaderTest, BadSlotNumbersAreRefused) {
  BmpBytes bmp;
  bmp.width = bmp.height = 4;
  Write(bmp.Encode());
  EXPECT_FALSE(Load(-1));
  EXPECT_FALSE(Load(TextureSlotCount));
  EXPECT_TRUE(Load(TextureSlotCount - 1)) << LastBitmapError();
}

TEST_F(BitmapLoaderTest, MemoryAndFileGiveTheSameVerdictAndPixels) {
  BmpBytes square;
  square.width = square.height = 7;
  const std::vector<uint8_t> good = square.Encode();
  BmpBytes shifted = square;
  shifted.pixel_offset = 70;
  BmpBytes wide = square;
  wide.height = 5;
  const std::vector<std::vector<uint8_t>> inputs = {
      good,
      shifted.Encode(),
      wide.Encode(),
      std::vector<uint8_t>(good.begin(), good.end() - 1),
      std::vector<uint8_t>(good.begin(), good.begin() + 54),
      std::vector<uint8_t>(good.begin(), good.begin() + 20),
      {},
  };
  for (size_t i = 0; i < inputs.size(); ++i) {
    Preload(50, 4);
    Preload(51, 4);
    Write(inputs[i]);
    const bool from_file = Load(50);
    const std::string file_error = LastBitmapError();
    const bool from_memory = LoadBitmapSlotFromMemory(inputs[i].data(), inputs[i].size(), 51, "memory");
    EXPECT_EQ(from_file, from_memory) << "input " << i;
    EXPECT_EQ(file_error, LastBitmapError()) << "input " << i;
    const ImageSlot &a = TextureSlots[50], &b = TextureSlots[51];
    ASSERT_EQ(a.width, b.width) << "input " << i;
    EXPECT_EQ(a.pixels == nullptr, b.pixels == nullptr) << "input " << i;
    if (a.pixels && b.pixels) {
      const size_t bytes = size_t(a.width) * size_t(a.width) * 3;
      EXPECT_TRUE(std::equal(a.pixels, a.pixels + bytes, b.pixels)) << "input " << i;
    }
  }
  EXPECT_FALSE(LoadBitmapSlotFromMemory(inputs[0].data(), inputs[0].size(), TextureSlotCount, "memory"));
}

TEST(HostPath, BackslashesBecomeSlashes) {
  EXPECT_EQ(HostPath(".\\bmp_unit\\unit_mage.bmp"), "./bmp_unit/unit_mage.bmp");
  EXPECT_EQ(HostPath("sound/explosion3b.wav"), "sound/explosion3b.wav");
  EXPECT_EQ(HostPath(""), "");
}

}  // namespace
