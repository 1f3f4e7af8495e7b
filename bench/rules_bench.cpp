// The headless frame: every rule of a frame, no drawing, as valdorik-sim runs it.
#include <benchmark/benchmark.h>

#include "host/host.h"
#include "host/input.h"
#include "loop/frame.h"
#include "loop/startup.h"
#include "world/world.h"

namespace {

constexpr int GameFrames = 20000;

// One seed-1 game of 20000 frames; reports frames per second.
void BM_HeadlessGame(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    ResetWorldGlobals();
    ResetInput();
    UseHeadlessHost(1);
    StartGame();
    state.ResumeTiming();
    for (int frame = 0; frame < GameFrames; ++frame) RunFrame();
    benchmark::DoNotOptimize(UnitTable[0].gold);
    state.PauseTiming();
    ReleaseGame();
    state.ResumeTiming();
  }
  state.counters["frames_per_second"] =
      benchmark::Counter(static_cast<double>(GameFrames) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_HeadlessGame)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace
