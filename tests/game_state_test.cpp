// The game's state lists (loop/game_state.h): the reset for a new run brings
// every row back to what a freshly started program holds, and the snapshot
// sees every row. Rows are walked through the lists themselves, so a row
// added to a list is covered here with no edit.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <set>
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

// The writable globals of the headless core that are not rows of the game's
// state, and why each is left out. Anything else writable the core holds must
// be a row: a file-scope variable added without one fails here by name.
const std::map<std::string, const char*> NotGameState = {
    {"Host", "the host table: whoever runs the game installs it"},
    {"host: FixedSeed", "the headless host's clock, set with the host"},
    {"TileTypes", "filled from constants at start-up; no frame changes it"},
    {"MapCells", "filled from constants at start-up; no frame changes it"},
    {"TerrainCodes", "filled from constants at start-up; no frame changes it"},
    {"UnitTable", "its entries are in the snapshot (GameState::units)"},
    {"TerrainStepCost", "filled from constants when the Pathfinder is made"},
    {"pathfinder: CodeFlags", "filled from constants when the Pathfinder is made"},
    {"GamePathfinder", "made at start-up; every search starts afresh"},
    {"TextureSlots", "the pictures, loaded at start-up"},
    {"bitmap_loader: LastError", "the last picture's fault, asked right after loading it"},
    {"bitmap_loader: LastMissing", "whether the last picture was missing, asked right after loading it"},
    {"OverlayBuffer", "cleared and drawn every frame"},
    {"TextLine", "written before each line is drawn"},
    {"TerrainVertices", "rebuilt every frame"},
    {"TerrainTriangles", "rebuilt every frame"},
    {"VisibleTriangles", "rebuilt every frame"},
    {"VisibleUnits", "rebuilt every frame"},
    {"TerrainVertexCount", "rebuilt every frame"},
    {"TerrainTriangleCount", "rebuilt every frame"},
    {"VisibleTriangleCount", "rebuilt every frame"},
    {"VisibleUnitCount", "rebuilt every frame"},
    {"CellCorners", "the mesh builder's current cell, written before it is read"},
    {"EmitCellSize", "copied from CellSize at the start of every mesh build"},
    {"CellSize", "the edge of a cell: nothing changes it"},
    {"playback: Window", "the replay's bookkeeping: StartPlayback sets it up"},
    {"playback: Playing", "the replay's bookkeeping: StartPlayback sets it up"},
    {"playback: Name", "the replay's bookkeeping: StartPlayback sets it up"},
    {"playback: Next", "the replay's bookkeeping: StartPlayback sets it up"},
    {"playback: RunPassesUsed", "the replay's bookkeeping: StartPlayback sets it up"},
    {"playback: Pass", "the replay's bookkeeping: StartPlayback sets it up"},
    {"playback: Problem", "the replay's bookkeeping: StartPlayback sets it up"},
    {"playback: StopAsked", "the replay's bookkeeping: StartPlayback sets it up"},
    {"playback: WatcherLeft", "the replay's bookkeeping: StartPlayback sets it up"},
    {"WatchedReplay", "the watched replay's mark, set by the game's entry for each run"},
    {"recording: Recorded", "the recorder's bookkeeping: StartRecording sets it up"},
    {"recording: Pass", "the recorder's bookkeeping: StartRecording sets it up"},
    {"recording: Recording", "the recorder's bookkeeping: StartRecording sets it up"},
    {"recording: FailureTold", "the recorder's bookkeeping: StartRecording sets it up"},
    {"replay_file: writer", "the replay file being written, opened with the recording"},
    {"computer: Side", "the side the computer plays in the call under way; empire 1 between calls"},
    {"ConnectionWords[abi:cxx11]", "what the frame says of a versus game's link, set by whoever runs it"},
    {"lockstep: E", "the turns on their way between the players: BeginLockstep sets it up"},
    {"versus_replay: Out", "the versus replay being written, opened with the game"},
    {"versus_playback: Playing", "the versus replay's bookkeeping: StartVersusPlayback sets it up"},
    {"versus_playback: NextRecord", "the versus replay's bookkeeping: StartVersusPlayback sets it up"},
    {"versus_playback: QuietTurnsPlayed", "the versus replay's bookkeeping: StartVersusPlayback sets it up"},
};

// "name" for a global, "file: name" for one the file keeps to itself (its
// anonymous namespace, or a function's static), from the core's symbols.
std::set<std::string> WritableGlobalsOfTheCore() {
  std::set<std::string> names;
  FILE* nm = popen("nm -C --defined-only -f sysv " VALDORIK_CORE_ARCHIVE, "r");
  if (nm == nullptr) return names;
  std::string file;
  char line[1024];
  while (std::fgets(line, sizeof line, nm)) {
    const std::string text = line;
    const size_t member = text.find(".a[");
    if (text.rfind("Symbols from", 0) == 0 && member != std::string::npos) {
      file = text.substr(member + 3, text.find(".cpp.o]") - member - 3);
      continue;
    }
    const size_t bar = text.find('|');
    const size_t section = text.rfind('|');
    if (bar == std::string::npos || text.find("OBJECT") == std::string::npos) continue;
    const std::string where = text.substr(section + 1, text.find_last_not_of(" \n") - section);
    if (where != ".bss" && where != ".data") continue;
    std::string name = text.substr(0, text.find_last_not_of(' ', bar - 1) + 1);
    if (name.rfind("__", 0) == 0) continue;  // the compiler's own (the sanitizers' markers)
    const std::string hidden = "(anonymous namespace)::";
    const bool local = name.rfind(hidden, 0) == 0 || name.find(")::") != std::string::npos;
    if (name.rfind(hidden, 0) == 0) name = name.substr(hidden.size());
    names.insert(local ? file + ": " + name : name);
  }
  pclose(nm);
  return names;
}

TEST(GameState, EveryWritableGlobalOfTheCoreIsARowOrSaysWhyNot) {
  const std::set<std::string> globals = WritableGlobalsOfTheCore();
  ASSERT_GT(globals.size(), 20u) << "nm read no symbols from " VALDORIK_CORE_ARCHIVE;
  std::set<std::string> expected;
  for (const std::string& row : RowNames()) expected.insert(row);
  for (const auto& [name, why] : NotGameState) expected.insert(name);
  for (const std::string& name : globals)
    EXPECT_TRUE(expected.count(name)) << name << ": a writable global that is no row of the game's state "
                                      << "(loop/game_state.h) and not named in NotGameState";
  for (const std::string& name : expected)
    EXPECT_TRUE(globals.count(name)) << name << " is listed but the core does not hold it";
}

}  // namespace
