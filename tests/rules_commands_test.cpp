#include "rules/commands.h"
#include "rules/computer.h"
#include "loop/frame.h"
#include "rules/frame_rules.h"
#include "rules_test_support.h"
#include "world/random.h"

namespace {

using Pointer = RulesTest;
using Commands = RulesTest;

int DxAt(int x) {
  MouseState.x = x;
  return MouseCell().dx;
}
int DyAt(int y) {
  MouseState.y = y;
  return MouseCell().dy;
}

TEST_F(Pointer, MouseCellMapsPixelsInSinglePrecision) {
  // Edge pixels of the columns: the centre column is 31 pixels wide, the others 16.
  for (auto [x, dx] : {std::pair{0, -20}, {1, -19}, {16, -19}, {17, -18}, {304, -1}, {305, 0}, {335, 0}, {336, 1},
                       {639, 19}})
    EXPECT_EQ(DxAt(x), dx) << x;
  EXPECT_EQ(DyAt(0), 20);
  EXPECT_EQ(DyAt(479), -19);
}

TEST_F(Pointer, MouseCellIsRelativeToTheViewCentre) {
  map_sx = 100;
  map_sy = -7;
  MouseState = {320, 240, 0, 0, 0};
  const CellOffset offset = MouseCell();
  EXPECT_EQ(offset.dx, 0);
  EXPECT_EQ(offset.dy, 0);
  EXPECT_EQ(map_ex, 100);
  EXPECT_EQ(map_ey, -7);
  MouseState = {65535, 65535, 0, 0, 0};  // far outside the window: still a plain offset
  MouseCell();
  EXPECT_EQ(map_ex, 100 + 4075);
  EXPECT_EQ(map_ey, -7 - 5441);
}

TEST_F(Pointer, SpaceSpinsTheCameraFromThePointerAndKeepsTheLastValue) {
  MouseState.x = 320;
  SpinFromPointer();
  EXPECT_EQ(CameraSpin, 0.0f) << "only while Space is held";
  KeyState[KeySpace] = 1;
  SpinFromPointer();
  EXPECT_EQ(CameraSpin, 180.0f);
  MouseState.x = 1;
  SpinFromPointer();
  EXPECT_EQ(CameraSpin, 1.0f / 640.0f * 360.0f);
  KeyState[KeySpace] = 0;
  MouseState.x = 600;
  SpinFromPointer();
  EXPECT_EQ(CameraSpin, 1.0f / 640.0f * 360.0f);
}

// Points the mouse cell at (x, y) with the view centre there.
void PointAt(int x, int y) {
  map_sx = x;
  map_sy = y;
  MouseState.x = 320;
  MouseState.y = 240;
  MouseCell();
}

TEST_F(Commands, HoldingLeftRecruitsUntilWonThenSelects) {
  KeepOnlyLeaders();
  Place(20, EmpireNeutral, 10, 10, 41);  // odds 1 in 6
  PointAt(10, 10);
  MouseState.left = 1;
  int frames = 0;
  while (UnitTable[20].owner == EmpireNeutral && frames < 200) {
    LeftButtonCommand();
    ++frames;
  }
  EXPECT_EQ(UnitTable[20].owner, EmpirePlayer);
  EXPECT_EQ(selected_unit, 20);
  EXPECT_EQ(TreasuryOf(EmpirePlayer), 1000.0f - 10.0f * frames);
  LeftButtonCommand();
  EXPECT_EQ(TreasuryOf(EmpirePlayer), 1000.0f - 10.0f * frames) << "an own unit costs nothing";
}

TEST_F(Commands, LeftButtonNeedsTenGoldSkipsCorpsesAndSelectsTheHighestPlayerEntry) {
  KeepOnlyLeaders();
  PlaceMine(20, EmpireNeutral, 10, 10, 600.0f);
  Place(21, EmpireNeutral, 10, 10).dead = 1;
  Place(24, EmpirePlayer, 10, 10);
  Place(25, EmpirePlayer, 10, 10);
  Place(26, EmpirePlayer, 10, 10).dead = 1;
  Place(30, EmpirePlayer, 11, 10);
  PointAt(10, 10);
  MouseState.left = 1;
  TreasuryOf(EmpirePlayer) = 30.0f;
  const int odds = KindNumbers(TypeMine).recruit_odds;
  AdvanceUntil({odds, odds, odds}, [](const std::vector<int>& d) { return d[0] != 1 && d[1] != 1 && d[2] != 1; });
  for (int i = 0; i < 10; ++i) LeftButtonCommand();
  EXPECT_EQ(UnitTable[20].owner, EmpireNeutral) << "three attempts, all lost";
  EXPECT_EQ(TreasuryOf(EmpirePlayer), 0.0f) << "the last ten gold pay for a try; nothing less does";
  EXPECT_EQ(UnitTable[21].owner, EmpireNeutral) << "corpses are never recruited";
  EXPECT_EQ(selected_unit, 25) << "corpses are never selected";
}

TEST_F(Commands, RightButtonMovesClampedOrAttacksTheHighestComputerEntry) {
  KeepOnlyLeaders();
  Place(20, EmpirePlayer, 10, 10);
  selected_unit = 20;
  MouseState.right = 1;
  PointAt(-5, 70);
  RightButtonCommand();
  EXPECT_EQ(UnitTable[20].order, OrderMove);
  EXPECT_EQ(UnitTable[20].goal_x, 0);
  EXPECT_EQ(UnitTable[20].goal_y, 63);

  Place(30, EmpireComputer, 15, 16);
  Place(31, EmpireComputer, 15, 16);
  Place(32, EmpireComputer, 15, 16).dead = 1;
  Place(33, EmpireNeutral, 15, 16);
  PointAt(15, 16);
  RightButtonCommand();
  EXPECT_EQ(UnitTable[20].order, OrderAttack);
  EXPECT_EQ(UnitTable[20].target, 31);
  EXPECT_EQ(UnitTable[20].goal_x, 15);
}

TEST_F(Commands, RightButtonOrdersOnlyALivingPlayerUnit) {
  KeepOnlyLeaders();
  MouseState.right = 1;
  PointAt(20, 20);
  RightButtonCommand();  // nothing selected: the leader goes
  EXPECT_EQ(UnitTable[0].order, OrderMove);
  EXPECT_EQ(UnitTable[0].goal_x, 20);

  UnitTable[0].order = OrderNone;
  UnitTable[0].dead = 1;
  RightButtonCommand();
  EXPECT_EQ(UnitTable[0].order, OrderNone);

  Place(20, EmpireNeutral, 5, 5);  // selected once, now neutral after a new game
  selected_unit = 20;
  RightButtonCommand();
  EXPECT_EQ(UnitTable[20].order, OrderNone);

  for (int bad : {-1, 256, 100000}) {
    selected_unit = bad;  // never reached by the rules; must not index past the table
    RightButtonCommand();
    EXPECT_FALSE(IsCommandableUnit(bad));
  }
}

TEST_F(Commands, FunctionKeysSetSizeAndSpeedWithTheirPauses) {
  for (auto [key, size] : {std::pair{KeyF2, 0.96f}, {KeyF4, 3.1999998f}, {KeyF3, 1.5999999f}}) {
    KeyState[key] = 1;
    FunctionKeyCommands();
    KeyState[key] = 0;
    EXPECT_EQ(UnitSize, size) << "F" << key - KeyF1 + 1;
  }
  EXPECT_EQ(PauseAskedMs, 0);

  // F5 faster, F6 slower (bounded), F7 and F8 jump to 3 and 6; every press pauses.
  struct Case {
    VirtualKey key;
    int before, after;
  } cases[] = {{KeyF5, 1, 1}, {KeyF6, 12, 12}, {KeyF6, 4, 5}, {KeyF7, 4, 3}, {KeyF8, 4, 6}};
  for (const Case& c : cases) {
    GameSpeed = c.before;
    KeyState[c.key] = 1;
    FunctionKeyCommands();
    KeyState[c.key] = 0;
    EXPECT_EQ(GameSpeed, c.after) << "F" << c.key - KeyF1 + 1 << " from " << c.before;
  }
  EXPECT_EQ(PauseAskedMs, 5 * 500);
}

TEST_F(Commands, F1StartsANewGameInTheMiddleOfTheFrame) {
  FrameCounter = 29;  // the frame about to run would be a victory and economy frame
  KeepOnlyLeaders();
  UnitTable[1].dead = 1;
  KeyState[KeyF1] = 1;
  RunFrame();
  EXPECT_EQ(FrameCounter, 0);
  EXPECT_EQ(VictoryPlayer, 0) << "the check is not due at frame 0";
  EXPECT_EQ(UnitTable[1].dead, 0);
  EXPECT_EQ(TreasuryOf(EmpireComputer), 1000.0f);
  int in_use = 0;
  for (int i = 0; i < UnitCount; ++i) in_use += UnitTable[i].in_use;
  EXPECT_EQ(in_use, 85);
}

TEST_F(Commands, ViewJumpsGoToTheFirstLivingUnitOfEachSideDuringTheCount) {
  KeepOnlyLeaders();
  UnitTable[0].dead = 1;
  PlaceMine(5, EmpirePlayer, 50, 50, 10.0f);
  Place(6, EmpirePlayer, 40, 41);
  Place(7, EmpirePlayer, 3, 3);
  KeyState[KeyBackspace] = 1;
  VictoryCheck();
  EXPECT_EQ(map_sx, 30);
  EXPECT_EQ(map_sy, 31);
  KeyState[KeyBackspace] = 0;
  KeyState[Key0] = 1;
  VictoryCheck();
  EXPECT_EQ(map_sx, 22);
  EXPECT_EQ(map_sy, 49);

  // Outside a victory-check frame the keys do nothing.
  map_sx = map_sy = 0;
  KeyState[KeyBackspace] = 1;
  FrameCounter = 5;
  RulesSecondHalf();
  EXPECT_EQ(map_sx, 0);
  FrameCounter = 30;
  RulesSecondHalf();  // as RunFrame would run frame 30: not due
  EXPECT_EQ(map_sx, 0);
  FrameCounter = 31;
  RulesSecondHalf();
  EXPECT_EQ(map_sx, 22) << "both keys held: the computer's count jumps last";
}

TEST_F(Commands, HelpKeyFlipsTheHelpPageWithAPause) {
  HelpKey();
  EXPECT_EQ(HelpVisible, 0);
  KeyState[KeyH] = 1;
  HelpKey();
  EXPECT_EQ(HelpVisible, 1);
  HelpKey();
  EXPECT_EQ(HelpVisible, 0);
  EXPECT_EQ(PauseAskedMs, 2 * 400);
}

}  // namespace
