#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "overlay/fonts.h"
#include "overlay/overlay.h"
#include "overlay_fixture.h"

namespace {

bool HasSmallGlyph(int code) { return (code >= 32 && code <= 95) || (code >= 97 && code <= 122); }
bool HasLargeGlyph(int code) { return code >= 32 && code <= 126; }

// The small font's widths, as the game's layout expects them.
int ExpectedSmallWidth(char c) {
  static const std::map<int, std::string> widths = {
      {1, ":il"},
      {2, " !'(),;=[\\]fjr"},
      {3, "\"$%+-.0123456789<>?ABCDEFGHIKLPSTUVY^_bcdeghknopqstuvxyz"},
      {4, "&/JNOQRZa"},
      {5, "#*MWXmw"},
      {7, "@"}};
  for (const auto& [width, chars] : widths)
    if (chars.find(c) != std::string::npos) return width;
  return -1;
}

bool IsDescender(char c) { return std::string("gjpqy").find(c) != std::string::npos; }
bool IsCapitalOrDigit(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }
bool IsLower(char c) { return c >= 'a' && c <= 'z'; }

// Rows (inclusive) that hold ink in a glyph; {99, -1} when it has none.
std::pair<int, int> InkRows(const char* glyph, int row_length, int row_count) {
  int top = 99, bottom = -1;
  for (int i = 0; i < row_count; ++i)
    for (int j = 0; j < row_length; ++j)
      if (glyph[i * row_length + j] != '0') {
        top = std::min(top, i);
        bottom = std::max(bottom, i);
      }
  return {top, bottom};
}

std::string Rows(const char* glyph, int row_length, int first, int last, int width) {
  std::string rows;
  for (int i = first; i <= last; ++i) rows += std::string(glyph + i * row_length, width) + " ";
  return rows;
}

TEST(SmallFont, CoversItsCodesWithWellFormedGlyphs) {
  for (int code = 0; code < FontCodeCount; ++code) {
    const char* glyph = SmallFont[code];
    ASSERT_EQ(glyph != nullptr, HasSmallGlyph(code)) << code;
    if (!glyph) continue;
    const char c = static_cast<char>(code);
    ASSERT_EQ(std::string(glyph).size(), size_t(SmallGlyphRowLength * SmallGlyphRowCount)) << c;
    EXPECT_EQ(glyph[0] - '0', ExpectedSmallWidth(c)) << c;
    EXPECT_EQ(glyph[1], c == '_' ? '7' : '8') << c;
    EXPECT_EQ(std::string(glyph + 2, 6), "000000") << c;
    const int width = glyph[0] - '0';
    for (int i = 1; i < SmallGlyphRowCount; ++i)
      for (int j = 0; j < SmallGlyphRowLength; ++j) {
        const char cell = glyph[i * SmallGlyphRowLength + j];
        EXPECT_TRUE(cell == '0' || cell == '1') << c;
        if (j >= width) {
          EXPECT_EQ(cell, '0') << "ink outside the width of '" << c << "' at row " << i;
        }
      }
  }
}

TEST(SmallFont, MatchesTheExampleGlyphs) {
  EXPECT_EQ(Rows(SmallFont['A'], 8, 1, 9, 3), "000 000 010 101 111 101 101 000 000 ");
  EXPECT_EQ(Rows(SmallFont['g'], 8, 1, 9, 3), "000 000 000 000 010 101 011 001 010 ");
}

TEST(LargeFont, CoversItsCodesWithWellFormedGlyphs) {
  for (int code = 0; code < FontCodeCount; ++code) {
    const char* glyph = LargeFont[code];
    ASSERT_EQ(glyph != nullptr, HasLargeGlyph(code)) << code;
    if (!glyph) continue;
    const char c = static_cast<char>(code);
    ASSERT_EQ(std::string(glyph).size(), size_t(LargeGlyphRowLength * LargeGlyphRowCount)) << c;
    EXPECT_EQ(std::string(glyph, LargeGlyphRowLength), "0000000000") << "row 0 of '" << c << "'";
    for (int i = 1; i < LargeGlyphRowCount; ++i)
      for (int j = 0; j < LargeGlyphRowLength; ++j) {
        const char cell = glyph[i * LargeGlyphRowLength + j];
        EXPECT_TRUE(cell == '0' || cell == '1') << c;
        // Column 7 is the glyph's own gap to the next; 8 and 9 are never drawn.
        if (j >= 7) {
          EXPECT_EQ(cell, '0') << "ink in column " << j << " of '" << c << "'";
        }
      }
  }
}

TEST(Fonts, LettersAndDigitsKeepTheirRows) {
  // Rows counted from the glyph's top; the small font's first row holds its width, not ink.
  struct Case {
    const std::array<const char*, FontCodeCount>* font;
    int row_length, first_ink_row, rows, cap_top, baseline, descender;
  } cases[] = {{&SmallFont, SmallGlyphRowLength, 1, 9, 3, 7, 9},
               {&LargeFont, LargeGlyphRowLength, 0, LargeGlyphRowCount, 2, 10, 12}};
  for (const Case& f : cases)
    for (int code = 33; code < FontCodeCount; ++code) {
      const char c = static_cast<char>(code);
      if (!(*f.font)[code]) continue;
      auto [top, bottom] = InkRows((*f.font)[code] + f.first_ink_row * f.row_length, f.row_length, f.rows);
      ASSERT_LE(top, bottom) << "'" << c << "' has no ink";
      top += f.first_ink_row;
      bottom += f.first_ink_row;
      if (IsCapitalOrDigit(c)) {
        EXPECT_EQ(top, f.cap_top) << c;
        EXPECT_EQ(bottom, f.baseline) << c;
      } else if (IsLower(c)) {
        EXPECT_GE(top, f.cap_top) << c;
        EXPECT_EQ(bottom, IsDescender(c) ? f.descender : f.baseline) << c;
      }
    }
}

TEST(LargeFont, MatchesTheExampleGlyphs) {
  EXPECT_EQ(Rows(LargeFont['A'], 10, 1, 12, 8),
            "00000000 00110000 01111000 11001100 11001100 11001100 11111100 11001100 11001100 "
            "11001100 00000000 00000000 ");
  EXPECT_EQ(Rows(LargeFont['g'], 10, 1, 12, 8),
            "00000000 00000000 00000000 00000000 01110110 11001100 11001100 11001100 01111100 "
            "00001100 11001100 01111000 ");
}

// Two characters drawn alike would be a copy left unfinished.
TEST(Fonts, NoTwoGlyphsShareTheirInk) {
  for (const auto* font : {&SmallFont, &LargeFont}) {
    std::map<std::string, char> seen;
    for (int code = 0; code < FontCodeCount; ++code) {
      if (!(*font)[code]) continue;
      const auto [it, fresh] = seen.emplace((*font)[code], static_cast<char>(code));
      EXPECT_TRUE(fresh) << "'" << it->second << "' and '" << static_cast<char>(code) << "' look the same";
    }
  }
}

}  // namespace
