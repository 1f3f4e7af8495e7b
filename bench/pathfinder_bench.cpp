#include <benchmark/benchmark.h>

#include "host/host.h"
#include "loop/startup.h"
#include "pathfinding/pathfinder.h"
#include "world/world.h"

namespace {

struct OpenMap {
  OpenMap() {
    UseHeadlessHost(1);
    StartGame();
    for (int u = 0; u < UnitCount; ++u) UnitTable[u] = UnitRecord{};
  }
  ~OpenMap() { ReleaseGame(); }
};

// One whole search as a path request makes it. Kept out of line so that
// callgrind can count its instructions (bench/search_instructions.sh).
[[gnu::noinline]] int OneSearch(Pathfinder& pf, int fx, int fy, int tx, int ty) {
  pf.BeginSearch(fx, fy, tx, ty, 0, 64);
  return pf.RunSearch(64 * 64);
}

void RunSearches(benchmark::State& state, SearchMode mode, int fx, int fy, int tx, int ty) {
  Pathfinder pf;
  pf.search_mode = mode;
  for (auto _ : state) benchmark::DoNotOptimize(OneSearch(pf, fx, fy, tx, ty));
  state.counters["nodes"] = pf.last_node + 1;
}

// The longest search on the open map: every interior cell gets a node.
void SearchOpenMapCorner(benchmark::State& state, SearchMode mode) {
  OpenMap map;
  RunSearches(state, mode, 1, 1, 62, 62);
}
BENCHMARK_CAPTURE(SearchOpenMapCorner, literal, SearchLiteral);
BENCHMARK_CAPTURE(SearchOpenMapCorner, fast, SearchFast);

// The goal (10, 14) is ringed by void cells: the search visits every
// reachable interior cell and spends its whole budget.
void SearchWalledInGoal(benchmark::State& state, SearchMode mode) {
  OpenMap map;
  for (int dx = -1; dx <= 1; ++dx)
    for (int dy = -1; dy <= 1; ++dy)
      if (dx || dy) TerrainCodes[CellIndex(10 + dx, 14 + dy)] = TerrainVoid;
  RunSearches(state, mode, 10, 10, 10, 14);
}
BENCHMARK_CAPTURE(SearchWalledInGoal, literal, SearchLiteral);
BENCHMARK_CAPTURE(SearchWalledInGoal, fast, SearchFast);

// Searches like the game's: 200 fixed random start and goal pairs on the open
// map, one iteration runs them all.
void SearchRandomPairs(benchmark::State& state, SearchMode mode) {
  OpenMap map;
  Pathfinder pf;
  pf.search_mode = mode;
  uint32_t seed = 12345;
  auto draw = [&seed] { return static_cast<int>((seed = seed * 1103515245u + 12345u) >> 16) % 64; };
  int pairs[200][4];
  for (auto& p : pairs)
    for (int& v : p) v = draw();
  int64_t nodes = 0;
  for (auto _ : state) {
    for (const auto& p : pairs) {
      benchmark::DoNotOptimize(OneSearch(pf, p[0], p[1], p[2], p[3]));
      nodes += pf.last_node + 1;
    }
  }
  state.counters["nodes"] = static_cast<double>(nodes) / static_cast<double>(state.iterations()) / 200.0;
}
BENCHMARK_CAPTURE(SearchRandomPairs, literal, SearchLiteral);
BENCHMARK_CAPTURE(SearchRandomPairs, fast, SearchFast);

}  // namespace
