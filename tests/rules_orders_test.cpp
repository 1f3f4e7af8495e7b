#include "rules/frame_rules.h"
#include "rules/orders.h"
#include "rules_test_support.h"
#include "world/random.h"

void RulesTest::UpdateGroupNow() { UpdateGroup(); }

namespace {

using Orders = RulesTest;

TEST_F(Orders, EachGroupUpdatesItsOwnEightEntriesAndTheThirtyThirdNone) {
  KeepOnlyLeaders();
  UnitTable[0].in_use = UnitTable[1].in_use = 0;
  // Every entry of the table walks east.
  for (int id = 0; id < UnitCount; ++id) {
    UnitRecord& u = Place(id, EmpirePlayer, 10, 10 + id % 40);
    u.order = OrderMove;
    u.goal_x = 20;
    u.goal_y = u.cell_y;
  }
  for (int frame = 33; frame < 66; ++frame) {
    FrameCounter = frame;
    const auto before = Snapshot();
    UpdateGroup();
    const int group = frame % 33;
    for (int id = 0; id < UnitCount; ++id) {
      const bool updated_yet = id / 8 <= group;
      EXPECT_EQ(UnitTable[id].cell_x, updated_yet ? 11 : 10) << "frame " << frame << " id " << id;
    }
    if (group == 32) {
      EXPECT_TRUE(SameBytes(before)) << "the 33rd group lies past the table";
    }
  }
}

TEST_F(Orders, MoveWalksOneCellPerUpdateToItsGoalClampedOneCellInside) {
  KeepOnlyLeaders();
  struct Case {
    int x, y, goal_x, goal_y, updates, end_x, end_y;
    uint16_t order_after;
  } cases[] = {
      {10, 10, 13, 10, 1, 11, 10, OrderMove},  // one cell per update
      {10, 10, 13, 10, 3, 13, 10, OrderNone},  // ends on the goal
      {10, 10, 10, 10, 1, 10, 10, OrderNone},  // its own cell: cancelled without moving
      {4, 30, 0, 30, 3, 1, 30, OrderNone},     // a border goal is clamped one cell inside
      {0, 0, 5, 5, 1, 2, 2, OrderMove},        // from the corner the search starts inside: a jump
      {0, 0, 1, 1, 1, 0, 0, OrderNone},
  };
  for (const Case& c : cases) {
    UnitRecord& u = Place(20, EmpirePlayer, c.x, c.y);
    u.step_x = 7;
    u.step_y = 8;
    u.order = OrderMove;
    u.goal_x = static_cast<uint16_t>(c.goal_x);
    u.goal_y = static_cast<uint16_t>(c.goal_y);
    for (int i = 0; i < c.updates; ++i) UpdateGroupOf(20);
    SCOPED_TRACE(::testing::Message() << c.x << "," << c.y << " to " << c.goal_x << "," << c.goal_y);
    EXPECT_EQ(u.cell_x, c.end_x);
    EXPECT_EQ(u.cell_y, c.end_y);
    EXPECT_EQ(u.order, c.order_after);
    if (c.x == c.goal_x && c.y == c.goal_y) {
      EXPECT_EQ(u.step_x, 7);
      EXPECT_EQ(u.step_y, 8);
    }
  }
}

TEST_F(Orders, AttackerStopsNextToItsTargetFightsWithinDistanceTwoAndOnItsCell) {
  KeepOnlyLeaders();
  UnitRecord& a = Place(20, EmpirePlayer, 10, 10, 43);
  UnitRecord& t = Place(40, EmpireComputer, 14, 10, 43);
  a.order = OrderAttack;
  a.target = 40;

  UpdateGroupOf(20);  // to (11, 10): distance 3, no blow yet
  EXPECT_EQ(a.cell_x, 11);
  EXPECT_EQ(t.hp, t.hp_max);
  EXPECT_EQ(a.hp, a.hp_max);

  UpdateGroupOf(20);  // to (12, 10): distance 2, the exchange runs
  EXPECT_EQ(a.cell_x, 12);
  EXPECT_EQ(a.order, OrderAttack);
  const float hp_after_first = t.hp;
  EXPECT_LT(t.hp + a.hp, t.hp_max + a.hp_max);

  UpdateGroupOf(20);  // (13, 10) next to the target: stays, fights on
  UpdateGroupOf(20);
  EXPECT_EQ(a.cell_x, 13);
  EXPECT_EQ(a.order, OrderAttack);
  EXPECT_LE(t.hp, hp_after_first);

  // A diagonal neighbour is one step away too, at distance 2.
  t.cell_x = 14;
  t.cell_y = 11;
  uint32_t state = RandomState;
  UpdateGroupOf(20);
  EXPECT_EQ(a.cell_x, 13);
  EXPECT_EQ(a.cell_y, 10);
  EXPECT_NE(RandomState, state) << "the exchange draws";

  // On the target's own cell the order is dropped, but the blows still fall.
  t.cell_x = 13;
  t.cell_y = 10;
  state = RandomState;
  UpdateGroupOf(20);
  EXPECT_EQ(a.order, OrderNone);
  EXPECT_EQ(a.cell_x, 13);
  EXPECT_NE(RandomState, state) << "the exchange draws";
}

TEST_F(Orders, ApproachStopsOneCellFromAClampedBorderTarget) {
  KeepOnlyLeaders();
  UnitRecord& a = Place(20, EmpirePlayer, 5, 5);
  Place(40, EmpireNeutral, 0, 5, TypeMine);
  a.order = OrderGoTo;
  a.target = 40;
  for (int i = 0; i < 5; ++i) UpdateGroupOf(20);
  EXPECT_EQ(a.cell_x, 2);
  EXPECT_EQ(a.order, OrderGoTo);

  a.cell_x = 1;  // the clamped target cell is its own
  UpdateGroupOf(20);
  EXPECT_EQ(a.order, OrderNone);
}

TEST_F(Orders, TargetOutsideTheTableDropsTheOrder) {
  KeepOnlyLeaders();
  for (int16_t bad : {int16_t{-1}, int16_t{256}, int16_t{-32768}}) {
    for (uint16_t order : {uint16_t{OrderAttack}, uint16_t{OrderGoTo}}) {
      UnitRecord& a = Place(20, EmpirePlayer, 5, 5);
      a.order = order;
      a.target = bad;
      UpdateGroupOf(20);
      EXPECT_EQ(a.order, OrderNone);
      EXPECT_EQ(a.cell_x, 5);
    }
  }
}

TEST_F(Orders, MinesAndIdleNeutralsWanderButMinesNeverMove) {
  KeepOnlyLeaders();
  UnitRecord& mine = PlaceMine(8, EmpireNeutral, 20, 20, 600.0f);
  UnitRecord& dead = Place(9, EmpireNeutral, 30, 30);
  dead.dead = 1;
  UnitRecord& busy = Place(10, EmpireNeutral, 40, 40);
  busy.order = OrderGoTo;
  UnitRecord& owned = Place(11, EmpirePlayer, 41, 41);

  FrameCounter = 3000;
  RulesFirstHalf();  // frame 3001: wander is due
  EXPECT_EQ(mine.order, OrderMove);
  EXPECT_EQ(dead.order, OrderMove);
  EXPECT_EQ(busy.order, OrderGoTo);
  EXPECT_EQ(owned.order, OrderNone);
  EXPECT_EQ(UnitTable[1].order, OrderNone) << "the computer's leader is not neutral";

  const uint16_t goal_x = mine.goal_x;
  for (int i = 0; i < 66; ++i) RulesFirstHalf();
  EXPECT_EQ(mine.cell_x, 20);
  EXPECT_EQ(mine.order, OrderMove);
  FrameCounter = 6000;
  RulesFirstHalf();
  EXPECT_EQ(mine.goal_x, goal_x) << "a mine keeps its first wander order";
}

TEST_F(Orders, ThrottleSleepsSixMillisecondsPerLevelAboveOne) {
  GameSpeed = 1;
  ThrottleFrame();
  EXPECT_EQ(PauseAskedMs, 0);
  GameSpeed = 12;
  ThrottleFrame();
  EXPECT_EQ(PauseAskedMs, 66);
}

}  // namespace
