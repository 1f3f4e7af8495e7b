#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "overlay/overlay.h"
#include "overlay_fixture.h"

namespace {

std::vector<Point> LinePixels(int x0, int y0, int x1, int y1) {
  ClearOverlay();
  DrawLine(x0, y0, x1, y1, 255, 255, 255);
  return InkedPixels();
}

// The same set of pixels in bottom-row-first order, as InkedPixels reports them.
std::vector<Point> Sorted(std::vector<Point> points) {
  std::sort(points.begin(), points.end(), [](const Point& a, const Point& b) {
    return a.second != b.second ? a.second < b.second : a.first < b.first;
  });
  return points;
}

TEST_F(OverlayTest, ClearLeavesEveryByteZero) {
  std::memset(OverlayBuffer.get(), 0x5a, FrameWidth * FrameHeight * 4);
  ClearOverlay();
  EXPECT_EQ(OverlaySnapshot(), std::vector<uint8_t>(FrameWidth * FrameHeight * 4, 0));
}

TEST_F(OverlayTest, PlotPixelWritesOpaqueColourAtBottomLeftOriginAndClipsAtEveryEdge) {
  PlotPixel(0, 0, 1, 2, 3);
  PlotPixel(639, 479, 4, 5, 6);
  EXPECT_EQ(OverlayBuffer[0], 1);
  EXPECT_EQ(OverlayBuffer[3], 255);
  EXPECT_EQ(OverlayPixel(639, 479), (Rgba{4, 5, 6, 255}));
  PlotPixel(0, 0, 9, 9, 9);  // replaces, never blends
  EXPECT_EQ(OverlayPixel(0, 0), (Rgba{9, 9, 9, 255}));
  for (Point p : {Point{-1, 0}, Point{0, -1}, Point{640, 0}, Point{0, 480}, Point{-1000, 5000}, Point{640, 479},
                  Point{639, 480}})
    PlotPixel(p.first, p.second, 255, 255, 255);
  EXPECT_EQ(InkedPixels().size(), 2u);
}

TEST_F(OverlayTest, LineExamples) {
  EXPECT_EQ(LinePixels(5, 5, 5, 5), (std::vector<Point>{{5, 5}}));
  EXPECT_EQ(LinePixels(0, 0, 3, 3), (std::vector<Point>{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
  // The minor step comes late: the shallow line rises only at its last point.
  EXPECT_EQ(LinePixels(0, 0, 4, 1), (std::vector<Point>{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 1}}));
  // Drawn backwards, the late step lands at the other end.
  EXPECT_EQ(LinePixels(4, 1, 0, 0), Sorted({{4, 1}, {3, 1}, {2, 1}, {1, 1}, {0, 0}}));
  // Steep lines step along y and move sideways late too.
  EXPECT_EQ(LinePixels(10, 10, 11, 14), Sorted({{10, 10}, {10, 11}, {10, 12}, {10, 13}, {11, 14}}));
  EXPECT_EQ(LinePixels(20, 0, 20, 3), Sorted({{20, 0}, {20, 1}, {20, 2}, {20, 3}}));
  EXPECT_EQ(LinePixels(3, 7, 0, 7), Sorted({{0, 7}, {1, 7}, {2, 7}, {3, 7}}));
}

TEST_F(OverlayTest, LinePlotsOnePixelPerMajorStepAndBothEnds) {
  for (auto [x1, y1] : {Point{100, 37}, Point{-100, 37}, Point{37, -100}, Point{-60, -61}}) {
    std::vector<Point> pixels = LinePixels(300, 200, 300 + x1, 200 + y1);
    EXPECT_EQ(pixels.size(), static_cast<size_t>(std::max(std::abs(x1), std::abs(y1)) + 1));
    EXPECT_EQ(OverlayPixel(300, 200)[3], 255);
    EXPECT_EQ(OverlayPixel(300 + x1, 200 + y1)[3], 255);
  }
}

TEST_F(OverlayTest, LinesAreClippedPixelByPixel) {
  EXPECT_EQ(LinePixels(-10, 5, 700, 5).size(), 640u);
  EXPECT_EQ(LinePixels(639, -20, 639, 500).size(), 480u);
  EXPECT_TRUE(LinePixels(-50, -1, -1, -50).empty());
  // A diagonal leaving the top-right corner keeps only its on-screen part.
  std::vector<Point> corner = LinePixels(630, 470, 650, 490);
  EXPECT_EQ(corner.size(), 10u);
  EXPECT_EQ(corner.back(), (Point{639, 479}));
}

using PictureTest = OverlayTest;

TEST_F(PictureTest, StandsUprightAndSkipsBothTransparentColours) {
  // Bottom row: magenta key, pure black, near-magenta, near-black.
  // Top row: a single red pixel at the left, the rest opaque grey.
  MakePicture(3, 2, {{255, 0, 246}, {0, 0, 0}, {255, 0, 0}, {80, 80, 80}});
  for (int y = 50; y < 52; ++y)
    for (int x = 10; x < 12; ++x) PlotPixel(x, y, 7, 8, 9);
  BlitPicture(10, 50, 3);
  EXPECT_EQ(OverlayPixel(10, 50), (Rgba{7, 8, 9, 255})) << "magenta key must leave the overlay as it was";
  EXPECT_EQ(OverlayPixel(11, 50), (Rgba{7, 8, 9, 255})) << "pure black must leave the overlay as it was";
  EXPECT_EQ(OverlayPixel(10, 51), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(OverlayPixel(11, 51), (Rgba{80, 80, 80, 255}));

  ClearOverlay();
  MakePicture(4, 2, {{255, 0, 245}, {1, 0, 0}});
  BlitPicture(0, 0, 4);
  EXPECT_EQ(InkedPixels().size(), 4u) << "colours next to the keys are opaque";
}

TEST_F(PictureTest, ClipsStopsAtItsLastRowAndIgnoresEmptyOrUnknownSlots) {
  MakePicture(90, 16, {{10, 20, 30}});
  BlitPicture(632, -4, 90);
  EXPECT_EQ(InkedPixels().size(), 8u * 12u);
  ClearOverlay();
  MakePicture(10, 4, {{10, 20, 30}}, 2);  // shorter than wide
  BlitPicture(0, 0, 10);
  EXPECT_EQ(InkedPixels().size(), 8u);
  ClearOverlay();
  BlitPicture(0, 0, 5);  // empty slot
  BlitPicture(0, 0, -1);
  BlitPicture(0, 0, TextureSlotCount);
  EXPECT_TRUE(InkedPixels().empty());
}

TEST_F(OverlayTest, FormatTextLineFormatsAndCutsAtTheBuffer) {
  FormatTextLine("empire_0_gold=%2.2f", static_cast<double>(12.5f));
  EXPECT_STREQ(TextLine, "empire_0_gold=12.50");

  const std::string long_text(300, 'x');
  FormatTextLine("%s%d", long_text.c_str(), 12345);
  EXPECT_EQ(std::strlen(TextLine), 255u);
  EXPECT_EQ(std::string(TextLine), long_text.substr(0, 255));

  FormatTextLine("%s", std::string(255, 'y').c_str());
  EXPECT_EQ(std::string(TextLine), std::string(255, 'y'));
}

// Pixels drawn by a text call, relative to its pen start.
std::vector<Point> TextInk(void (*draw)(int, int, uint8_t, uint8_t, uint8_t), const char* text, int x, int y) {
  ClearOverlay();
  FormatTextLine("%s", text);
  draw(x, y, 255, 255, 255);
  std::vector<Point> ink = InkedPixels();
  for (Point& p : ink) p = {p.first - x, p.second - y};
  return ink;
}

std::vector<Point> Shifted(std::vector<Point> points, int dx) {
  for (Point& p : points) p.first += dx;
  return points;
}

using TextDraw = void (*)(int, int, uint8_t, uint8_t, uint8_t);

// The ink of single glyphs laid side by side at the given pen offsets.
std::vector<Point> Laid(TextDraw draw, std::initializer_list<std::pair<const char*, int>> glyphs) {
  std::vector<Point> all;
  for (auto [glyph, dx] : glyphs) {
    const std::vector<Point> ink = Shifted(TextInk(draw, glyph, 100, 100), dx);
    all.insert(all.end(), ink.begin(), ink.end());
  }
  return Sorted(all);
}

TEST_F(OverlayTest, TextPenAdvancesAndRowsHangBelowTheBaseY) {
  // Small: the pen moves by the glyph's width plus one (i and l are one wide, M five).
  EXPECT_EQ(TextInk(DrawSmallText, "ilA", 100, 100), Laid(DrawSmallText, {{"i", 0}, {"l", 2}, {"A", 4}}));
  EXPECT_EQ(TextInk(DrawSmallText, "M1", 100, 100), Laid(DrawSmallText, {{"M", 0}, {"1", 6}}));
  // Large: always eight.
  EXPECT_EQ(TextInk(DrawLargeText, "AgW", 100, 100), Laid(DrawLargeText, {{"A", 0}, {"g", 8}, {"W", 16}}));

  // Small capitals fill glyph rows 3-7 (y - 1 .. y - 5), the g rows 5-9; large
  // capitals start on row 2 and the descender ends on row 12.
  struct Case {
    TextDraw draw;
    const char* text;
    int lowest, highest;
  } cases[] = {{DrawSmallText, "A", -5, -1}, {DrawSmallText, "g", -7, -3}, {DrawLargeText, "Ag", -12, -2}};
  for (const Case& c : cases) {
    int highest = -100, lowest = 100;
    for (auto [x, y] : TextInk(c.draw, c.text, 40, 420)) {
      highest = std::max(highest, y);
      lowest = std::min(lowest, y);
    }
    EXPECT_EQ(lowest, c.lowest) << c.text;
    EXPECT_EQ(highest, c.highest) << c.text;
  }
}

TEST_F(OverlayTest, LargeTextAtTheRightEdgeIsCutNotWrapped) {
  // The first glyph whole on columns 630-637, the two leftmost columns of the
  // second on 638-639, the third nowhere: nothing wraps to the left edge.
  std::vector<Point> expected = Shifted(TextInk(DrawLargeText, "W", 0, 100), 630);
  for (Point p : TextInk(DrawLargeText, "M", 0, 100))
    if (p.first < 2) expected.push_back({p.first + 638, p.second});
  EXPECT_EQ(TextInk(DrawLargeText, "WMM", 630, 100), Shifted(Sorted(expected), -630));
}

TEST_F(OverlayTest, CharactersWithoutGlyphAdvanceLikeASpace) {
  EXPECT_EQ(TextInk(DrawSmallText, "`A", 10, 10), TextInk(DrawSmallText, " A", 10, 10));
  EXPECT_EQ(TextInk(DrawSmallText, "\x80\xff" "A", 10, 10), TextInk(DrawSmallText, "  A", 10, 10));
  EXPECT_EQ(TextInk(DrawLargeText, "\t\x7f\xe9" "A", 10, 50), TextInk(DrawLargeText, "   A", 10, 50));
}

}  // namespace
