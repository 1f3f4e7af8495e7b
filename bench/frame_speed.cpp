// valdorik-frame-bench: what one frame costs in the game's own window, and
// where the time goes. Start-up is the game's (window, context, renderer,
// first game); the clock is fixed so the game is the same on every run, and
// frames are presented without the game's 60 fps pacing.
//
//   cd build/game && ../valdorik-frame-bench [--frames N] [--seed S]
//       [--scenario new|busy|worst|all] [--scale N] [--pixels] [--dump FOLDER]
//
// --scale N shows the frame in a window N times its size, as the game does
// (1 by default); the present stretch then holds the scaling.
//
// Two runs per scenario: RunFrame and the buffer swap back to back (frames
// per second as the game would present them unpaced), then RunFrame again
// with each drawing stretch timed between glFinish calls (the split; the
// rules' share is what the frame took beyond its drawing).
#include <GL/gl.h>
#include <SDL.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "frame_scenarios.h"
#include "host/host.h"
#include "host/input.h"
#include "loop/frame.h"
#include "loop/game_state.h"
#include "loop/main_loop.h"
#include "loop/startup.h"
#include "platform/backend.h"
#include "platform/gl/frame_stretches.h"
#include "platform/gl/scaled_frame.h"
#include "platform/screen.h"
#include "platform/sdl/host.h"
#include "render/drawing.h"
#include "render/render_buffers.h"
#include "world/new_game.h"
#include "world/world.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// CPU time of the whole process, llvmpipe's threads included: what a frame
// costs whatever else the machine is running.
double ProcessCpuMs() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

// The value below which the given share of the samples lie.
double Percentile(std::vector<double> samples, double share) {
  std::sort(samples.begin(), samples.end());
  return samples[static_cast<size_t>(share * (samples.size() - 1))];
}

// --- Measurement. ---

void DrainEvents() {
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
  }
}

// As the game presents, without its pacing.
void Present() {
  ShowFrameOnStage();
  SDL_GL_SwapWindow(SDL_GL_GetCurrentWindow());
}

constexpr int StretchCount = 7;
const char* const StretchNames[StretchCount] = {"set-up", "terrain", "units", "cursor", "overlay", "rules", "present"};
enum Stretch { SetUp, Terrain, Units, Cursor, Overlay, Rules, Presenting };

// Each drawing stretch of the frame, finished before and after, adds its time here.
double StretchMs[StretchCount];

template <Stretch Which, void (*Draw)()>
void Timed() {
  glFinish();
  const auto t = std::chrono::steady_clock::now();
  Draw();
  glFinish();
  StretchMs[Which] += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

void TimedCursorMark(int dx, int dy) {
  glFinish();
  const auto t = std::chrono::steady_clock::now();
  DrawCursorMark(dx, dy);
  glFinish();
  StretchMs[Cursor] += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

void TimeDrawingStretches(bool timed) {
  const GameHost window = SdlHostWithFixedClock(0);
  Host.begin_scene = timed ? Timed<SetUp, BeginScene> : window.begin_scene;
  Host.draw_terrain = timed ? Timed<Terrain, DrawTerrain> : window.draw_terrain;
  Host.draw_units = timed ? Timed<Units, DrawUnits> : window.draw_units;
  Host.draw_cursor_mark = timed ? TimedCursorMark : window.draw_cursor_mark;
  Host.draw_overlay = timed ? Timed<Overlay, DrawOverlay> : window.draw_overlay;
}

struct Figures {
  double unpaced_fps = 0, mean_frame = 0, median_frame = 0, p99_frame = 0, worst_frame = 0, cpu_frame = 0;
  double split_mean[StretchCount] = {}, split_worst[StretchCount] = {};
  int visible_triangles = 0, visible_units = 0;
  bool searches_ran = true;
  uint64_t pixel_hash = 1469598103934665603ull;
};

std::vector<uint8_t> Pixels(FrameWidth* FrameHeight * 3);

void ReadFrame() {
  glPixelStorei(GL_PACK_ALIGNMENT, 1);  // from wherever the frame is drawn
  glReadPixels(0, 0, FrameWidth, FrameHeight, GL_RGB, GL_UNSIGNED_BYTE, Pixels.data());
}

void HashFrame(uint64_t& hash) {
  ReadFrame();
  for (uint8_t byte : Pixels) hash = (hash ^ byte) * 1099511628211ull;
}

void WriteFrame(const std::string& path) {
  ReadFrame();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    std::fprintf(stderr, "valdorik-frame-bench: cannot write %s\n", path.c_str());
    return;
  }
  std::fprintf(file, "P6\n%d %d\n255\n", FrameWidth, FrameHeight);
  for (int row = FrameHeight - 1; row >= 0; --row)  // GL's first row is the bottom one
    std::fwrite(Pixels.data() + row * FrameWidth * 3, 1, FrameWidth * 3, file);
  std::fclose(file);
}

struct Options {
  int frames = 300;
  uint32_t seed = 1;
  std::string scenario = "all";
  int scale = 1;
  bool pixels = false;
  std::string dump;
};

bool StepsTaken(const GameState& before, int first) {
  for (int k = first; k < first + 8; ++k)
    if (UnitTable[k].cell_x == before.units[k].cell_x && UnitTable[k].cell_y == before.units[k].cell_y)
      return false;
  return true;
}

Figures Measure(const Scenario& scenario, const Options& options) {
  Figures f;
  // Every frame of a replayed scenario starts from the whole game state.
  const int searched_group = PrepareScenario(scenario);
  const GameState start = TakeGameState();
  const int warm_up = 10;

  // Unpaced: the frame and the swap back to back, nothing waited for.
  for (int pass = 0; pass < 2; ++pass) {
    RestoreGameState(start);
    const int frames = pass == 0 ? warm_up : options.frames;
    std::vector<double> times;
    glFinish();
    const Clock::time_point begin = Clock::now();
    const double cpu_begin = ProcessCpuMs();
    for (int i = 0; i < frames; ++i) {
      if (scenario.replay) RestoreGameState(start);
      const Clock::time_point t = Clock::now();
      DrainEvents();
      RunFrame();
      Present();
      times.push_back(MsSince(t));
    }
    glFinish();
    const double total = MsSince(begin);
    if (pass == 1) {
      f.unpaced_fps = frames * 1000.0 / total;
      f.mean_frame = total / frames;
      f.cpu_frame = (ProcessCpuMs() - cpu_begin) / frames;
      f.median_frame = Percentile(times, 0.5);
      f.p99_frame = Percentile(times, 0.99);
      f.worst_frame = *std::max_element(times.begin(), times.end());
    }
  }

  // Split: each stretch finished by glFinish before the clock is read.
  RestoreGameState(start);
  for (int i = 0; i < warm_up + options.frames; ++i) {
    if (scenario.replay) RestoreGameState(start);
    DrainEvents();
    glFinish();
    double* ms = StretchMs;
    std::fill(ms, ms + StretchCount, 0.0);
    TimeDrawingStretches(true);
    const Clock::time_point frame_start = Clock::now();
    RunFrame();
    glFinish();
    ms[Rules] = MsSince(frame_start) - (ms[SetUp] + ms[Terrain] + ms[Units] + ms[Cursor] + ms[Overlay]);
    TimeDrawingStretches(false);
    if (searched_group >= 0 && !StepsTaken(start, searched_group)) f.searches_ran = false;
    f.visible_triangles = VisibleTriangleCount;
    f.visible_units = VisibleUnitCount;
    if (options.pixels) HashFrame(f.pixel_hash);
    if (!options.dump.empty() && i == warm_up + options.frames - 1)
      WriteFrame(options.dump + "/" + scenario.key + ".ppm");
    const Clock::time_point t = Clock::now();
    Present();
    glFinish();
    ms[Presenting] = MsSince(t);
    if (i < warm_up) continue;
    for (int s = 0; s < StretchCount; ++s) {
      f.split_mean[s] += ms[s] / options.frames;
      f.split_worst[s] = std::max(f.split_worst[s], ms[s]);
    }
  }
  return f;
}

void PrintFigures(const Scenario& scenario, const Figures& f, const Options& options) {
  std::printf("\n%s: %d terrain triangles drawn, %d units listed (last frame)\n", scenario.title, f.visible_triangles,
              f.visible_units);
  if (std::strcmp(scenario.key, "worst") == 0)
    std::printf("  eight long searches each frame: %s\n", f.searches_ran ? "yes (all eight stepped)" : "NO");
  std::printf("  unpaced: %.1f frames per second; ms per frame: mean %.2f, median %.2f, 99th percentile %.2f, "
              "worst %.2f; CPU %.2f ms per frame\n",
              f.unpaced_fps, f.mean_frame, f.median_frame, f.p99_frame, f.worst_frame, f.cpu_frame);
  std::printf("  split with glFinish, ms mean (worst):");
  double sum = 0;
  for (int s = 0; s < StretchCount; ++s) {
    std::printf(" %s %.2f (%.2f)%s", StretchNames[s], f.split_mean[s], f.split_worst[s],
                s + 1 < StretchCount ? "," : "");
    sum += f.split_mean[s];
  }
  std::printf("; sum %.2f\n", sum);
  if (options.pixels) std::printf("  pixels of all %d frames: %016llx\n", options.frames + 10,
                                  static_cast<unsigned long long>(f.pixel_hash));
}

// A whole decimal number from 0 to `limit`, nothing else.
bool ParseNumber(const char* text, unsigned long limit, unsigned long& value) {
  if (*text < '0' || *text > '9') return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtoul(text, &end, 10);
  return errno == 0 && *end == '\0' && value <= limit;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    unsigned long number = 0;
    if (arg == "--frames" && has_value) {
      if (!ParseNumber(argv[++i], 100000, number) || number < 1) return false;
      options.frames = static_cast<int>(number);
    } else if (arg == "--seed" && has_value) {
      if (!ParseNumber(argv[++i], UINT32_MAX, number)) return false;
      options.seed = static_cast<uint32_t>(number);
    } else if (arg == "--scenario" && has_value) {
      options.scenario = argv[++i];
    } else if (arg == "--scale" && has_value) {
      if (!ParseNumber(argv[++i], MaxScale, number) || number < 1) return false;
      options.scale = static_cast<int>(number);
    } else if (arg == "--pixels") {
      options.pixels = true;
    } else if (arg == "--dump" && has_value) {
      options.dump = argv[++i];
    } else {
      return false;
    }
  }
  if (options.scenario == "all") return true;
  for (const Scenario& s : Scenarios)
    if (options.scenario == s.key) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: valdorik-frame-bench [--frames N (1-100000)] [--seed S (0-4294967295)] "
                 "[--scenario new|busy|worst|all] [--scale N (1-8)] [--pixels] [--dump FOLDER]\n");
    return 2;
  }
  Host = SdlHostWithFixedClock(options.seed);
  WindowScale = options.scale;
  if (!CreateGameWindow("VALDORIK", FrameWidth, FrameHeight)) {
    SDL_Quit();
    return 1;
  }
  StartDrawing();
  StartGame();
  SDL_GL_SetSwapInterval(0);  // and no pacing: Present swaps at once
  std::printf("renderer: %s; OpenGL %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
              reinterpret_cast<const char*>(glGetString(GL_VERSION)));
  std::printf("seed %u, %d measured frames per run (after 10 warm-up frames), scale %d (%d x %d window)\n",
              options.seed, options.frames, options.scale, FrameWidth * options.scale, FrameHeight * options.scale);
  for (const Scenario& scenario : Scenarios) {
    if (options.scenario != "all" && options.scenario != scenario.key) continue;
    PrintFigures(scenario, Measure(scenario, options), options);
    std::fflush(stdout);
  }
  DestroyGameWindow();
  ReleaseDrawing();
  ReleaseGame();
  SDL_Quit();
  return 0;
}
