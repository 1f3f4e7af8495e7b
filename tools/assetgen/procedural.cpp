#include "procedural.h"

#include <algorithm>
#include <cmath>

#include "overlay/fonts.h"
#include "overlay/hud.h"

namespace {

// A well-mixed 32-bit hash, so texture noise needs no generator state.
uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed) {
  uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

// -1..1
float Noise(int x, int y, uint32_t seed) { return float(Hash(uint32_t(x), uint32_t(y), seed) & 0xFFFF) / 32767.5f - 1.0f; }

// Smooth noise on a grid of `cell` pixels, wrapping at `side` so textures tile.
float ValueNoise(int x, int y, int cell, int side, uint32_t seed) {
  const int cells = side / cell;
  const int cx = x / cell, cy = y / cell;
  const float fx = float(x % cell) / float(cell), fy = float(y % cell) / float(cell);
  auto corner = [&](int i, int j) { return Noise((cx + i) % cells, (cy + j) % cells, seed); };
  auto smooth = [](float t) { return t * t * (3 - 2 * t); };
  const float sx = smooth(fx), sy = smooth(fy);
  const float top = corner(0, 0) + (corner(1, 0) - corner(0, 0)) * sx;
  const float bottom = corner(0, 1) + (corner(1, 1) - corner(0, 1)) * sx;
  return top + (bottom - top) * sy;
}

uint8_t Clamp8(float v) { return uint8_t(std::clamp(std::lround(v), 0L, 255L)); }

// Floors are never pure black: a black texel would read as a hole.
Rgb Shade(float r, float g, float b) { return {Clamp8(std::max(r, 8.f)), Clamp8(std::max(g, 8.f)), Clamp8(std::max(b, 8.f))}; }

}  // namespace

Image BrickFloor() {
  constexpr int BrickW = 16, BrickH = 8;
  Image img(FloorSide, FloorSide);
  for (int y = 0; y < FloorSide; ++y) {
    const int course = y / BrickH, by = y % BrickH;
    const int shift = (course % 2) * (BrickW / 2);
    for (int x = 0; x < FloorSide; ++x) {
      const int sx = (x + shift) % FloorSide;
      const int brick = sx / BrickW, bx = sx % BrickW;
      const float grain = Noise(x, y, 1) * 10 + ValueNoise(x, y, 8, FloorSide, 2) * 14;
      if (bx == 0 || by == 0) {  // mortar joint
        img.at(x, y) = Shade(92 + grain, 86 + grain, 74 + grain);
        continue;
      }
      const uint32_t id = Hash(uint32_t(brick), uint32_t(course), 3);
      // Each brick has its own fired colour; some are soot-darkened with age.
      float r = 128 + float(id % 36), g = 58 + float((id >> 8) % 16), b = 42 + float((id >> 16) % 12);
      if ((id >> 24) % 5 == 0) r -= 35, g -= 18, b -= 12;
      // A bevel: lit upper-left edge, shaded lower-right edge.
      float light = (bx == 1 || by == 1) ? 18.f : (bx == BrickW - 1 || by == BrickH - 1) ? -22.f : 0.f;
      // Chipped corners and pits let the mortar show through.
      const bool chipped = (Hash(uint32_t(x), uint32_t(y), 4) % 23 == 0) && (bx <= 2 || by <= 2 || bx >= BrickW - 2);
      if (chipped) {
        img.at(x, y) = Shade(70 + grain, 64 + grain, 56 + grain);
        continue;
      }
      const float wear = ValueNoise(x, y, 4, FloorSide, 5) * 12;
      img.at(x, y) = Shade(r + grain + light + wear, g + grain * 0.6f + light * 0.7f + wear * 0.5f, b + grain * 0.5f + light * 0.6f);
    }
  }
  return img;
}

Image GrassFloor() {
  Image img(FloorSide, FloorSide);
  for (int y = 0; y < FloorSide; ++y)
    for (int x = 0; x < FloorSide; ++x) {
      const float patch = ValueNoise(x, y, 16, FloorSide, 11) * 18 + ValueNoise(x, y, 8, FloorSide, 12) * 8;
      const float grain = Noise(x, y, 13) * 9;
      img.at(x, y) = Shade(58 + patch * 0.6f + grain * 0.5f, 118 + patch + grain, 38 + patch * 0.3f);
    }
  // Blades: short upright strokes, lighter tip, wrapping at the edges.
  for (int n = 0; n < 220; ++n) {
    const uint32_t h = Hash(uint32_t(n), 0, 14);
    const int x = int(h % FloorSide), y = int((h >> 8) % FloorSide), len = 2 + int((h >> 16) % 3);
    const bool light = (h >> 20) % 3 != 0;
    for (int k = 0; k < len; ++k) {
      Rgb& p = img.at(x, (y - k + FloorSide) % FloorSide);
      const float lift = light ? 22.f + 6.f * float(k) : -26.f;
      p = Shade(p.r + lift * 0.6f, p.g + lift, p.b + lift * 0.3f);
    }
  }
  // A few small flowers.
  const Rgb petals[] = {{236, 226, 96}, {240, 240, 232}, {210, 120, 200}};
  for (int n = 0; n < 6; ++n) {
    const uint32_t h = Hash(uint32_t(n), 1, 15);
    const int x = int(h % FloorSide), y = int((h >> 8) % FloorSide);
    const Rgb petal = petals[(h >> 16) % 3];
    const int dx[] = {0, 1, -1, 0, 0}, dy[] = {0, 0, 0, 1, -1};
    for (int k = 1; k < 5; ++k) img.at((x + dx[k] + FloorSide) % FloorSide, (y + dy[k] + FloorSide) % FloorSide) = petal;
    img.at(x, y) = {200, 140, 40};
  }
  return img;
}

Image Scale(const Image& image, int factor) {
  Image out(image.width * factor, image.height * factor);
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) out.at(x, y) = image.at(x / factor, y / factor);
  return out;
}

namespace {

// The box round a picture's non-black pixels, edges included; right is -1
// for a blank picture.
struct Bounds {
  int left, top, right, bottom;
};

Bounds FigureBounds(const Image& image) {
  Bounds b{image.width, image.height, -1, -1};
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      if (image.at(x, y) != Transparent)
        b = {std::min(b.left, x), std::min(b.top, y), std::max(b.right, x), std::max(b.bottom, y)};
  return b;
}

}  // namespace

Image Icon(const Image& emblem, int side) {
  // Only the figure is enlarged: blank margins would only shrink it.
  const auto [left, top, right, bottom] = FigureBounds(emblem);
  Image icon(side, side);
  if (right < 0) return icon;
  const int w = right - left + 1, h = bottom - top + 1, longer = std::max(w, h);
  const int out_w = w * side / longer, out_h = h * side / longer;
  const int x0 = (side - out_w) / 2, y0 = (side - out_h) / 2;
  // Each icon pixel takes the emblem pixel under its centre.
  auto source = [&](int i) { return (2 * i + 1) * longer / (2 * side); };
  for (int y = 0; y < out_h; ++y)
    for (int x = 0; x < out_w; ++x) icon.at(x0 + x, y0 + y) = emblem.at(left + source(x), top + source(y));
  return icon;
}

namespace {

constexpr Rgb Outline{16, 16, 16};
constexpr int WordScale = 4, EmblemScale = 3, WordShadow = 3;

bool Ink(const Image& mask, int x, int y) { return mask.contains(x, y) && mask.at(x, y) != Transparent; }

// Gold from a bright top to a deep bottom, with a lighter band where the
// letters catch the light, so they read as raised metal.
Rgb GoldAt(float t) {
  const float band = std::exp(-std::pow((t - 0.28f) / 0.12f, 2.f)) * 40.f;
  return Shade(255 - 40 * t + band * 0.2f, 226 - 120 * t + band, 96 - 70 * t + band * 0.8f);
}

// The word scaled up, gold-filled, with a one-pixel outline and a drop shadow.
void PaintWord(Image& canvas, const Image& word, int left, int top) {
  const Image ink = Scale(word, WordScale);
  const int h = ink.height;
  auto put = [&](int x, int y, Rgb c) {
    if (canvas.contains(left + x, top + y)) canvas.at(left + x, top + y) = c;
  };
  for (int y = -1; y <= h + WordShadow; ++y)
    for (int x = -1; x <= ink.width + WordShadow; ++x)
      if (!Ink(ink, x, y) && Ink(ink, x - WordShadow, y - WordShadow)) put(x, y, {70, 24, 12});
  for (int y = -1; y <= h; ++y)
    for (int x = -1; x <= ink.width; ++x) {
      if (Ink(ink, x, y)) {
        Rgb c = GoldAt(float(y) / float(h - 1));
        if (!Ink(ink, x - 1, y - 1)) c = {255, 248, 200};  // lit upper-left rim
        put(x, y, c);
      } else if (Ink(ink, x - 1, y) || Ink(ink, x + 1, y) || Ink(ink, x, y - 1) || Ink(ink, x, y + 1)) {
        put(x, y, Outline);
      }
    }
}

// A thin gold rule with a diamond in the middle.
void PaintRule(Image& canvas, int y, int half_width) {
  const int cx = canvas.width / 2;
  for (int x = cx - half_width; x <= cx + half_width; ++x) {
    canvas.at(x, y - 1) = Outline;
    canvas.at(x, y) = GoldAt(0.4f);
    canvas.at(x, y + 1) = Outline;
  }
  for (int d = 0; d <= 6; ++d)
    for (int x = cx - (6 - d); x <= cx + (6 - d); ++x) {
      const Rgb c = (x == cx - (6 - d) || x == cx + (6 - d)) ? Outline : GoldAt(float(d) / 8.f);
      canvas.at(x, y - d) = c;
      canvas.at(x, y + d) = c;
    }
}

// The picture's row, counted from its top, that lands on overlay row y
// (counted up from the bottom) when the HUD blits it.
constexpr int PictureRow(int y) { return IntroPictureY + TitleSide - 1 - y; }

// A finished game draws its outcome and the new-game prompt and blits this
// picture over them, so the rows of those two lines stay see-through.
constexpr int LargeTextRows = LargeGlyphRowCount - 1;  // a line at y inks rows y - 12 to y - 1
constexpr int OutcomeTopRow = PictureRow(OutcomeY - 1);
constexpr int OutcomeBottomRow = PictureRow(PromptY - LargeTextRows);
// The rows above the HUD's text block carry marks of their own.
constexpr int FirstFreeRow = PictureRow(HudBlockTopY) + 1;

}  // namespace

Image TitlePicture(const Image& emblem, const Image& word) {
  Image canvas(TitleSide, TitleSide);
  const Image big_emblem = Scale(emblem, EmblemScale);
  const Bounds figure = FigureBounds(big_emblem);
  const int word_w = word.width * WordScale, word_h = word.height * WordScale;
  // The emblem under the HUD's free rows, the word a few rows clear of the
  // outcome's, and under the outcome a rule that underlines it.
  const int margin = 6;
  const int word_top = OutcomeTopRow - margin - WordShadow - word_h;
  const int emblem_left = (TitleSide - big_emblem.width) / 2, emblem_top = FirstFreeRow - figure.top;
  for (int y = 0; y < big_emblem.height; ++y)
    for (int x = 0; x < big_emblem.width; ++x)
      if (canvas.contains(emblem_left + x, emblem_top + y) && big_emblem.at(x, y) != Transparent)
        canvas.at(emblem_left + x, emblem_top + y) = big_emblem.at(x, y);
  PaintWord(canvas, word, (TitleSide - word_w) / 2, word_top);
  PaintRule(canvas, OutcomeBottomRow + 2 * margin, word_w / 2);
  return canvas;
}

std::vector<int16_t> ExplosionSound() {
  constexpr float Seconds = 1.1f, Pi = 3.14159265f;
  const int count = int(Seconds * SoundSampleRate);
  std::vector<float> wave(size_t(count), 0.f);
  uint32_t state = 20061;  // fixed seed: the same crash every build
  float low1 = 0, low2 = 0, phase = 0;
  for (int i = 0; i < count; ++i) {
    const float t = float(i) / SoundSampleRate;
    state = state * 1664525u + 1013904223u;
    const float white = float(state >> 8) / 8388608.f - 1.f;
    // The low-pass closes from a bright crack to a dull rumble.
    const float cutoff = 300.f + 3200.f * std::exp(-t / 0.12f);
    const float a = 1.f - std::exp(-2.f * Pi * cutoff / SoundSampleRate);
    low1 += a * (white - low1);
    low2 += a * (low1 - low2);
    const float attack = std::min(1.f, t / 0.004f);
    const float fade = 1.f - t / Seconds;  // reaches silence exactly at the end
    const float noise = low2 * attack * std::exp(-t / 0.28f) * fade;
    // The thump: a sine falling from 70 Hz to 35 Hz, gone in a few tenths of a second.
    phase += 2.f * Pi * (35.f + 35.f * std::exp(-t / 0.1f)) / SoundSampleRate;
    const float thump = std::sin(phase) * attack * std::exp(-t / 0.16f);
    wave[size_t(i)] = noise * 2.2f + thump * 0.6f;
  }
  float peak = 0;
  for (float v : wave) peak = std::max(peak, std::fabs(v));
  std::vector<int16_t> samples(wave.size());
  for (size_t i = 0; i < wave.size(); ++i) samples[i] = int16_t(std::lround(wave[i] / peak * 0.9f * 32767.f));
  return samples;
}
