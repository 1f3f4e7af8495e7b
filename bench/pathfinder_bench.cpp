#include <benchmark/benchmark.h>

#include "pathfinding/pathfinder.h"
#include "rules/startup.h"
#include "world/services.h"
#include "world/world.h"

namespace {

struct OpenMap {
  OpenMap() {
    UseHeadlessHost(1);
    StartHeadlessWorld();
    for (int u = 0; u < UnitCount; ++u) UnitTable[u] = UnitRecord{};
  }
  ~OpenMap() { StopHeadlessWorld(); }
};

void SearchOpenMapCorner(benchmark::State& state) {
  OpenMap map;
  Pathfinder pf;
  for (auto _ : state) {
    pf.BeginSearch(1, 1, 62, 62, 0, 64);
    benchmark::DoNotOptimize(pf.RunSearch(64 * 64));
  }
  state.counters["nodes"] = pf.last_node + 1;
}
BENCHMARK(SearchOpenMapCorner);

// The goal (10, 14) is ringed by void cells: the search visits every
// reachable interior cell and spends its whole budget.
void SearchWalledInGoal(benchmark::State& state) {
  OpenMap map;
  for (int dx = -1; dx <= 1; ++dx)
    for (int dy = -1; dy <= 1; ++dy)
      if (dx || dy) TerrainCodes[CellIndex(10 + dx, 14 + dy)] = 0;
  Pathfinder pf;
  for (auto _ : state) {
    pf.BeginSearch(10, 10, 10, 14, 0, 64);
    benchmark::DoNotOptimize(pf.RunSearch(64 * 64));
  }
  state.counters["nodes"] = pf.last_node + 1;
}
BENCHMARK(SearchWalledInGoal);

}  // namespace
