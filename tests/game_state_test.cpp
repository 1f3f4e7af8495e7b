// The game's state lists (loop/game_state.h): the reset for a new run brings
// every row back to what a freshly started program holds, and the snapshot
// sees every row. Rows are walked through the lists themselves, so a row
// added to a list is covered here with no edit.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "loop/game_state.h"
#include "loop/startup.h"
#include "rules_test_support.h"

namespace {

// Taken while the program starts, before any test runs: every row is
// constant-initialised, so this is the state of a freshly loaded program.
const GameState StateAtLoad = TakeGameState();

// A value that differs from `value` in every byte (a bool is flipped).
template <class T>
void MoveAway(T& value) {
  static_assert(std::is_trivially_copyable_v<T>);
  if constexpr (std::is_same_v<T, bool>) {
    value = !value;
  } else {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(~byte);
    std::memcpy(&value, bytes, sizeof(T));
  }
}

std::vector<std::string> RowNames() {
  std::vector<std::string> names;
#define NAME_ROW(type, name, initial) names.push_back(#name);
  VALDORIK_GAME_STATE(NAME_ROW)
#undef NAME_ROW
  return names;
}

std::vector<std::string> RowDifferences(GameState a, GameState b) {
  a.units.clear();
  b.units.clear();
  return GameStateDifferences(a, b);
}

TEST(GameState, EveryRowMovedAwayComesBackWithTheResetForANewRun) {
  ASSERT_TRUE(StateAtLoad.units.empty()) << "the world is allocated only at start-up";
#define MOVE_ROW_AWAY(type, name, initial) MoveAway(name);
  VALDORIK_GAME_STATE(MOVE_ROW_AWAY)
#undef MOVE_ROW_AWAY
  EXPECT_EQ(RowDifferences(TakeGameState(), StateAtLoad), RowNames()) << "every row moved, and seen to move";
  ResetForNewRun();
  EXPECT_EQ(RowDifferences(TakeGameState(), StateAtLoad), std::vector<std::string>{});
}

class GameStateSnapshot : public WorldTest {};

TEST_F(GameStateSnapshot, RestoreBringsBackEveryRowAndUnitEntry) {
  const GameState before = TakeGameState();
  ASSERT_EQ(before.units.size(), static_cast<size_t>(UnitCount));
#define MOVE_ROW_AWAY(type, name, initial) MoveAway(name);
  VALDORIK_GAME_STATE(MOVE_ROW_AWAY)
#undef MOVE_ROW_AWAY
  UnitTable[3].hp -= 1.0f;
  UnitTable[84].owner = EmpirePlayer;
  std::vector<std::string> moved = RowNames();
  moved.insert(moved.end(), {"UnitTable[3]", "UnitTable[84]"});
  EXPECT_EQ(GameStateDifferences(TakeGameState(), before), moved);
  RestoreGameState(before);
  EXPECT_EQ(GameStateDifferences(TakeGameState(), before), std::vector<std::string>{});
  ResetForNewRun();
}

}  // namespace
