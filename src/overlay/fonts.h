// The two built-in bitmap fonts. A glyph is a string of '0'/'1' characters in
// rows of fixed length; any character other than '0' is ink. Row 0 is a header
// (small font) or blank (large font); drawing starts at row 1. Codes without a
// glyph hold nullptr.
#pragma once

#include <array>

constexpr int FontCodeCount = 128;

// Small font: rows of 8, rows 1-9 drawn; row 0 starts with the width digit and
// the height digit. Pen advance is the width plus one blank column.
constexpr int SmallGlyphRowLength = 8;
constexpr int SmallGlyphRowCount = 10;
// Large font: rows of 10, rows 1-12 drawn over columns 0-7, fixed advance.
constexpr int LargeGlyphRowLength = 10;
constexpr int LargeGlyphRowCount = 13;
constexpr int LargeGlyphColumns = 8;
constexpr int LargeAdvance = 8;

extern const std::array<const char*, FontCodeCount> SmallFont;
extern const std::array<const char*, FontCodeCount> LargeFont;
