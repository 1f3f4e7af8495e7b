// Drawing into the overlay: single pixels, lines, pictures and one line of
// text at a time. Coordinates are overlay pixels, origin bottom-left, y up;
// everything outside the buffer is clipped pixel by pixel.
#pragma once

#include <cstdint>

// The one shared line of text: callers format first, then draw.
constexpr int TextLineSize = 256;
extern char TextLine[TextLineSize];

void PlotPixel(int x, int y, uint8_t r, uint8_t g, uint8_t b);
// Both end points included; see DrawLine in overlay.cpp for the stepping.
void DrawLine(int x0, int y0, int x1, int y1, uint8_t r, uint8_t g, uint8_t b);
// A square picture from TextureSlots with its bottom-left corner at (x, y).
void BlitPicture(int x, int y, int slot);

// printf-style into TextLine; a longer result is cut to TextLineSize - 1 characters.
void FormatTextLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Characters without a glyph in the font draw nothing and advance like a space.

// TextLine in the small font; glyph row 1 lands at y + 1, row 9 at y - 7.
void DrawSmallText(int x, int y, uint8_t r, uint8_t g, uint8_t b);
// TextLine in the large font; glyph row 1 lands at y - 1, row 12 at y - 12.
void DrawLargeText(int x, int y, uint8_t r, uint8_t g, uint8_t b);
