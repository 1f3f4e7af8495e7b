#include <benchmark/benchmark.h>

#include "overlay/overlay.h"
#include "overlay/overlay_buffer.h"

namespace {

struct Overlay {
  Overlay() { AllocateOverlay(); }
  ~Overlay() { ReleaseOverlay(); }
};

// The status block as a frame draws it, with typical values.
void DrawSixStatusLines() {
  FormatTextLine("WIN32VALDORIKCATAPULTR006B");
  DrawLargeText(40, 420, 255, 255, 255);
  FormatTextLine("Press H for help.");
  DrawLargeText(40, 400, 255, 255, 255);
  FormatTextLine("map_sx=%d map_sy=%d", 32, 32);
  DrawLargeText(40, 380, 255, 255, 255);
  FormatTextLine("selected_unit=%d", 0);
  DrawLargeText(40, 360, 255, 255, 255);
  FormatTextLine("map_ex=%d map_ey=%d", 37, 29);
  DrawLargeText(40, 340, 255, 255, 255);
  FormatTextLine("empire_0_gold=%2.2f", static_cast<double>(1234.5f));
  DrawLargeText(40, 320, 255, 255, 255);
}

void ClearOnly(benchmark::State& state) {
  Overlay overlay;
  for (auto _ : state) {
    ClearOverlay();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(ClearOnly);

void StatusLinesOnly(benchmark::State& state) {
  Overlay overlay;
  for (auto _ : state) {
    DrawSixStatusLines();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(StatusLinesOnly);

void ClearAndStatusLines(benchmark::State& state) {
  Overlay overlay;
  for (auto _ : state) {
    ClearOverlay();
    DrawSixStatusLines();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(ClearAndStatusLines);

}  // namespace
