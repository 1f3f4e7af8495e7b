// The pictures and sound the build writes into the game folder, and the
// builder's pieces they are made with.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image.h"
#include "pixel_art.h"
#include "pictures/asset_table.h"
#include "pictures/bitmap_loader.h"
#include "pictures/image_slots.h"
#include "procedural.h"
#include "world/new_game.h"

namespace {

std::string GameFile(const char* table_path) { return std::string(VALDORIK_GAME_DIR) + "/" + HostPath(table_path); }

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24; }
uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

bool IsBlack(const uint8_t* p) { return p[0] == 0 && p[1] == 0 && p[2] == 0; }
bool IsTitleTransparent(const uint8_t* p) { return IsBlack(p) || (p[0] == 255 && p[1] == 0 && p[2] == 246); }

int CountPixels(const ImageSlot& s, bool (*pred)(const uint8_t*)) {
  int n = 0;
  for (int i = 0; i < s.width * s.height; ++i) n += pred(&s.pixels[i * 3]);
  return n;
}

class GameFolderTest : public ::testing::Test {
 protected:
  void SetUp() override { AllocateTextureSlots(); }
  void TearDown() override { ReleaseTextureSlots(); }
};

TEST_F(GameFolderTest, EveryPictureIsASquare24BitBmpTheGameLoads) {
  for (const PictureAsset& asset : PictureAssets) {
    const std::string path = GameFile(asset.path);
    const std::vector<uint8_t> bytes = ReadAll(path);
    ASSERT_GE(bytes.size(), 54u) << path;
    // The plain layout every reader of these files can rely on.
    EXPECT_EQ(U32(bytes, 10), 54u) << path;
    EXPECT_EQ(U16(bytes, 28), 24) << path;
    EXPECT_EQ(U32(bytes, 18) % 4, 0u) << path;
    ASSERT_TRUE(LoadBitmapSlot(path.c_str(), asset.slot, MaxPictureSide(asset.slot))) << path << ": "
                                                                                     << LastBitmapError();
    const ImageSlot& s = TextureSlots[asset.slot];
    EXPECT_EQ(s.width, s.height) << path;
    EXPECT_EQ(bytes.size(), 54u + size_t(s.width) * size_t(s.width) * 3) << path;
  }
}

TEST_F(GameFolderTest, UnitPicturesShowAFigureOnABlackBackground) {
  for (const PictureAsset& asset : PictureAssets) {
    if (asset.slot == BrickFloorSlot || asset.slot == GrassFloorSlot || asset.slot == IntroPictureSlot) continue;
    ASSERT_TRUE(LoadBitmapSlot(GameFile(asset.path).c_str(), asset.slot)) << asset.path;
    const ImageSlot& s = TextureSlots[asset.slot];
    const int n = s.width;
    // Each pixel is a quad drawn every frame for every unit on screen.
    EXPECT_LE(n, 16) << asset.path;
    for (int corner : {0, n - 1, n * (n - 1), n * n - 1})
      EXPECT_TRUE(IsBlack(&s.pixels[corner * 3])) << asset.path << " corner pixel " << corner;
    const int figure = n * n - CountPixels(s, IsBlack);
    EXPECT_GE(figure, n * n / 6) << asset.path << " is almost empty";
    EXPECT_LE(figure, n * n * 5 / 6) << asset.path << " has hardly any background";
  }
}

TEST_F(GameFolderTest, FloorsAreOpaqueAndTitleFitsTheOverlay) {
  for (int slot : {BrickFloorSlot, GrassFloorSlot}) {
    ASSERT_TRUE(LoadBitmapSlot(GameFile(PictureAssets[slot].path).c_str(), slot));
    EXPECT_EQ(TextureSlots[slot].width, FloorSide);
    EXPECT_EQ(CountPixels(TextureSlots[slot], IsBlack), 0) << PictureAssets[slot].path;
  }
  const PictureAsset& title = PictureAssets[2];
  ASSERT_EQ(title.slot, IntroPictureSlot);
  ASSERT_TRUE(LoadBitmapSlot(GameFile(title.path).c_str(), title.slot));
  const ImageSlot& s = TextureSlots[IntroPictureSlot];
  // Blitted with its lower-left corner at (200, 200) into the 640 x 480 overlay.
  EXPECT_LE(200 + s.width, 480);
  const int clear = CountPixels(s, IsTitleTransparent);
  EXPECT_GT(clear, s.width * s.width / 2) << "the title should let the game show through";
  EXPECT_LT(clear, s.width * s.width) << "the title is blank";
}

TEST(GameFolder, StartSoundIsAShortMono16BitExplosion) {
  const std::vector<uint8_t> b = ReadAll(GameFile(StartSoundPath));
  ASSERT_GE(b.size(), 44u);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
  EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
  const uint32_t rate = U32(b, 24), data = U32(b, 40);
  ASSERT_EQ(data, b.size() - 44);
  // RIFF size, fmt size, PCM, mono, bytes per second, block size, 16 bits.
  for (auto [at, width, value] : {std::tuple{4, 4, uint32_t(b.size() - 8)}, {16, 4, 16u}, {20, 2, 1u}, {22, 2, 1u},
                                  {28, 4, rate * 2}, {32, 2, 2u}, {34, 2, 16u}})
    EXPECT_EQ(width == 4 ? U32(b, at) : U16(b, at), value) << "byte " << at;
  const double seconds = double(data / 2) / rate;
  EXPECT_GE(seconds, 0.5);
  EXPECT_LE(seconds, 2.0);

  std::vector<int16_t> samples(data / 2);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = int16_t(U16(b, 44 + i * 2));
  int peak_start = 0, peak_end = 0;
  for (size_t i = 0; i < samples.size(); ++i) {
    int& peak = i < samples.size() / 5 ? peak_start : peak_end;
    peak = std::max(peak, std::abs(int(samples[i])));
  }
  EXPECT_GT(peak_start, 16000) << "the bang is too quiet";
  EXPECT_LT(peak_end, peak_start / 2) << "the sound should die away";
  EXPECT_LT(std::abs(int(samples.back())), 200) << "the sound should end in silence, not a click";
  // The build is reproducible: the file holds exactly what the generator makes.
  EXPECT_EQ(samples, ExplosionSound());
}

TEST(PixelArt, ReadsPaletteAndRowsTopRowFirst) {
  const PixelArt art = ParsePixelArt(
      "# a comment\n"
      "K = 16 16 16\r\n"
      "R = 255 0 10\n"
      "\n"
      "K..R\n"
      ".RR \n",
      "test");
  ASSERT_EQ(art.error, "");
  ASSERT_EQ(art.image.width, 4);
  ASSERT_EQ(art.image.height, 2);
  EXPECT_EQ(art.image.at(0, 0), (Rgb{16, 16, 16}));
  EXPECT_EQ(art.image.at(3, 0), (Rgb{255, 0, 10}));
  EXPECT_EQ(art.image.at(1, 0), Transparent);
  EXPECT_EQ(art.image.at(1, 1), (Rgb{255, 0, 10}));
  EXPECT_EQ(art.image.at(3, 1), Transparent);
}

TEST(PixelArt, ExplainsWhatIsWrongAndWhere) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"K = 16 16 16\nK.\nKX\n", "art:3: character 'X' in column 2 has no palette colour"},
      {"K = 16 16 16\nKK\nK\n", "art:3: row is 1 pixels wide, the first row 2"},
      {"K = 16 16 300\nKK\n", "art:1: palette lines read \"X = R G B\" with components 0 to 255"},
      {"K = 16 16\n", "art:1: palette lines read \"X = R G B\" with components 0 to 255"},
      {"..\nK = 1 2 3\n", "art:2: palette lines must come before the picture rows"},
      {"# only a comment\n", "art:0: no picture rows"},
  };
  for (const Case& c : cases) EXPECT_EQ(ParsePixelArt(c.text, "art").error, c.error) << c.text;
  EXPECT_NE(ParsePixelArt("K = 0 0 0\nK.\n", "art").error.find("see-through"), std::string::npos);
}

// Read back by ImageMagick, which checks every chunk's CRC-32 and the stream's Adler-32.
std::vector<uint8_t> DecodeRgba(const std::string& png) {
  std::vector<uint8_t> rgba;
  FILE* pipe = popen(("convert '" + png + "' -depth 8 rgba:- 2>&1").c_str(), "r");
  if (!pipe) return rgba;
  for (int c; (c = std::fgetc(pipe)) != EOF;) rgba.push_back(uint8_t(c));
  pclose(pipe);
  return rgba;
}

TEST(PngWriter, ImageMagickReadsBackEveryPixelBlackSeeThrough) {
  // Every pixel unlike its neighbours: nearly every byte is written alone.
  Image varied(160, 120);
  for (int y = 0; y < varied.height; ++y)
    for (int x = 0; x < varied.width; ++x)
      varied.at(x, y) = (x + y) % 7 == 0 ? Transparent : Rgb{uint8_t(x), uint8_t(y * 2), uint8_t(x ^ y)};
  // Pixel art enlarged, as the icons are: runs longer than deflate's longest
  // repeat, whole rows repeated from the row above.
  Image art(8, 8);
  for (int y = 0; y < art.height; ++y)
    for (int x = 0; x < art.width; ++x)
      art.at(x, y) = (x * y) % 3 == 0 ? Transparent : Rgb{uint8_t(40 * x), uint8_t(30 * y), 200};
  const Image enlarged = Scale(art, 64);
  struct Case {
    const char* what;
    const Image& img;
    double most_of_raw;  // the file's size at most, as a share of the pixels' 4 bytes each
  } cases[] = {{"varied", varied, 1.2}, {"enlarged", enlarged, 0.05}};
  const std::string path = ::testing::TempDir() + "valdorik_writer.png";
  for (const Case& c : cases) {
    const Image& img = c.img;
    ASSERT_EQ(WritePng(path, img), "") << c.what;
    EXPECT_LE(double(ReadAll(path).size()), c.most_of_raw * img.width * img.height * 4) << c.what;
    const std::vector<uint8_t> rgba = DecodeRgba(path);
    ASSERT_EQ(rgba.size(), size_t(img.width * img.height * 4))
        << c.what << ": " << std::string(rgba.begin(), rgba.end());
    for (int y = 0; y < img.height; ++y)
      for (int x = 0; x < img.width; ++x) {
        const uint8_t* p = &rgba[size_t(y * img.width + x) * 4];
        const bool clear = img.at(x, y) == Transparent;
        ASSERT_EQ(p[3], clear ? 0 : 255) << c.what << " " << x << "," << y;
        if (!clear) {
          ASSERT_EQ((Rgb{p[0], p[1], p[2]}), img.at(x, y)) << c.what << " " << x << "," << y;
        }
      }
  }
  EXPECT_NE(WritePng(path, Image()), "");
  std::remove(path.c_str());
}

TEST(Icon, TheEmblemFigureFillsTheSquareCentredByNearestNeighbour) {
  const char* palette = "A = 200 10 10\nB = 10 200 10\nC = 10 10 200\n";
  const Image emblem = ParsePixelArt(std::string(palette) +
                                         "......\n"
                                         ".AAB..\n"
                                         ".C....\n"
                                         "......\n",
                                     "emblem")
                           .image;
  struct Case {
    int side;
    const char* rows;
  } cases[] = {
      // Twice as large: the 3 x 2 figure becomes 6 x 4, a row free above and below.
      {6, "......\nAAAABB\nAAAABB\nCC....\nCC....\n......\n"},
      // A third larger: each pixel takes the figure pixel under its centre.
      {4, "....\nAAAB\nC...\n....\n"},
  };
  for (const Case& c : cases) {
    const Image wanted = ParsePixelArt(std::string(palette) + c.rows, "wanted").image;
    const Image icon = Icon(emblem, c.side);
    ASSERT_EQ(icon.width, c.side);
    ASSERT_EQ(icon.height, c.side);
    EXPECT_EQ(icon.pixels, wanted.pixels) << c.side;
  }
  EXPECT_EQ(Icon(Image(4, 4), 8).pixels, Image(8, 8).pixels) << "a blank emblem gives a blank icon";
}

TEST(BmpWriter, WhatItWritesLoadsBackPixelForPixel) {
  AllocateTextureSlots();
  Image img(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) img.at(x, y) = {uint8_t(x * 30), uint8_t(y * 30), uint8_t(200 - x - y)};
  const std::string path = ::testing::TempDir() + "valdorik_writer.bmp";
  ASSERT_EQ(WriteBmp24(path, img), "");
  ASSERT_TRUE(LoadBitmapSlot(path.c_str(), 12)) << LastBitmapError();
  const ImageSlot& s = TextureSlots[12];
  // The slot's first row is the picture's bottom row.
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const uint8_t* p = &s.pixels[((7 - y) * 8 + x) * 3];
      ASSERT_EQ((Rgb{p[0], p[1], p[2]}), img.at(x, y)) << x << "," << y;
    }
  EXPECT_NE(WriteBmp24(path, Image(8, 4)), "");
  EXPECT_NE(WriteBmp24(path, Image(6, 6)), "");
  std::remove(path.c_str());
  ReleaseTextureSlots();
}

}  // namespace
