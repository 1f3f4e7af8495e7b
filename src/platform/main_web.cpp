// The game in a web page: the page (web/page.js) calls these, one game at a
// time. A game takes the desktop's command line, so recording, watching a
// replay and the final dump are the desktop's own; its files live in the
// page's memory file system, and the page carries them to and from the
// browser's storage. Messages the desktop writes on stderr reach the page.
#include <emscripten.h>

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "host/host.h"
#include "loop/main_loop.h"
#include "loop/startup.h"
#include "platform/game_entry.h"
#include "frame_scenarios.h"
#include "host/input.h"
#include "loop/frame.h"
#include "platform/host_web.h"
#include "platform/window.h"
#include "replay/state_dump.h"

namespace {

EM_JS(void, TellPageGameEnded, (int status), {
  if (Module['gameEnded']) Module['gameEnded'](status);
});

void NothingToShutDown() {}

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

WorldSnapshot ScenarioStart;  // large: kept off the stack

}  // namespace

extern "C" {

// Plays one game with the desktop's options, one word a line; the page
// hears the end through Module.gameEnded(status).
EMSCRIPTEN_KEEPALIVE void RunWebGame(const char* words) {
  std::vector<std::string> options = {"valdorik"};
  std::istringstream lines(words);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty()) options.push_back(line);
  std::vector<char*> argv;
  for (std::string& option : options) argv.push_back(option.data());
  ResetForNewRun();
  ForgetWebInput();
  const int status = GameMain(static_cast<int>(argv.size()), argv.data(), {.host = WebHost, .shut_down = NothingToShutDown});
  TellPageGameEnded(status);
}

EMSCRIPTEN_KEEPALIVE void QuitWebGame() { QuitWebGameSoon(); }

// The rules alone, as `valdorik-sim run --seed S --frames N` runs them: the
// milliseconds taken, and the last dump into the page's `/rules-speed.json`.
// Never while a game runs: they share the world.
EMSCRIPTEN_KEEPALIVE double RulesSpeedWeb(unsigned seed, int frames) {
  ResetForNewRun();
  UseHeadlessHost(seed);
  const auto start = std::chrono::steady_clock::now();
  InitRenderer();
  for (int pass = 0; pass < frames; ++pass) LoopPass();
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  std::string dump;
  AppendStateDump(IdlePasses, dump);
  if (FILE* file = std::fopen("/rules-speed.json", "wb")) {
    std::fwrite(dump.data(), 1, dump.size(), file);
    std::fclose(file);
  }
  ReleaseGame();
  return took.count();
}

// The frame bench's worst scenario (valdorik-frame-bench --scenario worst):
// the game started on the canvas with the clock at `seed` and no sleeps,
// then `frames` frames (after ten to warm up), each from the same state and
// finished by glFinish. Returns the mean milliseconds a frame; the mean and
// the longest go to the page's `/frame-speed.txt`. Never while a game runs.
EMSCRIPTEN_KEEPALIVE double FrameSpeedWeb(unsigned seed, int frames) {
  constexpr int WarmUp = 10;
  ResetForNewRun();
  ForgetWebInput();
  const GameHost fixed = HeadlessHost(seed);
  Host = WebHost();
  Host.clock_seconds = fixed.clock_seconds;
  Host.sleep_ms = fixed.sleep_ms;
  Host.play_sound_async = fixed.play_sound_async;
  if (!CreateGameWindow("VALDORIK", WindowWidth, WindowHeight, ColorBits, false)) return -1;
  PrepareScenario(Scenarios[ScenarioCount - 1]);
  TakeSnapshot(ScenarioStart);
  double total = 0, longest = 0;
  for (int i = 0; i < WarmUp + frames; ++i) {
    RestoreSnapshot(ScenarioStart);
    const Clock::time_point start = Clock::now();
    RunFrame();
    glFinish();
    const double ms = MsSince(start);
    if (i < WarmUp) continue;
    total += ms;
    longest = std::max(longest, ms);
  }
  ReleaseGame();
  if (FILE* file = std::fopen("/frame-speed.txt", "wb")) {
    std::fprintf(file, "%.2f %.2f\n", total / frames, longest);
    std::fclose(file);
  }
  return total / frames;
}
}
