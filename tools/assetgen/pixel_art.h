// Pixel art kept as text: a palette of "X = R G B" lines, then one text row
// per picture row, one character per pixel. '#' starts a comment line; '.'
// and ' ' are always black, the colour the game leaves out; no palette colour
// may be pure black, so a figure never gets accidental holes.
#pragma once

#include <string>

#include "image.h"

struct PixelArt {
  Image image;
  std::string error;  // "file:line: what is wrong", empty when the art is usable
};

PixelArt ParsePixelArt(const std::string& text, const std::string& source_name);
PixelArt ReadPixelArt(const std::string& path);
