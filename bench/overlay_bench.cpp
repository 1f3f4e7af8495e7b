#include <benchmark/benchmark.h>

#include "overlay/hud.h"
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
  DrawLargeText(HudBlockX, HudLineY(0), 255, 255, 255);
  FormatTextLine("Press H for help.");
  DrawLargeText(HudBlockX, HudLineY(1), 255, 255, 255);
  FormatTextLine("map_sx=%d map_sy=%d", 32, 32);
  DrawLargeText(HudBlockX, HudLineY(2), 255, 255, 255);
  FormatTextLine("selected_unit=%d", 0);
  DrawLargeText(HudBlockX, HudLineY(3), 255, 255, 255);
  FormatTextLine("map_ex=%d map_ey=%d", 37, 29);
  DrawLargeText(HudBlockX, HudLineY(4), 255, 255, 255);
  FormatTextLine("empire_0_gold=%2.2f", static_cast<double>(1234.5f));
  DrawLargeText(HudBlockX, HudLineY(5), 255, 255, 255);
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
