#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "pathfinding/path_requests.h"
#include "pathfinding/pathfinder.h"
#include "rules_test_support.h"
#include "world/world.h"

namespace {

using Cells = std::vector<std::pair<int, int>>;

class PathfinderTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    for (int u = 0; u < UnitCount; ++u) UnitTable[u] = UnitRecord{};
  }

  SearchOutcome Search(int fx, int fy, int tx, int ty, int window = 64) {
    pf.BeginSearch(fx, fy, tx, ty, 0, window);
    return pf.RunSearch(window * window);
  }
  Cells Path() {
    Cells cells;
    for (int k = pf.current; k != 0; k = pf.parent[k]) cells.insert(cells.begin(), {pf.node_x[k], pf.node_y[k]});
    return cells;
  }
  std::pair<int, int> FirstStep() {
    pf.ReadFirstStep();
    return {pf.out_x, pf.out_y};
  }
  static UnitRecord& Unit(int id, int x, int y) {
    UnitRecord& u = UnitTable[id];
    u = UnitRecord{};
    u.in_use = 1;
    u.mobility = 1;
    u.cell_x = static_cast<uint16_t>(x);
    u.cell_y = static_cast<uint16_t>(y);
    return u;
  }
  static void Blocker(int id, int x, int y) { Unit(id, x, y).blocking = 1; }

  Pathfinder pf;
};

TEST_F(PathfinderTest, StraightPathAlongARowAndAGoalNextToTheStart) {
  EXPECT_EQ(Search(10, 10, 13, 10), SearchGoalPicked);
  EXPECT_EQ(pf.result, ResultFound);
  EXPECT_EQ(Path(), (Cells{{11, 10}, {12, 10}, {13, 10}}));
  EXPECT_EQ(pf.cost[pf.current], 13.0f);
  EXPECT_EQ(pf.ReadFirstStep(), 2);
  EXPECT_EQ(std::make_pair(pf.out_x, pf.out_y), std::make_pair(11, 10));

  ASSERT_EQ(Search(10, 10, 11, 11), SearchGoalPicked);
  EXPECT_TRUE(pf.EndReachedDirectly());
  EXPECT_EQ(pf.ReadFirstStep(), 0);
  EXPECT_EQ(std::make_pair(pf.out_x, pf.out_y), std::make_pair(11, 11));
}

TEST_F(PathfinderTest, ClampingToTheWindowInterior) {
  using Cell = std::pair<int, int>;
  struct Case {
    int fx, fy, tx, ty, window;
    Cell origin, from, to, first_step;
  } cases[] = {
      {0, 0, 5, 5, 64, {0, 0}, {1, 1}, {5, 5}, {2, 2}},
      {63, 63, 60, 60, 64, {0, 0}, {62, 62}, {60, 60}, {61, 61}},
      {3, 3, 20, 20, 12, {0, 0}, {3, 3}, {10, 10}, {4, 4}},
      {60, 2, 40, 30, 12, {52, 0}, {60, 2}, {53, 10}, {60, 3}},
      {-2000000000, 2000000000, 2000000000, -5, 64, {0, 0}, {1, 62}, {62, 1}, {2, 61}},  // far outside, both ways
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.fx << "," << c.fy << " to " << c.tx << "," << c.ty);
    ASSERT_EQ(Search(c.fx, c.fy, c.tx, c.ty, c.window), SearchGoalPicked);
    EXPECT_EQ(Cell(pf.window_x0, pf.window_y0), c.origin);
    EXPECT_EQ(Cell(pf.from_x, pf.from_y), c.from);
    EXPECT_EQ(Cell(pf.to_x, pf.to_y), c.to);
    EXPECT_EQ(FirstStep(), c.first_step);
  }
  EXPECT_EQ(Search(0, 0, 1, 1), SearchStartIsGoal);  // both clamp onto (1, 1)
  EXPECT_EQ(pf.result, ResultStartIsGoal);
  EXPECT_EQ(pf.last_node, 0);
}

TEST_F(PathfinderTest, CornersAreCutOnlyPastCellsThatClearThem) {
  SetCode(11, 10, TerrainVoid);
  ASSERT_EQ(Search(10, 10, 11, 11), SearchGoalPicked);
  EXPECT_EQ(Path(), (Cells{{10, 11}, {11, 11}}));
  EXPECT_FALSE(pf.EndReachedDirectly());

  SetCode(11, 10, TerrainFloorAndTop);  // walkable, but does not clear corners
  ASSERT_EQ(Search(10, 10, 11, 11), SearchGoalPicked);
  EXPECT_EQ(Path(), (Cells{{11, 10}, {11, 11}}));
}

TEST_F(PathfinderTest, WalksAroundAWall) {
  for (int y = 5; y <= 15; ++y) SetCode(12, y, TerrainVoid);
  ASSERT_EQ(Search(10, 10, 14, 10), SearchGoalPicked);
  EXPECT_EQ(Path(), (Cells{{10, 9}, {10, 8}, {10, 7}, {10, 6}, {10, 5}, {11, 4}, {12, 4}, {13, 4}, {13, 5}, {13, 6},
                           {13, 7}, {13, 8}, {13, 9}, {14, 10}}));
}

TEST_F(PathfinderTest, UnwalkableCodesNeverGetNodes) {
  for (int code : {TerrainVoid, TerrainSolidBlock, TerrainBlocked11, TerrainBlocked20, TerrainBlocked61}) {
    SetCode(11, 10, code);
    ASSERT_EQ(Search(10, 10, 12, 10), SearchGoalPicked);
    for (int k = 0; k <= pf.last_node; ++k)
      EXPECT_FALSE(pf.node_x[k] == 11 && pf.node_y[k] == 10) << "code " << code;
  }
  for (int code : {int{TerrainFloorAndTop}, 62, 255}) {  // walkable: the path runs straight through
    SetCode(11, 20, code);
    ASSERT_EQ(Search(10, 20, 12, 20), SearchGoalPicked);
    EXPECT_EQ(Path(), (Cells{{11, 20}, {12, 20}})) << "code " << code;
  }
}

TEST_F(PathfinderTest, WalledInGoalExhaustsTheBudget) {
  for (int dx = -1; dx <= 1; ++dx)
    for (int dy = -1; dy <= 1; ++dy)
      if (dx || dy) SetCode(10 + dx, 14 + dy, TerrainVoid);
  EXPECT_EQ(Search(10, 10, 10, 14), SearchBudgetSpent);
  EXPECT_EQ(pf.result, ResultNone);
  EXPECT_EQ(pf.last_node + 1, 3835);

  EXPECT_EQ(Search(10, 10, 10, 14, 12), SearchBudgetSpent);
  EXPECT_EQ(std::make_pair(pf.window_x0, pf.window_y0), std::make_pair(4, 4));
  EXPECT_EQ(pf.last_node + 1, 94);
}

TEST_F(PathfinderTest, BlockingUnitsAmongTheFirstTen) {
  Blocker(1, 11, 10);
  Blocker(2, 10, 30);  // moving: its step cell (11, 11) blocks too
  UnitTable[2].order = OrderMove;
  UnitTable[2].step_x = 11;
  UnitTable[2].step_y = 11;
  Blocker(12, 11, 9);  // entries from 10 up never block
  ASSERT_EQ(Search(10, 10, 13, 10), SearchGoalPicked);
  EXPECT_EQ(Path(), (Cells{{11, 9}, {12, 9}, {13, 10}}));

  UnitTable[1].cell_x = 13;  // standing on the goal does not block it
  ASSERT_EQ(Search(10, 10, 13, 10), SearchGoalPicked);
  EXPECT_EQ(Path(), (Cells{{11, 10}, {12, 10}, {13, 10}}));
}

TEST(PathfinderLifecycle, RunBeforeBeginReturnsFive) {
  Pathfinder pf;
  EXPECT_EQ(pf.RunSearch(100), SearchNotBegun);
  EXPECT_EQ(pf.ready, 0);
}

// --- The two unit path requests. ---

using PathRequestTest = PathfinderTest;

TEST_F(PathRequestTest, OutcomeTable) {
  UnitRecord& u = Unit(5, 10, 10);
  u.order = OrderMove;
  EXPECT_EQ(RequestMoveStep(5, 13, 10, 64), StepStored);  // long path
  EXPECT_EQ(std::make_pair(int{u.step_x}, int{u.step_y}), std::make_pair(11, 10));
  EXPECT_EQ(u.order, OrderMove);

  u.order = OrderAttack;
  EXPECT_EQ(RequestApproachStep(5, 13, 10, 64), StepStored);
  EXPECT_EQ(RequestApproachStep(5, 11, 11, 64), StepAdjacent);  // one step away: nothing written
  EXPECT_EQ(std::make_pair(int{u.step_x}, int{u.step_y}), std::make_pair(11, 10));
  EXPECT_EQ(u.order, OrderAttack);
  EXPECT_EQ(RequestMoveStep(5, 11, 11, 64), StepStored);
  EXPECT_EQ(std::make_pair(int{u.step_x}, int{u.step_y}), std::make_pair(11, 11));

  // Already on the target: cancelled, nothing moved or written.
  u.step_x = 40;
  EXPECT_EQ(RequestApproachStep(5, 10, 10, 64), StepNone);
  EXPECT_EQ(u.order, OrderNone);
  u.order = OrderMove;
  EXPECT_EQ(RequestMoveStep(5, 10, 10, 64), StepNone);
  EXPECT_EQ(u.order, OrderNone);
  EXPECT_EQ(u.step_x, 40);
  EXPECT_EQ(u.cell_x, 10);
}

TEST_F(PathRequestTest, FailedSearchCancelsTheOrder) {
  for (int dx = -1; dx <= 1; ++dx)
    for (int dy = -1; dy <= 1; ++dy)
      if (dx || dy) SetCode(30 + dx, 30 + dy, TerrainSolidBlock);
  UnitRecord& u = Unit(9, 10, 10);
  u.order = OrderMove;
  u.step_x = 3;
  EXPECT_EQ(RequestMoveStep(9, 30, 30, 64), StepNone);
  EXPECT_EQ(u.order, OrderNone);
  EXPECT_EQ(u.step_x, 3);
  EXPECT_EQ(u.cell_x, 10);
}

}  // namespace
