#include "pixel_art.h"

#include <array>
#include <fstream>
#include <optional>
#include <sstream>

namespace {

// "X = R G B" with each component 0..255.
std::optional<std::pair<char, Rgb>> ParsePaletteLine(const std::string& line) {
  if (line.size() < 4 || line[1] != ' ' || line[2] != '=' || line[3] != ' ') return std::nullopt;
  std::istringstream in(line.substr(4));
  int r, g, b;
  std::string rest;
  if (!(in >> r >> g >> b) || (in >> rest)) return std::nullopt;
  if (r < 0 || g < 0 || b < 0 || r > 255 || g > 255 || b > 255) return std::nullopt;
  return std::pair{line[0], Rgb{uint8_t(r), uint8_t(g), uint8_t(b)}};
}

bool LooksLikePaletteLine(const std::string& line) { return line.size() >= 3 && line[1] == ' ' && line[2] == '='; }

}  // namespace

PixelArt ParsePixelArt(const std::string& text, const std::string& source_name) {
  std::array<std::optional<Rgb>, 256> palette{};
  palette['.'] = palette[' '] = Transparent;
  std::vector<std::string> rows;
  std::istringstream in(text);
  std::string line;
  auto fail = [&](int line_no, const std::string& what) {
    return PixelArt{{}, source_name + ":" + std::to_string(line_no) + ": " + what};
  };
  for (int line_no = 1; std::getline(in, line); ++line_no) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (LooksLikePaletteLine(line)) {
      auto entry = ParsePaletteLine(line);
      if (!entry) return fail(line_no, "palette lines read \"X = R G B\" with components 0 to 255");
      if (!rows.empty()) return fail(line_no, "palette lines must come before the picture rows");
      if (entry->second == Transparent)
        return fail(line_no, "0 0 0 is the see-through colour: use '.' for background and a near-black "
                             "such as 16 16 16 inside a figure");
      palette[uint8_t(entry->first)] = entry->second;
      continue;
    }
    if (!rows.empty() && line.size() != rows.front().size())
      return fail(line_no, "row is " + std::to_string(line.size()) + " pixels wide, the first row " +
                               std::to_string(rows.front().size()));
    for (size_t col = 0; col < line.size(); ++col)
      if (!palette[uint8_t(line[col])])
        return fail(line_no, std::string("character '") + line[col] + "' in column " + std::to_string(col + 1) +
                                 " has no palette colour");
    rows.push_back(line);
  }
  if (rows.empty()) return fail(0, "no picture rows");

  PixelArt art{Image(int(rows.front().size()), int(rows.size())), {}};
  for (int y = 0; y < art.image.height; ++y)
    for (int x = 0; x < art.image.width; ++x) art.image.at(x, y) = *palette[uint8_t(rows[y][x])];
  return art;
}

PixelArt ReadPixelArt(const std::string& path) {
  std::ifstream file(path);
  if (!file) return PixelArt{{}, path + ": cannot open"};
  std::stringstream text;
  text << file.rdbuf();
  return ParsePixelArt(text.str(), path);
}
