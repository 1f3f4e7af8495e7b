#include "rules/combat_economy.h"
#include "rules_test_support.h"
#include "world/random.h"

namespace {

using Combat = RulesTest;
using Economy = RulesTest;
using Recruitment = RulesTest;

// A blow takes r mod (10 * strength) hundredths: the hit points left are the
// float nearest to the exact difference, rounded once (what a recorded game
// holds). Small, uneven hit points show a second rounding at once.
float NearestToExactDifference(float hp, int hundredths) {
  return static_cast<float>(static_cast<long double>(hp) - hundredths / 100.0L);
}

TEST_F(Combat, BlowsAreWholeHundredthsRoundedOnceToFloat) {
  KeepOnlyLeaders();
  UnitRecord& a = Place(20, EmpirePlayer, 10, 10, 43);  // strength 14
  UnitRecord& t = Place(21, EmpireComputer, 11, 10, 38);  // strength 2
  for (int round = 0; round < 400; ++round) {
    const float a_hp = a.hp = 0.2f + 0.0031f * round, t_hp = t.hp = 1.5f + 0.0173f * round;
    const auto draws = PeekDraws({140, 20});
    MeleeExchange(20, 21);
    ASSERT_EQ(t.dead, 0);
    EXPECT_EQ(t.hp, NearestToExactDifference(t_hp, draws[0])) << t_hp << " - " << draws[0] << " hundredths";
    EXPECT_EQ(a.hp, NearestToExactDifference(a_hp, draws[1])) << a_hp << " - " << draws[1] << " hundredths";
    EXPECT_LE(a_hp - a.hp, 0.19f + 1e-5f) << "strength 2 takes at most 0.19";
  }
  t.hp = 0.5f;
  for (int round = 0; round < 200 && t.dead == 0; ++round) MeleeExchange(20, 21);
  EXPECT_EQ(t.dead, 1);
  EXPECT_EQ(t.hp, 0.0f);
}

TEST_F(Combat, MutualKillMarksBothDeadEndsBothOrdersAndDropsTheSelection) {
  KeepOnlyLeaders();
  UnitRecord& a = Place(20, EmpirePlayer, 10, 10, 43);
  UnitRecord& t = Place(21, EmpireComputer, 11, 10, 43);
  a.order = OrderAttack;
  a.target = 21;
  t.order = OrderGoTo;
  selected_unit = 20;
  AdvanceUntil({140, 140}, [](const std::vector<int>& d) { return d[0] > 0 && d[1] > 0; });  // both blows hurt
  a.hp = t.hp = 0.005f;
  MeleeExchange(20, 21);
  for (const UnitRecord* u : {&a, &t}) {
    EXPECT_EQ(u->hp, 0.0f);
    EXPECT_EQ(u->dead, 1);
    EXPECT_EQ(u->order, OrderNone);
  }
  EXPECT_EQ(selected_unit, 0);
}

TEST_F(Combat, AKilledTargetStillStrikesBackAndTheCorpseCanBeKilledAgain) {
  KeepOnlyLeaders();
  UnitRecord& a = Place(20, EmpirePlayer, 10, 10, 43);
  UnitRecord& t = Place(21, EmpireComputer, 11, 10, 43);
  selected_unit = 5;
  t.hp = 0.0f;
  t.dead = 1;
  a.order = OrderAttack;
  AdvanceUntil({140, 140}, [](const std::vector<int>& d) { return d[1] > 0; });
  MeleeExchange(20, 21);
  EXPECT_EQ(t.hp, 0.0f);
  EXPECT_EQ(a.order, OrderNone);
  EXPECT_LT(a.hp, a.hp_max);
  EXPECT_EQ(selected_unit, 5) << "the selection was not part of the exchange";
}

TEST_F(Economy, BaseIncomeGoesToBothTreasuriesWhateverTheLeaders) {
  KeepOnlyLeaders();
  UnitTable[1].dead = 1;
  EconomyTick();
  EXPECT_EQ(TreasuryOf(EmpirePlayer), 1000.5f);
  EXPECT_EQ(TreasuryOf(EmpireComputer), 1000.5f);
}

TEST_F(Economy, OwnedMineWithSevenGoldPaysFiveThenIsSharedUntilEmpty) {
  KeepOnlyLeaders();
  UnitRecord& mine = PlaceMine(10, EmpirePlayer, 20, 20, 7.0f);
  Place(11, EmpireComputer, 21, 20).order = OrderGoTo;
  Place(12, EmpirePlayer, 20, 22);
  EconomyTick();
  EXPECT_EQ(mine.gold, 2.0f);
  EXPECT_EQ(TreasuryOf(EmpirePlayer), 1005.5f);
  EXPECT_EQ(TreasuryOf(EmpireComputer), 1000.5f);
  EXPECT_EQ(UnitTable[11].mining, 0);

  EconomyTick();  // shared: entry 11 then entry 12 draw the last two
  EXPECT_EQ(mine.gold, 0.0f);
  EXPECT_EQ(TreasuryOf(EmpireComputer), 1002.0f);
  EXPECT_EQ(TreasuryOf(EmpirePlayer), 1007.0f);
  // Set while it drew; the mine still held gold when entry 11 was scanned.
  EXPECT_EQ(UnitTable[11].mining, 1);

  EconomyTick();  // empty: the computer unit's mining flag is cleared
  EXPECT_EQ(mine.gold, 0.0f);
  EXPECT_EQ(TreasuryOf(EmpirePlayer), 1007.5f);
  EXPECT_EQ(UnitTable[11].mining, 0);
}

TEST_F(Economy, ComputerUnitTakingTheLastGoldHasItsMiningFlagSetAndClearedAtOnce) {
  KeepOnlyLeaders();
  UnitRecord& mine = PlaceMine(10, EmpireNeutral, 20, 20, 1.0f);
  UnitRecord& miner = Place(11, EmpireComputer, 21, 20);
  miner.order = OrderGoTo;
  EconomyTick();
  EXPECT_EQ(mine.gold, 0.0f);
  EXPECT_EQ(TreasuryOf(EmpireComputer), 1001.5f);
  EXPECT_EQ(miner.mining, 0);
}

TEST_F(Economy, SixDrawersAtOneMineOnlyTheFiveLowestArePaid) {
  KeepOnlyLeaders();
  UnitRecord& mine = PlaceMine(30, EmpireNeutral, 20, 20, 100.0f);
  Place(31, EmpirePlayer, 20, 25);   // distance 5: draws
  Place(32, EmpirePlayer, 26, 20);   // distance 6: too far
  Place(33, EmpireNeutral, 20, 20);  // neutral: never draws
  UnitRecord& corpse = Place(34, EmpirePlayer, 20, 20);
  corpse.dead = 1;
  for (int id : {40, 41, 42, 43, 44}) Place(id, id % 2 ? EmpireComputer : EmpirePlayer, 21, 21);
  EconomyTick();
  EXPECT_EQ(mine.gold, 95.0f);
  // Paid: 31, 40, 41, 42, 43 (player 3, computer 2); 44 is the sixth.
  EXPECT_EQ(TreasuryOf(EmpirePlayer), 1003.5f);
  EXPECT_EQ(TreasuryOf(EmpireComputer), 1002.5f);
}

TEST_F(Economy, LeaderNextToANeutralMineEarnsOneGoldPerTick) {
  KeepOnlyLeaders();
  UnitRecord& mine = PlaceMine(30, EmpireNeutral, 34, 6, 50.0f);
  EconomyTick();
  EXPECT_EQ(TreasuryOf(EmpirePlayer), 1001.5f);
  EXPECT_EQ(mine.gold, 49.0f);
}

TEST_F(Economy, OwnedMineOfADeadLeaderIsSharedInstead) {
  KeepOnlyLeaders();
  UnitTable[1].dead = 1;
  UnitRecord& mine = PlaceMine(30, EmpireComputer, 20, 20, 100.0f);
  Place(31, EmpirePlayer, 20, 21);
  Place(32, EmpireComputer, 20, 19);
  EconomyTick();
  EXPECT_EQ(mine.gold, 98.0f);
  EXPECT_EQ(TreasuryOf(EmpirePlayer), 1001.5f);
  EXPECT_EQ(TreasuryOf(EmpireComputer), 1001.5f) << "the sharing case pays a leaderless empire";

  UnitTable[1].dead = 0;
  EconomyTick();
  EXPECT_EQ(mine.gold, 93.0f);
  EXPECT_EQ(TreasuryOf(EmpireComputer), 1007.0f);
}

// Every kind, leader and mine too, at its own odds; a leader is never won.
TEST_F(Recruitment, EveryAttemptCostsTenAndWinsWhenTheDrawIsOne) {
  KeepOnlyLeaders();
  int wins = 0;
  for (const UnitKindNumbers& kind : GameUnitKinds) {
    const int odds = kind.recruit_odds;
    for (int attempt = 0; attempt < 60; ++attempt) {
      UnitRecord& u = Place(20, EmpireNeutral, 10, 10, kind.type);
      u.order = OrderMove;
      u.hp = 3.0f;
      const float gold = TreasuryOf(EmpirePlayer);
      const bool expected = odds > 0 && PeekDraws({odds})[0] == 1;
      EXPECT_EQ(RecruitAttempt(20, EmpirePlayer), expected);
      EXPECT_EQ(TreasuryOf(EmpirePlayer), gold - 10.0f);
      EXPECT_EQ(u.owner, expected ? EmpirePlayer : EmpireNeutral);
      EXPECT_EQ(u.order, expected ? OrderNone : OrderMove);
      EXPECT_EQ(u.hp, 3.0f);
      wins += expected;
      TreasuryOf(EmpirePlayer) = 1000.0f;
    }
  }
  EXPECT_GT(wins, 40);  // about one in ten over 960 attempts
  EXPECT_LT(wins, 200);
}

}  // namespace
