#include <gtest/gtest.h>

#include <algorithm>

#include <array>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "host/input.h"
#include "input_script.h"
#include "loop/game_state.h"
#include "loop/main_loop.h"
#include "rules/frame_rules.h"
#include "run_command.h"
#include "sim_process.h"
#include "world/world.h"

namespace {

using Outcome = SimOutcome;

Outcome RunInProcess(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  std::ostringstream out, err;
  Outcome r;
  r.status = ExitCode(RunRunCommand(static_cast<int>(argv.size()), argv.data(), out, err));
  r.out = out.str();
  r.err = err.str();
  return r;
}

// The real binary, for the exit status and the streams.
Outcome RunBinary(const std::string& args) { return RunSimBinary(args); }

std::string WriteScript(const std::string& name, const std::string& text) {
  const std::string path = testing::TempDir() + "/" + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A top-level integer field of a dump line.
long IntField(const std::string& line, const std::string& key) {
  const size_t at = line.find("\"" + key + "\":");
  EXPECT_NE(at, std::string::npos) << key;
  return std::stol(line.substr(at + key.size() + 3));
}

// The units array of a dump line, each entry as its words.
std::vector<std::vector<std::string>> Units(const std::string& line) {
  std::vector<std::vector<std::string>> units;
  size_t at = line.find("\"units\":[") + 9;
  while (line[at] == '[') {
    const size_t end = line.find(']', at);
    std::vector<std::string> fields;
    std::istringstream in(line.substr(at + 1, end - at - 1));
    for (std::string f; std::getline(in, f, ',');) fields.push_back(f);
    units.push_back(fields);
    at = end + 1;
    if (line[at] == ',') ++at;
  }
  return units;
}

// The fields of unit `id` in a dump line, as a copy: the parsed units die with the call.
std::vector<std::string> UnitFields(const std::string& line, int id) {
  for (auto& u : Units(line))
    if (std::stoi(u[0]) == id) return u;
  ADD_FAILURE() << "unit " << id << " is not in the dump";
  return std::vector<std::string>(18, "0");
}

enum Field { Id, Owner, CellX, CellY, GoalX, GoalY, StepX, StepY, Target, Order, Type, Mobility, Mining, Gold };

// A pointer pixel whose cell is (dx, dy) from the view centre.
std::pair<int, int> PixelFor(int dx, int dy) {
  const int saved_sx = map_sx, saved_sy = map_sy;
  map_sx = map_sy = 0;
  std::pair<int, int> pixel{-1, -1};
  for (int x = 0; x < FrameWidth && pixel.first < 0; ++x) {
    MouseState.x = x;
    if (MouseCell().dx == dx) pixel.first = x;
  }
  for (int y = 0; y < FrameHeight && pixel.second < 0; ++y) {
    MouseState.y = y;
    if (MouseCell().dy == dy) pixel.second = y;
  }
  map_sx = saved_sx;
  map_sy = saved_sy;
  ResetInput();
  return pixel;
}

TEST(SimRun, DumpsBeforeTheFirstPassEveryKAndAfterTheLast) {
  const Outcome r = RunBinary("run --seed 7 --frames 3000 --dump-every 500");
  EXPECT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 7u);
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(IntField(lines[i], "pass"), static_cast<long>(500 * i));
    EXPECT_EQ(IntField(lines[i], "frame"), static_cast<long>(500 * i));
    EXPECT_EQ(Units(lines[i]).size(), 85u);
  }
  EXPECT_EQ(lines[0].rfind("{\"pass\":0,\"frame\":0,\"selected_unit\":0,\"map_sx\":32,\"map_sy\":32,\"map_ex\":0,"
                           "\"map_ey\":0,\"game_speed\":1,\"unit_size\":1.5999999,\"help\":0,\"paused\":0,\"victory\":[0,0,0],"
                           "\"camera\":[-30,-45,0,0],\"units\":[[0,0,32,4,",
                           0),
            0u)
      << lines[0];
  EXPECT_EQ(IntField(lines[1], "map_ex"), 12) << "the pointer rests at (0, 0)";
  EXPECT_EQ(IntField(lines[1], "map_ey"), 52);

  for (const auto& [args, count] : std::vector<std::pair<std::string, size_t>>{
           {"run --seed 7 --frames 0", 1}, {"run --seed 7 --frames 0 --dump-every 5", 1},
           {"run --seed 7 --frames 10 --dump-every 5", 3}, {"run --seed 7 --frames 11 --dump-every 5", 4},
           {"run --seed 7 --frames 3 --dump-every 100", 2}, {"run --frames 4 --seed 7 --dump-every 1", 5}}) {
    std::vector<std::string> argv;
    std::istringstream in(args);
    for (std::string w; in >> w;) argv.push_back(w);
    const Outcome o = RunInProcess(std::vector<std::string>(argv.begin() + 1, argv.end()));
    EXPECT_EQ(Lines(o.out).size(), count) << args;
  }
}

// A run leaves the speed, picture size, help, camera, selection and spare
// toggle away from their start values; the next run in the same process must
// not inherit any of it, nor anything else of the game's state.
TEST(SimRun, SameSeedAndScriptGiveTheSameBytes) {
  const std::string script = WriteScript("same.txt",
                                         "5 mouse 300 250\n5 press left\n90 press right\n200 release left\n"
                                         "201 release right\n210 press F6\n211 release F6\n220 press F4\n"
                                         "221 release F4\n230 press H\n231 release H\n240 press E\n241 release E\n"
                                         "250 press PageUp\n253 release PageUp\n260 press Shift\n260 press Up\n"
                                         "262 press Right\n265 release Up\n265 release Right\n265 release Shift\n"
                                         "270 mouse 500 300\n270 press Space\n272 release Space\n280 press Left\n"
                                         "282 release Left\n");
  const std::vector<std::string> args = {"--seed", "12", "--frames", "700", "--input", script, "--dump-every", "50"};
  const Outcome a = RunInProcess(args);
  const GameState after_a = TakeGameState();
  const Outcome b = RunInProcess(args);
  const GameState after_b = TakeGameState();
  const Outcome c = RunBinary("run --seed 12 --frames 700 --input " + script + " --dump-every 50");
  EXPECT_EQ(a.status, 0);
  EXPECT_EQ(a.out, b.out);
  EXPECT_EQ(a.out, c.out);
  EXPECT_EQ(GameStateDifferences(after_a, after_b), std::vector<std::string>{});

  // The script did move each of them.
  const std::string last = Lines(a.out).back();
  EXPECT_NE(last.find("\"game_speed\":2,\"unit_size\":3.1999998,\"help\":1,"), std::string::npos) << last;
  EXPECT_NE(last.find("\"camera\":[-30.360003,-47.5,1.5,281.25]"), std::string::npos) << last;
  EXPECT_EQ(IntField(last, "map_sx"), 30);
  EXPECT_GT(IntField(last, "selected_unit"), 1);
  EXPECT_EQ(after_a.SpareToggle, 1);
  ResetForNewRun();

  const Outcome other = RunInProcess({"--seed", "13", "--frames", "700", "--dump-every", "50"});
  EXPECT_NE(a.out, other.out);
}

TEST(SimRun, FloatsAreTheShortestFormThatReadsBack) {
  const Outcome r = RunInProcess({"--seed", "7", "--frames", "3000"});
  for (const auto& u : Units(Lines(r.out).back())) {
    for (int f : {13, 14, 15}) {
      const float value = std::strtof(u[f].c_str(), nullptr);
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, "%.9g", value);
      EXPECT_EQ(std::strtof(buffer, nullptr), value);
      EXPECT_EQ(u[f].find_first_not_of("-0123456789.e"), std::string::npos) << u[f];
      EXPECT_LE(u[f].size(), std::string(buffer).size()) << u[f] << " vs " << buffer;
    }
  }
}

TEST(SimRun, HoldingLeftOverANeutralCreatureRecruitsAndSelectsIt) {
  // Where every creature walks when nobody plays (recruitment draws do not move anyone).
  const auto quiet = Lines(RunInProcess({"--seed", "7", "--frames", "150", "--dump-every", "1"}).out);
  ASSERT_EQ(quiet.size(), 151u);
  int chosen = -1;
  for (const auto& u : Units(quiet[0])) {
    const int id = std::stoi(u[Id]);
    const int type = std::stoi(u[Type]);
    if (u[Owner] != "2" || type == TypeMine || FindUnitType(type)->recruit_odds > 7) continue;
    bool stays_in_view = true;
    for (const std::string& line : quiet) {
      const auto v = UnitFields(line, id);
      const int dx = std::stoi(v[CellX]) - 32, dy = std::stoi(v[CellY]) - 32;
      stays_in_view &= v[Owner] == "2" && dx >= -19 && dx <= 19 && dy >= -19 && dy <= 19;
    }
    if (stays_in_view) chosen = id;
  }
  ASSERT_GE(chosen, 0);

  // Follow it with the pointer and hold the left button.
  std::string script = "1 press left\n";
  std::string last_cell;
  for (size_t pass = 1; pass < quiet.size(); ++pass) {
    const auto v = UnitFields(quiet[pass - 1], chosen);  // where it stands when pass runs its commands
    const std::string cell = v[CellX] + "," + v[CellY];
    if (cell == last_cell) continue;
    last_cell = cell;
    const auto [x, y] = PixelFor(std::stoi(v[CellX]) - 32, std::stoi(v[CellY]) - 32);
    script += std::to_string(pass) + " mouse " + std::to_string(x) + " " + std::to_string(y) + "\n";
  }
  const std::string path = WriteScript("recruit.txt", script);
  const auto played = Lines(RunInProcess({"--seed", "7", "--frames", "150", "--dump-every", "1", "--input", path}).out);
  int won_at = -1;
  for (size_t pass = 1; pass < played.size() && won_at < 0; ++pass) {
    const auto v = UnitFields(played[pass], chosen);
    if (v[Owner] == "0") won_at = static_cast<int>(pass);
  }
  ASSERT_GT(won_at, 0) << "unit " << chosen;
  EXPECT_EQ(IntField(played[won_at], "selected_unit"), chosen);
  EXPECT_EQ(IntField(played[won_at - 1], "selected_unit"), 0);
  const float gold_before = std::stof(UnitFields(played[won_at - 1], 0)[Gold]);
  const float gold_after = std::stof(UnitFields(played[won_at], 0)[Gold]);
  EXPECT_EQ(gold_before - gold_after, 10.0f);
  EXPECT_EQ(UnitFields(played[won_at], chosen)[Order], "0");
}

TEST(SimRun, HoldingRightOverAComputerUnitSetsAnAttackOrder) {
  // Jump the view to the computer's first unit, its leader at (32, 59): the view
  // centre becomes (22, 49) and the leader sits at offset (10, 10).
  const auto [x, y] = PixelFor(10, 10);
  const std::string path = WriteScript("attack.txt", "1 press 0\n2 release 0\n2 mouse " + std::to_string(x) + " " +
                                                         std::to_string(y) + "\n2 press right\n");
  const auto lines = Lines(RunInProcess({"--seed", "7", "--frames", "2", "--dump-every", "1", "--input", path}).out);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(IntField(lines[1], "map_sx"), 22);
  EXPECT_EQ(IntField(lines[1], "map_sy"), 49);
  EXPECT_EQ(UnitFields(lines[1], 0)[Order], "0");
  EXPECT_EQ(IntField(lines[2], "map_ex"), 32);
  EXPECT_EQ(IntField(lines[2], "map_ey"), 59);
  const auto leader = UnitFields(lines[2], 0);
  EXPECT_EQ(leader[Order], "2");
  EXPECT_EQ(leader[Target], "1");
  EXPECT_EQ(leader[GoalX], "32");
  EXPECT_EQ(leader[GoalY], "59");
}

// The dump line with its pass and paused fields taken out.
std::string WithoutPassAndPaused(const std::string& line) {
  static const std::regex fields("\"pass\":[0-9]+|,\"paused\":[01]");
  return std::regex_replace(line, fields, "");
}

TEST(SimRun, WhilePausedOnlyThePassAndTheInputMove) {
  const std::string path = WriteScript("pause.txt",
                                       "1 press PageUp\n"
                                       "5 press P       # paused before pass 5\n"
                                       "6 press P       # a second key-down of a held key changes nothing\n"
                                       "7 release P\n"
                                       "7 mouse 400 200\n"
                                       "8 press Right\n"
                                       "10 press Pause  # going on before pass 10\n");
  const auto lines = Lines(RunInProcess({"--seed", "7", "--frames", "10", "--dump-every", "1", "--input", path}).out);
  ASSERT_EQ(lines.size(), 11u);
  for (int pass = 5; pass <= 9; ++pass) {
    EXPECT_EQ(IntField(lines[pass], "pass"), pass);
    EXPECT_EQ(IntField(lines[pass], "paused"), 1) << pass;
    EXPECT_EQ(WithoutPassAndPaused(lines[pass]), WithoutPassAndPaused(lines[4])) << pass;
  }
  EXPECT_EQ(IntField(lines[4], "paused"), 0);
  EXPECT_EQ(IntField(lines[10], "paused"), 0);
  EXPECT_EQ(IntField(lines[10], "frame"), 5);
  EXPECT_EQ(IntField(lines[10], "map_sx"), 33) << "Right, held through the pause, scrolls once";
  EXPECT_NE(IntField(lines[10], "map_ex"), IntField(lines[4], "map_ex")) << "the pointer moved while paused";
  float zoom = -30.0f;
  for (int step = 0; step < 5; ++step) zoom -= 0.12f;  // passes 1 to 4, and 10
  const size_t camera = lines[10].find("\"camera\":[") + 10;
  EXPECT_EQ(std::strtof(lines[10].c_str() + camera, nullptr), zoom);
}

TEST(SimScript, LinesApplyInPassOrderThenFileOrder) {
  InputScript script;
  std::string error;
  ASSERT_TRUE(ParseInputScript("# a comment\n\n 9 press H  # trailing\r\n3 mouse 1 2\n3 release H\n\t3\tpress\tH\n"
                               "1 press F8\n2147483647 release right",
                               "s.txt", script, error))
      << error;
  ASSERT_EQ(script.events.size(), 6u);
  const int passes[] = {1, 3, 3, 3, 9, 2147483647};
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(script.events[i].pass, passes[i]);
  EXPECT_EQ(script.events[1].event, (HostEvent{EventKind::PointerMove, 1, 2}));
  EXPECT_EQ(script.events[2].event, (HostEvent{EventKind::KeyUp, KeyH}));
  EXPECT_EQ(script.events[3].event, (HostEvent{EventKind::KeyDown, KeyH}));
  EXPECT_EQ(script.events[0].event, (HostEvent{EventKind::KeyDown, KeyF8}));
  EXPECT_EQ(script.events[5].event, (HostEvent{EventKind::ButtonUp, ButtonRight}));

  ResetInput();
  for (const ScriptEvent& e : script.events) HandleHostEvent(e.event);
  EXPECT_EQ(KeyState[KeyH], 1) << "the press on pass 3 comes after the release in the file";
  EXPECT_EQ(MouseState.x, 1);
  EXPECT_EQ(MouseState.y, 2);
  ResetInput();
}

TEST(SimScript, BadLinesNameTheFileAndLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"1 press left\n0 press left\n", "s.txt:2: pass number P must be a whole number from 1 to 2147483647, got '0'"},
      {"2147483648 press H", "s.txt:1: pass number P"},
      {"1 mouse 1\n", "s.txt:1: missing word"},
      {"1 mouse 1 2 3\n", "s.txt:1: extra word"},
      {"1 mouse 65536 0\n", "s.txt:1: X must be a whole number from 0 to 65535, got '65536'"},
      {"1 mouse 0 -1\n", "s.txt:1: Y must be"},
      {"#\n\n1 press f1\n", "s.txt:3: unknown key 'f1'"},
      {"1 press F9\n", "s.txt:1: unknown key 'F9'"},
      {"1 press p\n", "s.txt:1: unknown key 'p'"},
      {"1 press\n", "s.txt:1: missing word"},
      {"1 release H H\n", "s.txt:1: extra word"},
      {"1 click left\n", "s.txt:1: unknown command 'click'"},
      {"7\n", "s.txt:1: missing command"},
      {"x press H\n", "s.txt:1: pass number P must be a whole number from 1 to 2147483647, got 'x'"},
      {"1 press \x01\xff\n", "s.txt:1: unknown key '\\x01\\xFF'"},
      {"+1 press H\n", "s.txt:1: pass number"},
  };
  for (const auto& [text, expected] : cases) {
    InputScript script;
    std::string error;
    EXPECT_FALSE(ParseInputScript(text, "s.txt", script, error)) << text;
    EXPECT_EQ(error.rfind(expected, 0), 0u) << error;
  }
}

TEST(SimRun, RefusesBadArgumentsAndScriptsBeforeRunning) {
  const std::string bad_script = WriteScript("bad.txt", "1 press left\n\n2 press Enter\n");
  const Outcome r = RunBinary("run --seed 1 --frames 5 --input " + bad_script);
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.out.empty());
  EXPECT_EQ(r.err, "valdorik-sim: " + bad_script +
                       ":3: unknown key 'Enter' (keys: left, middle, right, F1..F8, Backspace, 0, Space, H, Left, "
                       "Right, Up, Down, Shift, PageUp, PageDown, E, M, Pause, P)\n");

  for (const std::string& args : std::vector<std::string>{"run", "run --seed 1", "run --frames 1", "run --seed -1 --frames 1", "run --seed 4294967296 --frames 1",
        "run --seed 1 --frames -1", "run --seed 1 --frames 2147483648", "run --seed 1 --frames 1 --dump-every 0",
        "run --seed 1 --frames 1 --seed 2", "run --seed 1 --frames 1 --input", "run --seed 1 --frames 1 --bogus",
        "run --seed 1 --frames 1 extra", "run --seed 1x --frames 1", "run --seed 1 --frames",
        "run --seed 1 --frames 1 --input /nonexistent/script.txt", "run --seed 1 --frames 1 --input " + testing::TempDir(),
        "replay", "replay a b", "replay --dump-every 2", "replay " + bad_script + " --dump-every 0"}) {
    const Outcome o = RunBinary(args);
    EXPECT_EQ(o.status, 2) << args;
    EXPECT_TRUE(o.out.empty()) << args;
    EXPECT_NE(o.err.find("valdorik-sim"), std::string::npos) << args;
  }
  // A file that is no replay is refused in one line that names it.
  for (const std::string& file : {bad_script, std::string("/nonexistent/game.vrp"), testing::TempDir()}) {
    const Outcome o = RunBinary("replay " + file);
    EXPECT_EQ(o.status, 2) << file;
    EXPECT_TRUE(o.out.empty()) << file;
    EXPECT_EQ(o.err.rfind("valdorik-sim: " + file, 0), 0u) << o.err;
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
  }
  EXPECT_EQ(RunBinary("run --seed 4294967295 --frames 0").status, 0);
}

}  // namespace
