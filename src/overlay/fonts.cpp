// The two built-in bitmap fonts, filed by character code. Their glyphs are
// drawn in font_glyphs.h.
#include "overlay/fonts.h"

#include <array>
#include <cstddef>

#include "overlay/font_glyphs.h"

namespace {

template <std::size_t N>
constexpr std::array<const char*, FontCodeCount> IndexGlyphs(const GlyphEntry (&entries)[N]) {
  std::array<const char*, FontCodeCount> table{};
  for (const GlyphEntry& entry : entries) table[static_cast<unsigned char>(entry.code)] = entry.rows;
  return table;
}

}  // namespace

const std::array<const char*, FontCodeCount> SmallFont = IndexGlyphs(SmallGlyphs);
const std::array<const char*, FontCodeCount> LargeFont = IndexGlyphs(LargeGlyphs);
