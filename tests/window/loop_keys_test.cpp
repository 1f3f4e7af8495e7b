// The keys the loop applies after each presented frame, fed through
// KeyState the way the event handler sets them.
#include <gtest/gtest.h>

#include <vector>

#include "loop/input.h"
#include "loop/main_loop.h"
#include "loop/host.h"
#include "world/world.h"

namespace {

std::vector<int> Sleeps;

class LoopKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInput();
    ResetWorldGlobals();
    Sleeps.clear();
    Host.sleep_ms = [](int milliseconds) { Sleeps.push_back(milliseconds); };
  }
  void TearDown() override { UseHeadlessHost(0); }

  static void Pass(std::initializer_list<int> held) {
    ResetInput();
    for (int key : held) KeyState[key] = 1;
    ApplyLoopKeys();
  }
};

TEST_F(LoopKeys, ZoomStepsOnEveryPassWithoutLimitOrPause) {
  const float start = CameraZoom;
  for (int i = 0; i < 3; ++i) Pass({KeyPageUp});
  EXPECT_EQ(CameraZoom, start - 0.12f - 0.12f - 0.12f);
  Pass({KeyPageDown});
  EXPECT_EQ(CameraZoom, start - 0.12f - 0.12f - 0.12f + 0.12f);
  EXPECT_TRUE(Sleeps.empty());
}

TEST_F(LoopKeys, ShiftArrowsTiltAndTurnWithoutScrolling) {
  const float tilt = CameraTilt, turn = CameraTurn;
  const int sx = map_sx, sy = map_sy;
  Pass({KeyShift, KeyUp, KeyRight});
  EXPECT_EQ(CameraTilt, tilt - 0.5f);
  EXPECT_EQ(CameraTurn, turn + 0.5f);
  Pass({KeyShift, KeyDown, KeyLeft});
  EXPECT_EQ(CameraTilt, tilt);
  EXPECT_EQ(CameraTurn, turn);
  EXPECT_EQ(map_sx, sx);
  EXPECT_EQ(map_sy, sy);
  EXPECT_TRUE(Sleeps.empty());
}

TEST_F(LoopKeys, ArrowsScrollWithOnePausePerHeldDirection) {
  const float tilt = CameraTilt;
  const int sx = map_sx, sy = map_sy;
  Pass({KeyRight, KeyUp});
  EXPECT_EQ(map_sx, sx + 1);
  EXPECT_EQ(map_sy, sy + 1);
  EXPECT_EQ(Sleeps, (std::vector<int>{100, 100}));
  Pass({KeyLeft, KeyDown});
  EXPECT_EQ(map_sx, sx);
  EXPECT_EQ(map_sy, sy);
  EXPECT_EQ(CameraTilt, tilt);
}

TEST_F(LoopKeys, EFlipsTheSpareToggleAndPauses) {
  const int before = SpareToggle;
  Pass({KeyE});
  EXPECT_NE(SpareToggle, before);
  Pass({KeyE});
  EXPECT_EQ(SpareToggle, before);
  EXPECT_EQ(Sleeps, (std::vector<int>{500, 500}));
}

}  // namespace
