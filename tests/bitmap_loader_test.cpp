#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "pictures/bitmap_loader.h"
#include "pictures/image_slots.h"

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

  // Loads a valid picture into `slot` and the next one so a later failure can
  // show whether it was kept.
  void Preload(int slot, int side) {
    BmpBytes bmp;
    bmp.width = bmp.height = side;
    Write(bmp.Encode());
    ASSERT_TRUE(Load(slot)) << LastBitmapError();
    ASSERT_TRUE(Load(slot + 1)) << LastBitmapError();
  }

  // Loads `bytes` into `slot` from a file and into `slot + 1` from memory: both
  // ways must give the same verdict, message and picture.
  bool LoadBoth(const std::vector<uint8_t>& bytes, int slot) {
    Write(bytes);
    const bool from_file = Load(slot);
    const std::string file_error = LastBitmapError();
    EXPECT_EQ(LoadBitmapSlotFromMemory(bytes.data(), bytes.size(), slot + 1), from_file);
    EXPECT_EQ(LastBitmapError(), file_error);
    const ImageSlot &a = TextureSlots[slot], &b = TextureSlots[slot + 1];
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.pixels == nullptr, b.pixels == nullptr);
    if (a.pixels && b.pixels) {
      EXPECT_TRUE(std::equal(a.pixels.get(), a.pixels.get() + size_t(a.width) * size_t(a.height) * 3, b.pixels.get()));
    }
    return from_file;
  }

  // Every pixel of the slot matches the file pixel it came from, red and blue exchanged.
  static void ExpectPixelsOf(const BmpBytes& bmp, const ImageSlot& s) {
    ASSERT_NE(s.pixels, nullptr);
    ASSERT_EQ(s.width, bmp.width);
    ASSERT_EQ(s.height, bmp.height);
    EXPECT_EQ(s.bytesPerPixel, 3);
    for (int y = 0; y < bmp.height; ++y)
      for (int x = 0; x < bmp.width; ++x) {
        const uint8_t* p = &s.pixels[(y * bmp.width + x) * 3];
        ASSERT_EQ(p[0], bmp.shade(x, y, 2)) << x << "," << y;
        ASSERT_EQ(p[1], bmp.shade(x, y, 1)) << x << "," << y;
        ASSERT_EQ(p[2], bmp.shade(x, y, 0)) << x << "," << y;
      }
  }

  std::string path_;
};

TEST_F(BitmapLoaderTest, PlainAndPaddedRowsAndLaterPixelOffsetsLoadWithRedAndBlueExchanged) {
  // Odd sides pad their rows; 138 stands for a writer that put a colour table or a larger header first.
  for (auto [side, offset] : {std::pair{64, 54u}, {1, 54u}, {2, 54u}, {3, 54u}, {5, 54u}, {7, 54u}, {13, 54u}, {6, 138u}}) {
    BmpBytes bmp;
    bmp.width = bmp.height = side;
    bmp.pixel_offset = offset;
    ASSERT_TRUE(LoadBoth(bmp.Encode(), 40)) << "side " << side << ": " << LastBitmapError();
    ExpectPixelsOf(bmp, TextureSlots[40]);  // bottom file row first, as stored
  }
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

TEST_F(BitmapLoaderTest, RefusedFilesKeepTheSlot) {
  auto spoiled = [](void (*spoil)(BmpBytes&)) {
    BmpBytes bmp;
    bmp.width = bmp.height = 8;
    spoil(bmp);
    return bmp.Encode();
  };
  const std::vector<uint8_t> good = spoiled([](BmpBytes&) {});
  auto changed = [&](size_t at, uint8_t value) {
    std::vector<uint8_t> bytes = good;
    bytes[at] = value;
    return bytes;
  };
  const std::pair<const char*, std::vector<uint8_t>> cases[] = {
      {"8-bit", spoiled([](BmpBytes& b) { b.bits = 8; })},
      {"32-bit", spoiled([](BmpBytes& b) { b.bits = 32; })},
      {"bit count 24 + 256", spoiled([](BmpBytes& b) { b.bits = 24 + 256; })},
      {"RLE compression", spoiled([](BmpBytes& b) { b.compression = 1; })},
      {"bitfields", spoiled([](BmpBytes& b) { b.compression = 3; })},
      {"zero width", spoiled([](BmpBytes& b) { b.width = 0; })},
      {"negative width", spoiled([](BmpBytes& b) { b.width = b.height = -8; })},
      {"top-down rows", spoiled([](BmpBytes& b) { b.height = -8; })},
      {"not square", spoiled([](BmpBytes& b) { b.height = 4; })},
      {"too wide", spoiled([](BmpBytes& b) { b.width = b.height = MaxBitmapSide + 4; })},
      {"huge", spoiled([](BmpBytes& b) { b.width = b.height = 0x7FFFFFFF; })},
      {"empty file", {}},
      {"cut inside the header", std::vector<uint8_t>(good.begin(), good.begin() + 53)},
      {"not BM", changed(0, 'P')},
      {"pixels said to start inside the header", changed(10, 20)},
  };
  for (const auto& [what, bytes] : cases) {
    Preload(31, 4);
    const uint8_t* kept = TextureSlots[31].pixels.get();
    EXPECT_FALSE(LoadBoth(bytes, 31)) << what;
    EXPECT_FALSE(LastBitmapError().empty()) << what;
    EXPECT_EQ(TextureSlots[31].pixels.get(), kept) << what;
    EXPECT_EQ(TextureSlots[31].width, 4) << what;
  }
  const uint8_t* kept = TextureSlots[31].pixels.get();
  std::remove(path_.c_str());
  EXPECT_FALSE(Load(31)) << "missing file";
  EXPECT_EQ(TextureSlots[31].pixels.get(), kept);
}

// A unit picture is drawn square by square every frame, so start-up asks
// for a smaller limit than the loader's own for those slots.
TEST_F(BitmapLoaderTest, ACallersLimitRefusesLargerPicturesAndKeepsTheSlot) {
  Preload(36, 16);
  const uint8_t* kept = TextureSlots[36].pixels.get();
  BmpBytes big;
  big.width = big.height = 128;
  Write(big.Encode());
  EXPECT_FALSE(LoadBitmapSlot(path_.c_str(), 36, 64));
  EXPECT_EQ(LastBitmapError(), "side 128 exceeds 64");
  EXPECT_EQ(TextureSlots[36].pixels.get(), kept);
  EXPECT_EQ(TextureSlots[36].width, 16);
  ASSERT_TRUE(LoadBitmapSlot(path_.c_str(), 36, 128)) << LastBitmapError();
  ExpectPixelsOf(big, TextureSlots[36]);
  // No caller can raise the loader's own bound.
  BmpBytes beyond;
  beyond.width = beyond.height = MaxBitmapSide + 4;
  Write(beyond.Encode());
  EXPECT_FALSE(LoadBitmapSlot(path_.c_str(), 36, MaxBitmapSide * 2));
}

TEST_F(BitmapLoaderTest, CutShortPixelsLeaveTheSlotEmpty) {
  BmpBytes bmp;
  bmp.width = bmp.height = 64;
  std::vector<uint8_t> bytes = bmp.Encode();
  for (size_t keep : {bytes.size() - 1, size_t(54 + 64 * 3 * 10), size_t(54)}) {
    Preload(35, 16);
    EXPECT_FALSE(LoadBoth(std::vector<uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(keep)), 35)) << keep;
    EXPECT_EQ(TextureSlots[35].pixels, nullptr) << keep;
    EXPECT_EQ(TextureSlots[35].width, 0) << keep;
    EXPECT_EQ(TextureSlots[35].height, 0) << keep;
  }
  // A header claiming a huge picture is refused from the file size, before any allocation.
  BmpBytes claim;
  claim.width = claim.height = MaxBitmapSide;
  std::vector<uint8_t> header = claim.Encode();
  header.resize(54 + 100);
  EXPECT_FALSE(LoadBoth(header, 35));
  EXPECT_EQ(TextureSlots[35].pixels, nullptr);
}

TEST_F(BitmapLoaderTest, BadSlotNumbersAreRefused) {
  BmpBytes bmp;
  bmp.width = bmp.height = 4;
  Write(bmp.Encode());
  EXPECT_FALSE(Load(-1));
  EXPECT_FALSE(Load(TextureSlotCount));
  EXPECT_TRUE(Load(TextureSlotCount - 1)) << LastBitmapError();
  const std::vector<uint8_t> bytes = bmp.Encode();
  EXPECT_FALSE(LoadBitmapSlotFromMemory(bytes.data(), bytes.size(), TextureSlotCount));
}

TEST(HostPath, BackslashesBecomeSlashes) {
  EXPECT_EQ(HostPath(".\\bmp_unit\\unit_mage.bmp"), "./bmp_unit/unit_mage.bmp");
  EXPECT_EQ(HostPath("sound/explosion3b.wav"), "sound/explosion3b.wav");
  EXPECT_EQ(HostPath(""), "");
}

}  // namespace
