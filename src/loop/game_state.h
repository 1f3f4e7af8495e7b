// The game's whole process-wide state: every module's list of rows (type,
// name, value at load) walked as one. The reset for a new run, the snapshot
// that tests and the frame benchmark take, and the comparison of two
// snapshots all follow these lists, so a row added to a module's list is
// covered by each of them with no other edit. A new module's list is added
// to VALDORIK_GAME_STATE.
//
// Left out, because no frame changes them: the tables start-up fills from
// constants (the map, the tile types, the Pathfinder's step costs and code
// flags, the pictures), and the host, which whoever runs the game installs.
#pragma once

#include <string>
#include <vector>

#include "host/input.h"
#include "loop/main_loop.h"
#include "loop/game_clock.h"
#include "pathfinding/pathfinder.h"
#include "rules/versus_state.h"
#include "world/random.h"
#include "world/world.h"

#define VALDORIK_GAME_STATE(X) \
  VALDORIK_WORLD_GLOBALS(X)    \
  VALDORIK_RANDOM_STATE(X)     \
  VALDORIK_SEARCH_STATE(X)     \
  VALDORIK_HOST_STATE(X)       \
  VALDORIK_INPUT_STATE(X)      \
  VALDORIK_LOOP_STATE(X)       \
  VALDORIK_CLOCK_STATE(X)      \
  VALDORIK_VERSUS_STATE(X)

// Every row's value, and the unit table's entries (none before the world is
// first allocated).
struct GameState {
#define VALDORIK_STATE_MEMBER(type, name, initial) type name;
  VALDORIK_GAME_STATE(VALDORIK_STATE_MEMBER)
#undef VALDORIK_STATE_MEMBER
  std::vector<UnitRecord> units;
};

GameState TakeGameState();
// Puts every row back, and the unit entries when the snapshot has them.
void RestoreGameState(const GameState& state);

// The rows, and the unit entries ("UnitTable[id]"), whose bits differ between
// two snapshots; empty when they are the same.
std::vector<std::string> GameStateDifferences(const GameState& a, const GameState& b);

// Every row back to its value at load, as a freshly started program has it:
// for the runs the simulator and the tests make in one process. The unit
// table and the start-up tables are the next start-up's business.
void ResetForNewRun();
