#include "render/units.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "overlay/overlay.h"
#include "render/render_buffers.h"

namespace {

constexpr Rgb Red{255, 0, 0};
constexpr Rgb Green{0, 255, 0};
constexpr Rgb Blue{0, 0, 255};
constexpr int BarLength = 14;
constexpr int BarRise = 16;

// A projected point can land arbitrarily far away (or be NaN) when the
// camera is driven into the scene. Every label lies within a few hundred
// pixels of its anchor, so anchors this far out are off-screen either way;
// the clamp only keeps the conversion and the arithmetic after it defined.
constexpr float AnchorLimit = 10000.0f;

int TruncateAnchor(float w) {
  if (std::isnan(w)) return 0;  // as if the projection had failed
  return static_cast<int>(std::clamp(w, -AnchorLimit, AnchorLimit));
}

// The fill is not clamped to the bar's length; only an end far outside the
// window (hp_max 0, absurd hit points) is pulled in, which leaves the visible
// pixels of this horizontal line unchanged and the conversion defined.
constexpr float FillEndLimit = 2 * AnchorLimit;

bool BarFillEnd(int sx, float hp, float hp_max, int& end) {
  const float x = static_cast<float>(sx) + hp * BarLength / hp_max;
  if (std::isnan(x)) return false;
  end = static_cast<int>(std::clamp(x, -FillEndLimit, FillEndLimit));
  return true;
}

void DrawText(const LabelText& label) {
  FormatTextLine("%s", label.text);
  DrawSmallText(label.x, label.y, LabelWhite.r, LabelWhite.g, LabelWhite.b);
}

void DrawLabelLine(const LabelLine& line) {
  DrawLine(line.x0, line.y0, line.x1, line.y1, line.colour.r, line.colour.g, line.colour.b);
}

bool OwnerColour(int owner, Rgb& colour) {
  switch (owner) {
    case EmpirePlayer: colour = Blue; return true;
    case EmpireComputer: colour = Red; return true;
    case EmpireNeutral: colour = Green; return true;
    default: return false;
  }
}

}  // namespace

int CollectVisibleUnits() {
  int count = 0;
  for (int id = 0; id < UnitCount && count < VisibleUnitLimit; ++id) {
    const UnitRecord& unit = UnitTable[id];
    const long long d = std::llabs(static_cast<long long>(unit.cell_x) - map_sx) +
                        std::llabs(static_cast<long long>(unit.cell_y) - map_sy);
    if (d < UnitViewDistance) VisibleUnits[count++] = id;
  }
  VisibleUnitCount = count;
  return count;
}

int UnitPictureSlot(const UnitRecord& unit) { return unit.dead ? CorpseSlot : unit.type; }

ScenePoint UnitAnchorOffset(const UnitRecord& unit) {
  return {static_cast<float>(unit.cell_x - map_sx) + 0.5f, static_cast<float>(unit.cell_y - map_sy) + 0.5f,
          UnitSize / 2.0f};
}

float CorpseDrop(float unitSize) { return static_cast<float>(static_cast<double>(unitSize) / 2.1); }

SpritePicture SpritePictureOf(int slot) {
  if (!TextureSlots || slot < 0 || slot >= TextureSlotCount) return {nullptr, 0, 0};
  const ImageSlot& image = TextureSlots[slot];
  if (!image.pixels || image.width <= 0 || image.height <= 0) return {nullptr, 0, 0};
  // A picture stored shorter than wide has only `height` rows to read.
  return {image.pixels.get(), image.width, std::min(image.width, image.height)};
}

float SquareOffset(int k, int n, float size) { return static_cast<float>(k - n / 2) * size / static_cast<float>(n); }

float SquareHalfEdge(float size, int n) { return size / static_cast<float>(n) / 2.0f; }

WindowPoint LabelAnchor(float wx, float wy) { return {TruncateAnchor(wx), TruncateAnchor(wy)}; }

void PlanUnitLabels(int id, const UnitRecord& unit, WindowPoint anchor, UnitLabels& labels) {
  const int sx = anchor.x, sy = anchor.y;
  labels.id = {sx, sy, {}};
  std::snprintf(labels.id.text, LabelTextSize, "%d", id);

  labels.bar_back = {sx, sy + BarRise, sx + BarLength, sy + BarRise, Red};
  int fillEnd = 0;
  labels.has_bar_fill = unit.hp > 0.0f && BarFillEnd(sx, unit.hp, unit.hp_max, fillEnd);
  labels.bar_fill = {sx, sy + BarRise, fillEnd, sy + BarRise, Green};

  Rgb owner{};
  labels.has_owner_mark = OwnerColour(unit.owner, owner);
  labels.owner_mark = {sx - 10, sy, sx - 10, sy - 20, owner};

  labels.has_mine_gold = unit.type == TypeMine;
  labels.mine_gold = {sx - 30, sy - 30, {}};
  if (labels.has_mine_gold) std::snprintf(labels.mine_gold.text, LabelTextSize, "Mine Gold : %2.2f", unit.gold);

  labels.hit_points = {sx - 5, sy + 15, {}};
  std::snprintf(labels.hit_points.text, LabelTextSize, "HP%2.0f/%2.0f", unit.hp, unit.hp_max);
}

void DrawUnitLabels(const UnitLabels& labels) {
  DrawText(labels.id);
  DrawLabelLine(labels.bar_back);
  if (labels.has_bar_fill) DrawLabelLine(labels.bar_fill);  // over the red
  if (labels.has_owner_mark) DrawLabelLine(labels.owner_mark);
  if (labels.has_mine_gold) DrawText(labels.mine_gold);
  DrawText(labels.hit_points);
}
