#include "rules/combat_economy.h"
#include "rules/computer.h"
#include "loop/frame.h"
#include "rules/frame_rules.h"
#include "rules/orders.h"
#include "rules_test_support.h"
#include "world/new_game.h"
#include "world/random.h"

namespace {

using Computer = RulesTest;
using Victory = RulesTest;

int CountOwnedBy(int empire) {
  int n = 0;
  for (int i = 0; i < UnitCount; ++i) n += UnitTable[i].in_use == 1 && UnitTable[i].owner == empire;
  return n;
}

// Moves the generator to the first state whose next draw mod n is `wanted`.
void AdvanceUntilDraw(int n, int wanted) {
  AdvanceUntil({n}, [wanted](const std::vector<int>& d) { return d[0] == wanted; });
}

TEST_F(Computer, FirstFrameEarnsHalfAGoldAndMakesThreeAttempts) {
  for (uint32_t seed : {1u, 7u, 4321u, 99999u}) {
    UseHeadlessHost(seed);
    NewGame();
    const int computer_units = CountOwnedBy(EmpireComputer);
    RunFrame();
    const int won = CountOwnedBy(EmpireComputer) - computer_units;
    EXPECT_EQ(TreasuryOf(EmpireComputer), 1000.5f - 30.0f) << seed;
    EXPECT_EQ(TreasuryOf(EmpirePlayer), 1000.5f) << seed;
    // The mining decision could only send the leader, unless a recruit was just won.
    for (int i = 2; i < UnitCount && won == 0; ++i)
      EXPECT_FALSE(UnitTable[i].owner == EmpireComputer && UnitTable[i].order == OrderGoTo);
    EXPECT_NE(UnitTable[1].order, OrderAttack);
  }
}

TEST_F(Computer, RecruitNeedsThirtyGoldSkipsMinesAndAFruitlessSearchCostsNothing) {
  TreasuryOf(EmpireComputer) = 29.5f;
  const uint32_t state = RandomState;
  ComputerRecruit();
  EXPECT_EQ(TreasuryOf(EmpireComputer), 29.5f);
  EXPECT_EQ(RandomState, state) << "no attempt, no draw";
  TreasuryOf(EmpireComputer) = 30.0f;
  ComputerRecruit();
  EXPECT_EQ(TreasuryOf(EmpireComputer), 0.0f);

  KeepOnlyLeaders();
  PlaceMine(40, EmpireNeutral, 10, 10, 600.0f);
  Place(41, EmpireNeutral, 10, 10).dead = 1;
  TreasuryOf(EmpireComputer) = 1000.0f;
  ComputerRecruit();
  EXPECT_EQ(TreasuryOf(EmpireComputer), 1000.0f);
  EXPECT_EQ(UnitTable[40].owner, EmpireNeutral);
}

TEST_F(Computer, NoRaidBeforeFrame1501) {
  KeepOnlyLeaders();
  for (int id = 10; id < 15; ++id) Place(id, EmpireComputer, 30, 50).mining = 0;
  Place(20, EmpirePlayer, 30, 10);
  for (int frame : {1, 501, 1001}) {
    FrameCounter = frame;
    AdvanceUntilDraw(4, 1);  // the raid's chance comes up
    ComputerOrders();
    for (int id = 0; id < UnitCount; ++id) EXPECT_NE(UnitTable[id].order, OrderAttack) << frame;
  }
  FrameCounter = 1501;
  AdvanceUntilDraw(4, 1);
  ComputerOrders();
  int raiders = 0;
  for (int id = 0; id < UnitCount; ++id) {
    const UnitRecord& u = UnitTable[id];
    if (u.order != OrderAttack) continue;
    ++raiders;
    EXPECT_EQ(u.owner, EmpireComputer);
    EXPECT_TRUE(u.target == 0 || u.target == 20);
  }
  EXPECT_GE(raiders, 1);
}

TEST_F(Computer, CallToArmsPullsABusyMinerAwayEvenWithoutATarget) {
  KeepOnlyLeaders();
  UnitTable[0].dead = 1;  // the player has no living entry at all
  UnitRecord& miner = Place(10, EmpireComputer, 30, 50);
  miner.order = OrderGoTo;
  miner.mining = 1;
  UnitTable[1].order = OrderAttack;  // not an actor
  FrameCounter = 2001;
  // Raid chance fails, call to arms succeeds.
  AdvanceUntil({4, 25}, [](const std::vector<int>& d) { return d[0] != 1 && d[1] == 1; });
  ComputerOrders();
  EXPECT_EQ(miner.mining, 0);
  EXPECT_EQ(miner.order, OrderGoTo);
}

TEST_F(Computer, MiningSendsAnIdleUnitToAnOpenNeutralMine) {
  KeepOnlyLeaders();
  UnitTable[1].order = OrderMove;
  Place(10, EmpireComputer, 30, 50);
  PlaceMine(20, EmpireNeutral, 5, 5, 0.0f);     // empty
  PlaceMine(21, EmpirePlayer, 6, 6, 100.0f);    // owned
  PlaceMine(22, EmpireNeutral, 7, 7, 100.0f);
  FrameCounter = 1;
  ComputerOrders();
  EXPECT_EQ(UnitTable[10].order, OrderGoTo);
  EXPECT_EQ(UnitTable[10].target, 22);
  EXPECT_EQ(UnitTable[1].order, OrderMove);
}

// Every way a game ends, from an undecided one, each flag on its own.
TEST_F(Victory, EachSideWithoutFightingUnitsLosesAndBothMeansATie) {
  struct Ending {
    const char* what;
    bool player_leader_dies, computer_leader_dies;
    int player_recruit_type, computer_recruit_type;  // 0: none; the recruit stays alive
    std::array<int, 3> flags;                        // VictoryPlayer, VictoryComputer, VictoryTie
  } endings[] = {
      {"both leaders stand", false, false, 0, 0, {0, 0, 0}},
      {"both leaders fall, each side keeps a recruit", true, true, 41, 30, {0, 0, 0}},
      {"the computer's leader falls", false, true, 0, 0, {1, 0, 0}},
      {"the computer keeps only a mine", false, true, 0, TypeMine, {1, 0, 0}},
      {"the player's leader falls", true, false, 0, 0, {0, 1, 0}},
      {"the player keeps only a mine", true, false, TypeMine, 0, {0, 1, 0}},
      {"both leaders fall at the same check", true, true, 0, 0, {1, 1, 1}},
      {"both keep only mines", true, true, TypeMine, TypeMine, {1, 1, 1}},
  };
  for (const Ending& e : endings) {
    KeepOnlyLeaders();
    VictoryPlayer = VictoryComputer = VictoryTie = 0;
    UnitTable[0].dead = e.player_leader_dies;
    UnitTable[1].dead = e.computer_leader_dies;
    if (e.player_recruit_type) Place(10, EmpirePlayer, 5, 5, e.player_recruit_type);
    if (e.computer_recruit_type) Place(11, EmpireComputer, 6, 6, e.computer_recruit_type);
    VictoryCheck();
    EXPECT_EQ(VictoryPlayer, e.flags[0]) << e.what;
    EXPECT_EQ(VictoryComputer, e.flags[1]) << e.what;
    EXPECT_EQ(VictoryTie, e.flags[2]) << e.what;
  }

  UnitTable[0].dead = UnitTable[1].dead = 0;
  VictoryCheck();
  EXPECT_EQ(VictoryPlayer + VictoryComputer + VictoryTie, 3) << "flags only accumulate";
}

TEST_F(Victory, AfterADecisionEconomyAndComputerStopWhileOrdersAndCommandsGoOn) {
  KeepOnlyLeaders();
  Place(2, EmpireNeutral, 10, 10, 41);  // group 0
  UnitRecord& walker = Place(8, EmpirePlayer, 20, 20);  // group 1
  walker.order = OrderMove;
  walker.goal_x = 30;
  walker.goal_y = 20;
  PlaceMine(9, EmpireNeutral, 32, 6, 100.0f);  // next to the player's leader
  UnitTable[1].dead = 1;
  FrameCounter = 0;
  RunFrame();  // frame 1: the check decides
  ASSERT_EQ(VictoryPlayer, 1);
  EXPECT_EQ(UnitTable[9].gold, 100.0f);
  EXPECT_EQ(TreasuryOf(EmpirePlayer), 1000.0f);
  EXPECT_EQ(TreasuryOf(EmpireComputer), 1000.0f);
  EXPECT_EQ(walker.cell_x, 21) << "frame 1 updates group 1";
  EXPECT_EQ(UnitTable[2].order, OrderMove) << "the wander goes on";

  map_sx = 10;
  map_sy = 10;
  MouseState = {320, 240, 1, 0, 0};
  for (int i = 0; i < 60; ++i) RunFrame();
  EXPECT_EQ(TreasuryOf(EmpireComputer), 1000.0f);
  EXPECT_EQ(UnitTable[9].gold, 100.0f);
  EXPECT_EQ(walker.cell_x, 22);
  EXPECT_EQ(walker.cell_y, 20);
  // The player still pays for recruitment with the gold left over.
  EXPECT_LT(TreasuryOf(EmpirePlayer), 1000.0f);
}

}  // namespace
