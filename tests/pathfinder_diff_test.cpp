// The fast search against the literal scan, on random worlds, compared field
// by field after every RunSearch. The number of searches comes from
// VALDORIK_DIFF_SEARCHES (default 40000, 6 to 10 s); a thorough run:
//   VALDORIK_DIFF_SEARCHES=100000 ./valdorik_tests --gtest_filter='PathfinderDiff*'
// A failure names the world seed and the search within that world; the run is
// deterministic, so the same count meets it again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <span>
#include <sstream>
#include <string>

#include "host/host.h"
#include "loop/startup.h"
#include "pathfinding/pathfinder.h"
#include "world/world.h"

namespace {

constexpr uint8_t NotWalkable[] = {TerrainVoid, TerrainSolidBlock, TerrainBlocked11, TerrainBlocked20,
                                   TerrainBlocked61};
constexpr uint8_t ClearingCorners[] = {TerrainFloor, TerrainOpen10, TerrainOpen22, TerrainOpen60, TerrainOpen68};
constexpr uint8_t KeepingCorners[] = {TerrainFloorAndTop, 5, 62, 100, 255};  // walkable, no corner cutting
constexpr int SearchesPerWorld = 20;

// 0 when VALDORIK_DIFF_SEARCHES is set but not a count.
int SearchCount() {
  const char* text = std::getenv("VALDORIK_DIFF_SEARCHES");
  if (text == nullptr) return 40000;
  char* end = nullptr;
  const long count = std::strtol(text, &end, 10);
  return end != text && *end == '\0' && count > 0 && count <= 1'000'000'000 ? static_cast<int>(count) : 0;
}

struct Rng {
  std::mt19937 gen;
  int Between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); }
  bool Chance(double p) { return std::bernoulli_distribution(p)(gen); }
  uint8_t Pick(std::span<const uint8_t> codes) { return codes[Between(0, static_cast<int>(codes.size()) - 1)]; }
};

void SetCode(int x, int y, uint8_t code) { TerrainCodes[CellIndex(x, y)] = code; }

// Walls, corner-keeping floor and ordinary floor in random shares.
void ScatteredTerrain(Rng& rng) {
  const double walls = rng.Between(0, 45) / 100.0, keeping = rng.Between(0, 40) / 100.0;
  for (int i = 0; i < CellsPerLayer; ++i) {
    const double roll = rng.Between(0, 999) / 1000.0;
    TerrainCodes[i] = roll < walls             ? rng.Pick(NotWalkable)
                      : roll < walls + keeping ? rng.Pick(KeepingCorners)
                                               : rng.Pick(ClearingCorners);
  }
}

// Two-cell-wide diagonal corridors between one-cell walls, joined at
// alternate ends: only orthogonal steps fit, so from its end at (62, 1) the
// path winds far enough to cost more than the pick bound of 8192. Often the
// far part is open floor, reached from (62, 1) near that bound, which makes a
// wide front of open nodes past it.
void SerpentineTerrain(Rng& rng) {
  const int open_below = rng.Chance(0.5) ? rng.Between(-32, -18) : -MapSize;  // x - y
  for (int y = 0; y < MapSize; ++y)
    for (int x = 0; x < MapSize; ++x) {
      const bool wall = (x - y + 66) % 3 == 0 && x - y >= open_below;
      SetCode(x, y, wall ? rng.Pick(NotWalkable) : rng.Pick(ClearingCorners));
    }
  for (int wall = -63; wall <= 63; wall += 3) {  // a gap near one end, alternating
    const int first_x = std::max(1, wall + 1), last_x = std::min(MapSize - 2, MapSize - 2 + wall);
    if (first_x > last_x) continue;
    const int x = (wall / 3) % 2 == 0 ? first_x : last_x;
    SetCode(x, x - wall, rng.Pick(ClearingCorners));
  }
  for (int holes = rng.Between(0, 2); holes > 0; --holes)
    SetCode(rng.Between(1, 62), rng.Between(1, 62), TerrainFloor);
}

// Goals ringed by walls, so that the open set runs dry.
void RingedTerrain(Rng& rng) {
  std::memset(TerrainCodes.get(), TerrainFloor, CellsPerLayer);
  for (int rings = rng.Between(1, 6); rings > 0; --rings) {
    const int cx = rng.Between(1, 62), cy = rng.Between(1, 62), r = rng.Between(1, 3);
    for (int y = cy - r; y <= cy + r; ++y)
      for (int x = cx - r; x <= cx + r; ++x)
        if ((std::abs(x - cx) == r || std::abs(y - cy) == r) && x >= 0 && y >= 0 && x < MapSize && y < MapSize)
          SetCode(x, y, rng.Pick(NotWalkable));
  }
}

uint16_t RandomCell(Rng& rng) { return static_cast<uint16_t>(rng.Chance(0.9) ? rng.Between(0, 63) : rng.Between(0, 65535)); }

// Entries 0..12: standing or moving, blocking or not, on layer 0 or not.
void RandomUnits(Rng& rng) {
  for (int u = 0; u < UnitCount; ++u) UnitTable[u] = UnitRecord{};
  for (int u = 0; u <= 12; ++u) {
    if (!rng.Chance(0.6)) continue;
    UnitRecord& unit = UnitTable[u];
    unit.in_use = rng.Chance(0.9) ? 1 : 2;
    unit.mobility = static_cast<uint16_t>(rng.Between(0, 2));
    unit.blocking = rng.Chance(0.8) ? 1 : 0;
    unit.layer = rng.Chance(0.9) ? 0 : 1;
    unit.order = static_cast<uint16_t>(rng.Between(0, 3));
    unit.cell_x = RandomCell(rng);
    unit.cell_y = RandomCell(rng);
    unit.step_x = RandomCell(rng);
    unit.step_y = RandomCell(rng);
  }
}

// Returns whether searches should often start at the serpentine's far end.
bool RandomWorld(Rng& rng) {
  const int family = rng.Between(0, 3);
  switch (family) {
    case 0: std::memset(TerrainCodes.get(), TerrainFloor, CellsPerLayer); break;  // the map in play
    case 1: ScatteredTerrain(rng); break;
    case 2: SerpentineTerrain(rng); break;
    default: RingedTerrain(rng); break;
  }
  RandomUnits(rng);
  return family == 2;
}

int RandomCoordinate(Rng& rng) {
  if (rng.Chance(0.9)) return rng.Between(0, 63);
  return rng.Chance(0.5) ? rng.Between(-100, 200) : (rng.Chance(0.5) ? -2000000000 : 2000000000);
}

template <typename T>
bool SameArray(const std::unique_ptr<T[]>& a, const std::unique_ptr<T[]>& b, int count) {
  return std::memcmp(a.get(), b.get(), sizeof(T) * count) == 0;
}

// The first field in which the two searches differ, or "" when none does.
std::string Difference(Pathfinder& literal, Pathfinder& fast) {
  std::ostringstream out;
  auto check = [&out](const char* name, auto a, auto b) {
    if (out.tellp() == 0 && a != b) out << name << ": literal " << a << ", fast " << b;
  };
  check("result", +literal.result, +fast.result);
  check("from_x", literal.from_x, fast.from_x);
  check("from_y", literal.from_y, fast.from_y);
  check("to_x", literal.to_x, fast.to_x);
  check("to_y", literal.to_y, fast.to_y);
  check("window_x0", literal.window_x0, fast.window_x0);
  check("window_y0", literal.window_y0, fast.window_y0);
  check("last_node", literal.last_node, fast.last_node);
  check("current", literal.current, fast.current);
  check("best_node", literal.best_node, fast.best_node);
  check("best_cost", literal.best_cost, fast.best_cost);
  if (out.tellp() != 0) return out.str();
  // Same nodes in the same order: the same picks, paths and costs.
  const int nodes = literal.last_node + 1;
  if (!SameArray(literal.node_x, fast.node_x, nodes) || !SameArray(literal.node_y, fast.node_y, nodes))
    return "node cells";
  if (!SameArray(literal.parent, fast.parent, nodes)) return "parents";
  if (!SameArray(literal.state, fast.state, nodes)) return "states";
  if (!SameArray(literal.cost, fast.cost, nodes)) return "costs";
  if (literal.result == ResultFound) {
    check("EndReachedDirectly", literal.EndReachedDirectly(), fast.EndReachedDirectly());
    check("ReadFirstStep", literal.ReadFirstStep(), fast.ReadFirstStep());
    check("out_x", literal.out_x, fast.out_x);
    check("out_y", literal.out_y, fast.out_y);
  }
  return out.str();
}

struct Coverage {
  int searches = 0, found = 0, start_is_goal = 0, budget_spent = 0, open_set_exhausted = 0, beyond_bound = 0,
      wide_front_beyond_bound = 0, resumed = 0;
};

void Tally(const Pathfinder& pf, int ret, Coverage& seen) {
  bool any_open = false, closed_beyond_bound = false;
  int open_beyond_bound = 0;
  for (int k = 0; k <= pf.last_node; ++k) {
    any_open |= pf.state[k] == NodeOpen;
    closed_beyond_bound |= pf.state[k] == NodeClosed && pf.cost[k] > 8192.0f;
    open_beyond_bound += pf.state[k] == NodeOpen && pf.cost[k] > 8192.0f;
  }
  ++seen.searches;
  seen.found += ret == 1;
  seen.start_is_goal += ret == 4;
  seen.budget_spent += ret == 0;
  seen.open_set_exhausted += ret == 0 && !any_open;
  seen.beyond_bound += closed_beyond_bound;
  seen.wide_front_beyond_bound += closed_beyond_bound && open_beyond_bound > 1;
}

class PathfinderDiff : public ::testing::Test {
 protected:
  void SetUp() override {
    UseHeadlessHost(1);
    StartGame();
    literal.search_mode = SearchLiteral;
    fast.search_mode = SearchFast;
  }
  void TearDown() override { ReleaseGame(); }

  // One search on both, with the requests' single full budget or, now and
  // then, a search resumed in random slices; compared after every slice.
  void SearchBoth(Rng& rng, bool from_serpentine_end, Coverage& seen, const std::string& where) {
    const bool from_end = from_serpentine_end && rng.Chance(0.5);
    const int fx = from_end ? rng.Between(60, 63) : RandomCoordinate(rng);
    const int fy = from_end ? rng.Between(0, 3) : RandomCoordinate(rng);
    const int tx = RandomCoordinate(rng), ty = RandomCoordinate(rng);
    const int window = from_end || rng.Chance(0.5) ? 64 : rng.Between(3, 64);
    literal.BeginSearch(fx, fy, tx, ty, 0, window);
    fast.BeginSearch(fx, fy, tx, ty, 0, window);
    const bool sliced = rng.Chance(0.1);
    seen.resumed += sliced;
    for (int slice = 0; slice < (sliced ? 4 : 1); ++slice) {
      const int budget = sliced ? rng.Between(0, window * window / 2) : window * window;
      const int ret = literal.RunSearch(budget);
      ASSERT_EQ(ret, fast.RunSearch(budget)) << where;
      ASSERT_EQ(Difference(literal, fast), "") << where << ", slice " << slice;
      if (slice == 0 || ret != 0) Tally(literal, ret, seen);
      if (ret != 0) break;
    }
  }

  Pathfinder literal, fast;
};

TEST_F(PathfinderDiff, FastSearchMatchesTheLiteralScan) {
  const int searches = SearchCount();
  ASSERT_GT(searches, 0) << "VALDORIK_DIFF_SEARCHES must be a positive count";
  Coverage seen;
  for (int world = 0; seen.searches < searches; ++world) {
    Rng rng{std::mt19937(static_cast<uint32_t>(world))};
    const bool serpentine = RandomWorld(rng);
    for (int s = 0; s < SearchesPerWorld && seen.searches < searches; ++s) {
      SearchBoth(rng, serpentine, seen, "world seed " + std::to_string(world) + ", search " + std::to_string(s));
      if (HasFatalFailure()) return;
    }
  }
  // The corner cases must actually have come up (rare ones need a long run).
  EXPECT_GT(seen.found, searches / 10);
  if (searches >= 10000) {
    EXPECT_GT(seen.start_is_goal, 0);
    EXPECT_GT(seen.open_set_exhausted, 0);
    EXPECT_GT(seen.wide_front_beyond_bound, 0);
    EXPECT_GT(seen.resumed, 0);
  }
  RecordProperty("searches", seen.searches);
  std::printf("%d searches: %d found, %d start is goal, %d budget spent (%d with the open set exhausted), "
              "%d past the bound of 8192 (%d on a wide front), %d resumed\n",
              seen.searches, seen.found, seen.start_is_goal, seen.budget_spent, seen.open_set_exhausted,
              seen.beyond_bound, seen.wide_front_beyond_bound, seen.resumed);
}

}  // namespace
