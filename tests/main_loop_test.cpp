// The main loop's pass and the frame's order, driven through a scripted
// host that logs every call the game makes of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <utility>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/input.h"
#include "loop/frame.h"
#include "loop/game_clock.h"
#include "loop/main_loop.h"
#include "rules_test_support.h"
#include "world/world.h"

namespace {

std::deque<HostEvent> Waiting;     // events the host still holds
std::deque<int> ScriptedAnswers;   // instant key answers; KeyState once they run out
std::vector<std::string> Log;

void Note(const std::string& entry) { Log.push_back(entry); }

GameHost ScriptedHost() {
  GameHost host = HeadlessHost(4321);
  host.poll_event = [](HostEvent& event) {
    if (Waiting.empty()) return false;
    event = Waiting.front();
    Waiting.pop_front();
    return true;
  };
  host.key_held_now = [](int key) {
    Note("query " + std::to_string(key));
    if (ScriptedAnswers.empty()) return static_cast<int>(KeyState[key]);
    const int answer = ScriptedAnswers.front();
    ScriptedAnswers.pop_front();
    return answer;
  };
  host.sample_keys = [](KeyTable&) { Note("sample"); };
  host.present_scaled_frame = [] { Note("present"); };
  host.present_paused_frame = [] { Note("present paused"); };
  host.move_game_window_to_pointer = [] { Note("move window"); };
  host.begin_scene = [] { Note("scene"); };
  host.draw_terrain = [] { Note("terrain"); };
  host.draw_units = [] { Note("units"); };
  host.draw_cursor_mark = [](int dx, int dy) { Note("cursor " + std::to_string(dx) + "," + std::to_string(dy)); };
  host.draw_overlay = [] { Note("overlay"); };
  return host;
}

class GameLoop : public RulesTest {
 protected:
  void SetUp() override {
    RulesTest::SetUp();
    ResetLoopState();
    Host = ScriptedHost();
    Waiting.clear();
    ScriptedAnswers.clear();
    Log.clear();
  }
  void TearDown() override {
    RulesTest::TearDown();
    UseHeadlessHost(0);
  }

  static void Send(std::initializer_list<HostEvent> events) { Waiting.insert(Waiting.end(), events); }
  static void Hold(std::initializer_list<int> keys) {
    for (int key : keys) KeyState[key] = 1;
  }
  static std::vector<std::string> IdlePass() {
    Log.clear();
    PauseAskedMs = 0;
    EXPECT_EQ(LoopPass(), PassKind::Idle);
    return Log;
  }
};

// A frame of the new game (FrameCounter 0 to 1 would run the periodic rules;
// frame 2 runs none) with the pointer at the window's centre.
TEST_F(GameLoop, OneFrameRunsItsStretchesInTheFramesOrder) {
  FrameCounter = 1;
  GameSpeed = 3;
  Send({{EventKind::PointerMove, 320, 240}});
  ASSERT_EQ(LoopPass(), PassKind::Message);
  const std::vector<std::string> want = {
      "sample",    // the instant keys, once
      "scene",     "terrain",  "units",
      "query 32",  // Space
      "cursor 0,0",
      "query 112", "query 113", "query 114", "query 115", "query 116", "query 117", "query 118", "query 119",
      "query 72",  // H
      "overlay",   "present",
      "query 16", "query 16",  // Shift, held-now then up
  };
  EXPECT_EQ(IdlePass(), want);
  EXPECT_EQ(FrameCounter, 2);
  EXPECT_EQ(PauseAskedMs, 12) << "the speed pause, (3 - 1) * 6 ms";
}

TEST_F(GameLoop, NoFrameWhileEventsWaitAndEachEventTakesAPassOfItsOwn) {
  Send({{EventKind::KeyDown, KeyPageUp}, {EventKind::PointerMove, 10, 20}, {EventKind::ButtonDown, ButtonRight}});
  const float zoom = CameraZoom;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(LoopPass(), PassKind::Message);
  EXPECT_TRUE(Log.empty()) << Log.front();
  EXPECT_EQ(FrameCounter, 0);
  EXPECT_EQ(CameraZoom, zoom) << "the loop keys wait for an idle pass too";
  EXPECT_EQ(MouseState.x, 10);
  EXPECT_EQ(MouseState.right, 1);
  EXPECT_EQ(IdlePasses, 0);
  IdlePass();
  EXPECT_EQ(FrameCounter, 1);
  EXPECT_EQ(CameraZoom, zoom - 0.12f);
  EXPECT_EQ(IdlePasses, 1);
}

TEST_F(GameLoop, InactiveWindowGetsNoFrameButPresentsAndAppliesTheLoopKeys) {
  Send({{EventKind::Activate, 0}, {EventKind::KeyDown, KeyRight}});
  while (LoopPass() == PassKind::Message) {
  }
  EXPECT_EQ(Log, (std::vector<std::string>{"sample", "present", "query 16", "query 16"}));
  EXPECT_EQ(PauseAskedMs, 100);
  EXPECT_EQ(FrameCounter, 0);
  EXPECT_EQ(map_sx, 33);
  Send({{EventKind::Activate, 1}});
  EXPECT_EQ(LoopPass(), PassKind::Message);
  IdlePass();
  EXPECT_EQ(FrameCounter, 1);
}

TEST_F(GameLoop, EscapeEndsTheLoopActiveOrNotWithoutPresenting) {
  for (int active : {1, 0}) {
    Send({{EventKind::Activate, active}, {EventKind::KeyDown, KeyEscape}});
    Log.clear();
    const int frame = FrameCounter;
    MainLoop();
    EXPECT_EQ(FrameCounter, frame + active) << "the last pass still runs its frame when active";
    for (const std::string& call : Log) EXPECT_NE(call, "present");
    KeyState[KeyEscape] = 0;
  }
}

TEST_F(GameLoop, PauseStopsFramesAndLoopKeysButNotTheEventsOrEscape) {
  Hold({KeyPageUp});
  Send({{EventKind::KeyDown, KeyP}});
  EXPECT_EQ(LoopPass(), PassKind::Message);
  EXPECT_EQ(Paused, 1) << "toggled when the event is taken";
  const float zoom = CameraZoom;
  EXPECT_EQ(IdlePass(), (std::vector<std::string>{"present paused"})) << "no frame, no key query";
  EXPECT_EQ(IdlePasses, 1);
  // The window's auto-repeat, then Pause: only a key going down toggles.
  Send({{EventKind::KeyDown, KeyP}, {EventKind::PointerMove, 10, 20}, {EventKind::KeyUp, KeyP},
        {EventKind::KeyDown, KeyPause}, {EventKind::KeyDown, KeyPause}});
  const int paused_after_each[] = {1, 1, 1, 0, 0};
  for (int paused : paused_after_each) {
    EXPECT_EQ(LoopPass(), PassKind::Message);
    EXPECT_EQ(Paused, paused);
  }
  EXPECT_EQ(MouseState.x, 10) << "the pointer follows its events while paused";
  EXPECT_EQ(FrameCounter, 0);
  EXPECT_EQ(CameraZoom, zoom);
  IdlePass();
  EXPECT_EQ(FrameCounter, 1);
  EXPECT_EQ(CameraZoom, zoom - 0.12f) << "a key held through the pause acts on the first pass after it";
  Send({{EventKind::KeyUp, KeyPause}, {EventKind::KeyDown, KeyPause}, {EventKind::KeyDown, KeyEscape}});
  Log.clear();
  MainLoop();
  EXPECT_EQ(Paused, 1);
  EXPECT_TRUE(Log.empty()) << Log.front();
}

TEST_F(GameLoop, CloseEndsTheLoopOnceTheQuitComesThroughTheQueue) {
  Host.post_quit = [] { Waiting.push_back({EventKind::Quit}); };
  Send({{EventKind::Close}, {EventKind::KeyDown, KeyH}});
  MainLoop();
  EXPECT_EQ(KeyState[KeyH], 1) << "events queued before the quit are still handled";
  EXPECT_EQ(IdlePasses, 0);
}

TEST_F(GameLoop, LoopKeysRunInTheirOrderWithTheirSleeps) {
  Hold({KeyPageUp, KeyE, KeyUp, KeyRight, KeyLeft});
  Send({{EventKind::Activate, 0}});
  LoopPass();
  const float zoom = CameraZoom;
  EXPECT_EQ(IdlePass(), (std::vector<std::string>{"sample", "present", "query 16", "query 16"}));
  EXPECT_EQ(PauseAskedMs, 500 + 3 * 100) << "E, then a pause per scrolling key";
  EXPECT_EQ(CameraZoom, zoom - 0.12f);
  EXPECT_EQ(SpareToggle, 1);
  EXPECT_EQ(map_sx, 32) << "right and left cancel out, each with its own pause";
  EXPECT_EQ(map_sy, 33);
}

TEST_F(GameLoop, ShiftIsAskedTwiceAndEachAnswerActsOnItsOwn) {
  Send({{EventKind::Activate, 0}});
  LoopPass();
  Hold({KeyUp});
  const float tilt = CameraTilt;
  ScriptedAnswers = {1, 0};  // let go between the two questions: tilts and scrolls
  IdlePass();
  EXPECT_EQ(CameraTilt, tilt - 0.5f);
  EXPECT_EQ(map_sy, 33);
  ScriptedAnswers = {0, 1};  // pressed between them: neither
  IdlePass();
  EXPECT_EQ(CameraTilt, tilt - 0.5f);
  EXPECT_EQ(map_sy, 33);
}

// The pointer moved onto a cell and the button went down in the same
// events: the command acts on that cell, not on the one of the last frame.
TEST_F(GameLoop, CommandsActOnTheCellPointedAtInTheSameFrame) {
  KeepOnlyLeaders();
  Send({{EventKind::PointerMove, 400, 306}, {EventKind::ButtonDown, ButtonRight}});
  while (LoopPass() == PassKind::Message) {
  }
  // x 400: 400 / 640 * 40 - 20 = 5; y 306: (480 - 306) / 480 * 40 - 20 = -5.5, truncated to -5.
  EXPECT_EQ(UnitTable[0].goal_x, 37);
  EXPECT_EQ(UnitTable[0].goal_y, 27);
  EXPECT_EQ(UnitTable[0].order, OrderMove);
}

TEST_F(GameLoop, HelpClosesOnEveryGameOverFrame) {
  KeepOnlyLeaders();
  UnitTable[1].dead = 1;
  Hold({KeyH});
  Send({{EventKind::Activate, 1}});
  LoopPass();
  IdlePass();  // frame 1: the count decides, H opens the page, the frame closes it
  ASSERT_EQ(VictoryPlayer, 1);
  EXPECT_EQ(HelpVisible, 0);
}

class LoopKeys : public GameLoop {
 protected:
  void SetUp() override {
    GameLoop::SetUp();
    ResetWorldGlobals();
  }
  static void Pass(std::initializer_list<int> held) {
    ResetInput();
    Hold(held);
    Log.clear();
    PauseAskedMs = 0;
    ApplyLoopKeys();
  }
};
TEST_F(LoopKeys, ZoomStepsOnEveryPassWithoutLimitOrPause) {
  const float start = CameraZoom;
  for (int i = 0; i < 3; ++i) Pass({KeyPageUp});
  EXPECT_EQ(CameraZoom, start - 0.12f - 0.12f - 0.12f);
  Pass({KeyPageDown});
  EXPECT_EQ(CameraZoom, start - 0.12f - 0.12f - 0.12f + 0.12f);
  EXPECT_EQ(PauseAskedMs, 0);
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
  EXPECT_EQ(PauseAskedMs, 0);
}

TEST_F(LoopKeys, ArrowsScrollWithOnePausePerHeldDirection) {
  const float tilt = CameraTilt;
  const int sx = map_sx, sy = map_sy;
  Pass({KeyRight, KeyUp});
  EXPECT_EQ(map_sx, sx + 1);
  EXPECT_EQ(map_sy, sy + 1);
  EXPECT_EQ(PauseAskedMs, 2 * 100);
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
  EXPECT_EQ(PauseAskedMs, 500);
}

}  // namespace

// The game's clock: passes on their period, pauses added, drawing left out
// while behind (within its bound), and a stall let go rather than caught up.
class GameClock : public GameLoop {
 protected:
  void SetUp() override {
    GameLoop::SetUp();
    ClockStarted = false;
    FramesUndrawn = 0;
  }
  static int Drawn() { return static_cast<int>(std::count(Log.begin(), Log.end(), "present")); }
  static int Run() { return static_cast<int>(std::count(Log.begin(), Log.end(), "sample")); }
  static void StepAt(double ms) {
    Log.clear();
    EXPECT_TRUE(StepLoop(ms));
  }
  // Steps at `ms` until no pass is left due: the passes run and drawn. A
  // clock that never catches up fails after a second's passes.
  static std::pair<int, int> StepsAt(double ms) {
    int run = 0, drawn = 0;
    for (StepAt(ms); Run() > 0; StepAt(ms)) {
      EXPECT_LE(Drawn(), 1) << "one picture a step";
      run += Run();
      drawn += Drawn();
      if (run > FramesPerSecond) {
        ADD_FAILURE() << "passes still due at " << ms << " ms after " << run << " of them";
        break;
      }
    }
    return {run, drawn};
  }
};

TEST_F(GameClock, PassesComeOnTheirPeriodAndSkipDrawingNotTimeWhenBehind) {
  constexpr double P = FramePeriodMs;
  struct Case {
    double late;  // periods after the pass was due
    int run, drawn;
  } cases[] = {
      {0, 1, 1},     {0.4, 1, 1},  // in time: one pass, drawn
      {-0.4, 1, 1},                // a little early is in time
      {1, 2, 1},     {3, 4, 1},    // behind: the passes due, the last one drawn
      {5, 6, 2},                   // at most three undrawn in a row
      {600, MaxFramesBehind + 1, 3},  // a stall: the rest of its time is let go
  };
  StepAt(1000);
  for (const Case& c : cases) {
    const double now = NextPassDueMs + c.late * P;
    EXPECT_EQ(StepsAt(now), std::make_pair(c.run, c.drawn)) << c.late << " periods late";
    EXPECT_GT(NextPassDueMs, now) << "caught up";
  }
  StepAt(NextPassDueMs - P);
  EXPECT_EQ(Run(), 0) << "nothing before its time";
}

// Behind a slow screen the speed setting still holds: a pass left undrawn
// moves the next one by its pauses as a drawn one does.
TEST_F(GameClock, APassLeftUndrawnStillTakesItsPauses) {
  GameSpeed = 3;  // 12 ms each frame
  StepAt(0);
  const double due = NextPassDueMs;
  StepAt(due + FramePeriodMs);  // a period behind
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Drawn(), 0) << "the pass due while the next one is due already is left undrawn";
  EXPECT_DOUBLE_EQ(NextPassDueMs, due + FramePeriodMs + 12);
}

TEST_F(GameClock, APauseAskedMovesTheNextPassAndACloseComesAtOnce) {
  GameSpeed = 3;  // 12 ms each frame
  Hold({KeyE});   // 500 ms
  StepAt(0);
  EXPECT_EQ(Run(), 1);
  EXPECT_DOUBLE_EQ(NextPassDueMs, FramePeriodMs / 2 + FramePeriodMs + 12 + 500) << "half a period's lead, then one";
  StepAt(400);
  EXPECT_EQ(Run(), 0) << "the pause holds the next pass back";
  Host.post_quit = [] { Waiting.push_back({EventKind::Quit}); };
  Send({{EventKind::Close}});
  HurryNextPass();
  Log.clear();
  EXPECT_FALSE(StepLoop(401)) << "the close ends the loop without waiting out the pause";
  EXPECT_EQ(Run(), 0);
}
