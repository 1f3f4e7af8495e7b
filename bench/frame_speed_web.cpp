// The frame bench's worst scenario in the browser page, for the figures of
// scripts/web-figures.sh beside the native valdorik-frame-bench's: built
// into the web game only (CMakeLists.txt), called by the page opened with
// ?bench=1.
#include <GL/gl.h>
#include <emscripten.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "frame_scenarios.h"
#include "host/host.h"
#include "host/input.h"
#include "loop/frame.h"
#include "loop/game_state.h"
#include "loop/startup.h"
#include "platform/backend.h"
#include "platform/web/host.h"
#include "render/drawing.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

GameState ScenarioStart;

}  // namespace

extern "C" {

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
  Host = BackendHost();
  Host.clock_seconds = fixed.clock_seconds;
  Host.play_sound_async = fixed.play_sound_async;
  if (!CreateGameWindow("VALDORIK", FrameWidth, FrameHeight)) return -1;
  StartDrawing();
  StartGame();
  PrepareScenario(Scenarios[ScenarioCount - 1]);
  ScenarioStart = TakeGameState();
  double total = 0, longest = 0;
  for (int i = 0; i < WarmUp + frames; ++i) {
    RestoreGameState(ScenarioStart);
    const Clock::time_point start = Clock::now();
    RunFrame();
    glFinish();
    const double ms = MsSince(start);
    if (i < WarmUp) continue;
    total += ms;
    longest = std::max(longest, ms);
  }
  ReleaseDrawing();
  ReleaseGame();
  if (FILE* file = std::fopen("/frame-speed.txt", "wb")) {
    std::fprintf(file, "%.2f %.2f\n", total / frames, longest);
    std::fclose(file);
  }
  return total / frames;
}
}
