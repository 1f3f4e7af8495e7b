#include "overlay/overlay.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "overlay/fonts.h"
#include "overlay/overlay_buffer.h"
#include "pictures/image_slots.h"

char TextLine[TextLineSize];

void PlotPixel(int x, int y, uint8_t r, uint8_t g, uint8_t b) {
  if (x < 0 || y < 0 || x >= FrameWidth || y >= FrameHeight) return;
  uint8_t* pixel = &OverlayBuffer[(y * FrameWidth + x) * 4];
  pixel[0] = r;
  pixel[1] = g;
  pixel[2] = b;
  pixel[3] = 255;
}

static int StepToward(int from, int to) { return (to > from) - (to < from); }

// Integer stepping along the longer axis. The error term starts at the minor
// extent and a minor step is only taken once it exceeds the major extent, so
// the minor steps come later than in a midpoint line: (0,0)-(4,1) rises only
// at its last point. Ties step along y.
void DrawLine(int x0, int y0, int x1, int y1, uint8_t r, uint8_t g, uint8_t b) {
  const int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
  const int sx = StepToward(x0, x1), sy = StepToward(y0, y1);
  int x = x0, y = y0;
  PlotPixel(x, y, r, g, b);
  if (dx > dy) {
    int err = dy;
    for (int i = 0; i < dx; ++i) {
      x += sx;
      err += dy;
      if (err > dx) {
        err -= dx;
        y += sy;
      }
      PlotPixel(x, y, r, g, b);
    }
  } else {
    int err = dx;
    for (int i = 0; i < dy; ++i) {
      err += dx;
      if (err > dy) {
        err -= dy;
        x += sx;
      }
      y += sy;
      PlotPixel(x, y, r, g, b);
    }
  }
}

static bool IsTransparent(const uint8_t* rgb) {
  const bool magenta = rgb[0] == 255 && rgb[1] == 0 && rgb[2] == 246;
  const bool black = rgb[0] == 0 && rgb[1] == 0 && rgb[2] == 0;
  return magenta || black;
}

void BlitPicture(int x, int y, int slot) {
  if (!TextureSlots || slot < 0 || slot >= TextureSlotCount) return;
  const ImageSlot& image = TextureSlots[slot];
  if (!image.pixels || image.width <= 0) return;
  // Pictures are square and drawn width by width; a shorter picture stops at
  // its last stored row instead of reading past its pixels.
  const int side = image.width;
  const int rows = std::min(side, image.height);
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < side; ++j) {
      const uint8_t* rgb = image.pixels.get() + (static_cast<size_t>(i) * side + j) * 3;
      if (!IsTransparent(rgb)) PlotPixel(x + j, y + i, rgb[0], rgb[1], rgb[2]);
    }
  }
}

void FormatTextLine(const char* format, ...) {
  va_list values;
  va_start(values, format);
  // vsnprintf cuts the text at the buffer's end and always terminates it.
  if (std::vsnprintf(TextLine, sizeof TextLine, format, values) < 0) TextLine[0] = '\0';
  va_end(values);
}

// Codes beyond the table or without a glyph fall back to the space.
static const char* GlyphOf(const std::array<const char*, FontCodeCount>& font, char c) {
  const auto code = static_cast<unsigned char>(c);
  const char* glyph = code < FontCodeCount ? font[code] : nullptr;
  return glyph ? glyph : font[' '];
}

void DrawSmallText(int x, int y, uint8_t r, uint8_t g, uint8_t b) {
  int pen = x;
  for (const char* c = TextLine; *c; ++c) {
    const char* glyph = GlyphOf(SmallFont, *c);
    const int width = glyph[0] - '0';
    for (int i = 1; i < SmallGlyphRowCount; ++i)
      for (int j = 0; j < width; ++j)
        if (glyph[i * SmallGlyphRowLength + j] != '0') PlotPixel(pen + j, y + 2 - i, r, g, b);
    pen += width + 1;
  }
}

void DrawLargeText(int x, int y, uint8_t r, uint8_t g, uint8_t b) {
  int pen = x;
  for (const char* c = TextLine; *c; ++c) {
    const char* glyph = GlyphOf(LargeFont, *c);
    for (int i = 1; i < LargeGlyphRowCount; ++i)
      for (int j = 0; j < LargeGlyphColumns; ++j)
        if (glyph[i * LargeGlyphRowLength + j] != '0') PlotPixel(pen + j, y - i, r, g, b);
    pen += LargeAdvance;
  }
}
