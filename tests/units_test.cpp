#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "overlay_fixture.h"
#include "pictures/image_slots.h"
#include "render/render_buffers.h"
#include "render/units.h"
#include "rules_test_support.h"
#include "world/world.h"

namespace {

class UnitsTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    for (int id = 0; id < UnitCount; ++id) UnitTable[id] = UnitRecord{};
    // Park every entry far from the centre; tests place the ones they need.
    for (int id = 0; id < UnitCount; ++id) UnitTable[id].cell_x = UnitTable[id].cell_y = 1000;
    map_sx = map_sy = 32;
  }

  static void Place(int id, int x, int y) {
    UnitTable[id].cell_x = static_cast<uint16_t>(x);
    UnitTable[id].cell_y = static_cast<uint16_t>(y);
  }
  static std::vector<int> Visible() {
    CollectVisibleUnits();
    return std::vector<int>(VisibleUnits.get(), VisibleUnits.get() + VisibleUnitCount);
  }
};

TEST_F(UnitsTest, UnitsCloserThanTwentyStepsAreListedInIdOrder) {
  Place(3, 13, 32);       // 19 columns left
  Place(4, 12, 32);       // 20: out
  Place(7, 42, 23);       // 10 + 9
  Place(8, 42, 22);       // 10 + 10: out
  Place(9, 32, 32);       // the centre itself, free entry: listed all the same
  Place(200, 31, 50);     // 1 + 18
  Place(201, 0, 0);       // widened before subtracting: 64, not a wrapped 16-bit value
  EXPECT_EQ(Visible(), (std::vector<int>{3, 7, 9, 200}));

  map_sx = 100;  // scrolled off the map: 13 is now 87 columns away
  EXPECT_EQ(Visible(), std::vector<int>{});
}

TEST_F(UnitsTest, VisibleListStopsAt255Units) {
  for (int id = 0; id < UnitCount; ++id) Place(id, 32, 32);
  const std::vector<int> visible = Visible();
  ASSERT_EQ(visible.size(), 255u);
  EXPECT_EQ(visible.front(), 0);
  EXPECT_EQ(visible.back(), 254);
}

TEST_F(UnitsTest, CorpsesUseTheBloodPictureAndLieJustAboveTheGround) {
  UnitRecord unit{};
  unit.type = 33;
  EXPECT_EQ(UnitPictureSlot(unit), 33);
  unit.dead = 1;
  EXPECT_EQ(UnitPictureSlot(unit), 9);

  Place(5, 40, 30);
  const ScenePoint centre = UnitAnchorOffset(UnitTable[5]);
  EXPECT_EQ(centre.x, 8.5f);
  EXPECT_EQ(centre.y, -1.5f);
  EXPECT_EQ(centre.z, UnitSize / 2);
  // A corpse's plane sits at UnitSize * (1/2 - 1/2.1).
  for (float size : {0.96f, 1.5999999f, 3.1999998f}) {
    const float lying = size / 2 - CorpseDrop(size);
    EXPECT_NEAR(lying, size * (0.5 - 1 / 2.1), 1e-6) << size;
    EXPECT_GT(lying, 0.0f);
  }
  UnitSize = 3.1999998f;  // F4: the centre rises to 1.6
  EXPECT_FLOAT_EQ(UnitAnchorOffset(UnitTable[5]).z, 1.6f);
}

TEST_F(UnitsTest, SquaresCoverOneUnitSizeOffCentreForEvenWidths) {
  const float size = 1.6f;
  for (int n : {4, 5, 16, 32}) {
    const float h = SquareHalfEdge(size, n);
    const float low = SquareOffset(0, n, size) - h;
    const float high = SquareOffset(n - 1, n, size) + h;
    EXPECT_FLOAT_EQ(high - low, size) << n;
    // Odd widths are centred; even widths shift half a square toward the first column.
    const float shift = n % 2 ? 0.0f : -h;
    EXPECT_NEAR(low, -size / 2 + shift, 1e-6) << n;
    for (int k = 1; k < n; ++k) EXPECT_NEAR(SquareOffset(k, n, size) - SquareOffset(k - 1, n, size), 2 * h, 1e-6);
  }
  EXPECT_EQ(SquareOffset(2, 4, size), 0.0f);
}

TEST_F(UnitsTest, SpritesReadOnlyPicturesThatExist) {
  EXPECT_EQ(SpritePictureOf(30).n, 0);  // no slot table at all
  AllocateTextureSlots();
  MakePicture(30, 8, {{0, 0, 0, 255}});
  MakePicture(31, 8, {{0, 0, 0, 255}}, 4);  // stored shorter than wide
  MakePicture(32, 4, {{0, 0, 0, 255}}, 8);
  for (auto [slot, n, rows] :
       {std::tuple{30, 8, 8}, {31, 8, 4}, {32, 4, 4}, {33, 0, 0}, {-1, 0, 0}, {TextureSlotCount, 0, 0}, {65535, 0, 0}}) {
    EXPECT_EQ(SpritePictureOf(slot).n, n) << slot;
    EXPECT_EQ(SpritePictureOf(slot).rows, rows) << slot;
  }
}

TEST_F(UnitsTest, AnchorTruncatesTowardZeroAndStaysFinite) {
  struct Case {
    float wx, wy;
    int x, y;
  } cases[] = {
      {12.9f, 479.99f, 12, 479},
      {-3.7f, -0.5f, -3, 0},
      {std::numeric_limits<float>::infinity(), -1e30f, 10000, -10000},
      {std::numeric_limits<float>::quiet_NaN(), 7.0f, 0, 7},
  };
  for (const Case& c : cases) {
    const WindowPoint p = LabelAnchor(c.wx, c.wy);
    EXPECT_EQ(p.x, c.x) << c.wx;
    EXPECT_EQ(p.y, c.y) << c.wy;
  }
}

UnitRecord Creature(int owner, float hp, float hp_max) {
  UnitRecord unit{};
  unit.in_use = 1;
  unit.owner = owner;
  unit.type = 36;
  unit.hp = hp;
  unit.hp_max = hp_max;
  return unit;
}

TEST_F(UnitsTest, LabelsSitAroundTheAnchorWithTheGamesTexts) {
  UnitLabels labels;
  PlanUnitLabels(42, Creature(2, 30, 30), {100, 200}, labels);
  EXPECT_STREQ(labels.id.text, "42");
  EXPECT_EQ(labels.id.x, 100);
  EXPECT_EQ(labels.id.y, 200);
  EXPECT_STREQ(labels.hit_points.text, "HP30/30");
  EXPECT_EQ(labels.hit_points.x, 95);
  EXPECT_EQ(labels.hit_points.y, 215);
  EXPECT_FALSE(labels.has_mine_gold);
  const LabelLine& mark = labels.owner_mark;
  EXPECT_TRUE(labels.has_owner_mark);
  EXPECT_EQ((std::vector<int>{mark.x0, mark.y0, mark.x1, mark.y1}), (std::vector<int>{90, 200, 90, 180}));

  // Hit points print with no decimals, padded to two places.
  struct Text {
    float hp, hp_max;
    const char* text;
  } texts[] = {{5.5f, 30, "HP 6/30"}, {0, 20, "HP 0/20"}, {119.75f, 120, "HP120/120"}, {4.4f, 8, "HP 4/ 8"}};
  for (const Text& t : texts) {
    PlanUnitLabels(0, Creature(0, t.hp, t.hp_max), {0, 0}, labels);
    EXPECT_STREQ(labels.hit_points.text, t.text);
  }

  UnitRecord mine = Creature(2, 120, 120);
  mine.type = TypeMine;
  for (auto [gold, text] : {std::pair{120.0f, "Mine Gold : 120.00"}, std::pair{7.5f, "Mine Gold : 7.50"}}) {
    mine.gold = gold;
    PlanUnitLabels(77, mine, {300, 40}, labels);
    EXPECT_TRUE(labels.has_mine_gold);
    EXPECT_STREQ(labels.mine_gold.text, text);
    EXPECT_EQ(labels.mine_gold.x, 270);
    EXPECT_EQ(labels.mine_gold.y, 10);
  }
}

TEST_F(UnitsTest, OwnerMarkColourFollowsTheEmpire) {
  UnitLabels labels;
  const int expected[3][3] = {{0, 0, 255}, {255, 0, 0}, {0, 255, 0}};
  for (int owner = 0; owner < 3; ++owner) {
    PlanUnitLabels(1, Creature(owner, 1, 1), {50, 50}, labels);
    ASSERT_TRUE(labels.has_owner_mark);
    const Rgb c = labels.owner_mark.colour;
    EXPECT_EQ((std::vector<int>{c.r, c.g, c.b}), (std::vector<int>(expected[owner], expected[owner] + 3)));
  }
  for (int owner : {3, -1}) {
    PlanUnitLabels(1, Creature(owner, 1, 1), {50, 50}, labels);
    EXPECT_FALSE(labels.has_owner_mark) << owner;
  }
}

TEST_F(UnitsTest, HealthBarFillsInProportionTruncatedTowardZero) {
  UnitLabels labels;
  PlanUnitLabels(1, Creature(0, 0, 20), {100, 100}, labels);
  EXPECT_FALSE(labels.has_bar_fill);  // only red
  EXPECT_EQ((std::vector<int>{labels.bar_back.x0, labels.bar_back.y0, labels.bar_back.x1, labels.bar_back.y1}),
            (std::vector<int>{100, 116, 114, 116}));
  EXPECT_EQ(labels.bar_back.colour.r, 255);

  struct Case {
    int sx;
    float hp, hp_max;
    int end;
  } cases[] = {
      {100, 20, 20, 114},  // full: covers the red bar exactly
      {100, 10, 20, 107},
      {100, 1, 3, 104},    // 4.67
      {-10, 1, 3, -5},     // -5.33 truncates toward zero
      {100, 40, 20, 128},  // not clamped to the bar
      {100, 5, 0, 20000},  // no maximum: held far outside the window
      {600, 1e30f, 1, 20000},
      {-600, 1e30f, -1, -20000},
  };
  for (const Case& c : cases) {
    PlanUnitLabels(1, Creature(0, c.hp, c.hp_max), {c.sx, 100}, labels);
    ASSERT_TRUE(labels.has_bar_fill) << c.hp << "/" << c.hp_max;
    EXPECT_EQ(labels.bar_fill.x0, c.sx);
    EXPECT_EQ(labels.bar_fill.x1, c.end) << c.hp << "/" << c.hp_max;
    EXPECT_EQ(labels.bar_fill.y1, 116);
    EXPECT_EQ(labels.bar_fill.colour.g, 255);
  }
}

// --- The labels as they land in the overlay. ---

bool InkIn(int x0, int y0, int x1, int y1, Rgba colour) {
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x)
      if (OverlayPixel(x, y) == colour) return true;
  return false;
}

constexpr Rgba White{255, 255, 255, 255}, Red{255, 0, 0, 255}, Green{0, 255, 0, 255}, Blue{0, 0, 255, 255};

TEST_F(UnitsTest, LabelsLandAroundTheAnchorInTheOverlay) {
  const int sx = 200, sy = 300;
  UnitLabels labels;
  struct Case {
    float hp;
    int green;  // bar pixels from sx that are green
  } cases[] = {{30, 15}, {0, 0}, {15, 8}};
  for (const Case& c : cases) {
    std::fill_n(OverlayBuffer.get(), FrameWidth * FrameHeight * 4, 0);
    PlanUnitLabels(7, Creature(0, c.hp, 30), {sx, sy}, labels);
    DrawUnitLabels(labels);
    for (int x = sx; x <= sx + 14; ++x) EXPECT_EQ(OverlayPixel(x, sy + 16), x < sx + c.green ? Green : Red) << x;
    EXPECT_EQ(OverlayPixel(sx + 15, sy + 16)[3], 0);
    for (int y = sy - 20; y <= sy; ++y) EXPECT_EQ(OverlayPixel(sx - 10, y), Blue) << y;
    EXPECT_TRUE(InkIn(sx, sy - 7, sx + 4, sy + 1, White)) << "id";
    EXPECT_TRUE(InkIn(sx - 5, sy + 8, sx + 40, sy + 16, White)) << "hit points";
    EXPECT_FALSE(InkIn(sx - 30, sy - 37, sx + 60, sy - 29, White)) << "no gold label";
  }
  UnitRecord mine = Creature(2, 120, 120);
  mine.type = TypeMine;
  mine.gold = 80;
  PlanUnitLabels(80, mine, {sx, sy}, labels);
  DrawUnitLabels(labels);
  EXPECT_TRUE(InkIn(sx - 30, sy - 37, sx + 60, sy - 29, White)) << "gold label";
  EXPECT_EQ(OverlayPixel(sx - 10, sy - 20), Green);
}

}  // namespace
