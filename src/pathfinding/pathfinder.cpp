#include "pathfinding/pathfinder.h"

#include <algorithm>
#include "base/bit_cast.h"

#include "world/world.h"

int32_t TerrainStepCost[256];
VALDORIK_SEARCH_STATE(VALDORIK_DEFINE_STATE)

bool IsWalkableCode(int code) {
  return code != TerrainVoid && code != TerrainSolidBlock && code != TerrainBlocked11 && code != TerrainBlocked20 &&
         code != TerrainBlocked61;
}

bool ClearsCorner(int code) {
  return code == TerrainFloor || code == TerrainOpen10 || code == TerrainOpen22 || code == TerrainOpen60 ||
         code == TerrainOpen68;
}

namespace {

// The nearest float to 1.4142, deliberately not the nearest to sqrt(2).
constexpr float DiagonalCost = BitCast<float>(uint32_t{0x3FB50481});
constexpr int FirstStepLinkLimit = 10000;
constexpr int DirX[8] = {0, 1, 1, 1, 0, -1, -1, -1};
constexpr int DirY[8] = {1, 1, 0, -1, -1, -1, 0, 1};
constexpr float DirCost[8] = {1.0f, DiagonalCost, 1.0f, DiagonalCost, 1.0f, DiagonalCost, 1.0f, DiagonalCost};

// The scan's starting bound: an open node costlier than this is never its pick.
constexpr float PickBound = 2.0f * MapSize * MapSize;
constexpr int BucketCount = static_cast<int>(PickBound) + 1;

// Costs are positive floats, whose bit patterns order like their values; the
// low word ranks a higher node number first, as the scan's tie rule does.
uint64_t PickKey(float cost, int node) {
  return uint64_t{BitCast<uint32_t>(cost)} << 32 | ~static_cast<uint32_t>(node);
}
int NodeOfKey(uint64_t key) { return static_cast<int>(~static_cast<uint32_t>(key)); }

// IsWalkableCode and ClearsCorner by code, for the fast search's inner loop.
enum CodeFlag : uint8_t { FlagWalkable = 1, FlagClearsCorner = 2 };
uint8_t CodeFlags[256];

// Every step adds at least 1.0 to its parent's cost, so a new node always
// lands in a later bucket than the one being picked from: a bucket is complete
// when the picks reach it. Nodes beyond the bound are never the scan's pick
// (see RunFastRepetitions) and are left out.
void AddToBuckets(CostBuckets& open, int node, float cost) {
  if (cost > PickBound) return;
  const int bucket = static_cast<int>(cost);
  open.next[node] = open.head[bucket];
  open.head[bucket] = node;
  open.used = std::max(open.used, bucket + 1);
}

// The cheapest node, the newest among equals, taken out; -1 when none is left.
int TakeCheapest(CostBuckets& open, const float* cost) {
  if (open.batch_size == 0) {
    while (open.next_bucket < open.used && open.head[open.next_bucket] < 0) ++open.next_bucket;
    if (open.next_bucket == open.used) return -1;
    for (int node = open.head[open.next_bucket]; node >= 0; node = open.next[node]) {
      const uint64_t key = PickKey(cost[node], node);
      int i = open.batch_size++;
      for (; i > 0 && open.batch[i - 1] < key; --i) open.batch[i] = open.batch[i - 1];
      open.batch[i] = key;
    }
    open.head[open.next_bucket++] = -1;
  }
  return NodeOfKey(open.batch[--open.batch_size]);
}

void ClearBuckets(CostBuckets& open) {
  std::fill_n(open.head, open.used, -1);
  open.batch_size = open.next_bucket = open.used = 0;
}

}  // namespace

Pathfinder::Pathfinder()
    : node_x(std::make_unique<int16_t[]>(CellsPerLayer)),
      node_y(std::make_unique<int16_t[]>(CellsPerLayer)),
      parent(std::make_unique<int32_t[]>(CellsPerLayer)),
      state(std::make_unique<uint8_t[]>(CellsPerLayer)),
      cost(std::make_unique<float[]>(CellsPerLayer)),
      cell_mark(std::make_unique<uint8_t[]>(CellsPerLayer)),
      bucket_heads(std::make_unique<int32_t[]>(BucketCount)),
      bucket_links(std::make_unique<int32_t[]>(CellsPerLayer)),
      bucket_batch(std::make_unique<uint64_t[]>(CellsPerLayer)),
      open_buckets{bucket_heads.get(), bucket_links.get(), bucket_batch.get()} {
  for (int32_t& c : TerrainStepCost) c = 3;
  TerrainStepCost[TerrainBlocked61] = 3000;
  for (int code = 0; code < 256; ++code)
    CodeFlags[code] = (IsWalkableCode(code) ? FlagWalkable : 0) | (ClearsCorner(code) ? FlagClearsCorner : 0);
  std::fill_n(open_buckets.head, BucketCount, -1);
  search_mode = DefaultSearchMode;
  LoadNeighbourTable();
  ready = 0;
}

void Pathfinder::LoadNeighbourTable() {
  for (int d = 0; d < 8; ++d) {
    dir_dx[d] = DirX[d];
    dir_dy[d] = DirY[d];
    dir_cost[d] = DirCost[d];
  }
}

int Pathfinder::CodeAt(int x, int y) const { return TerrainCodes[CellIndex(x, y, search_layer)]; }

// The fast search clears the marks only: a node's fields are all written when
// it is created, and nothing reads past last_node.
void Pathfinder::ClearSearch() {
  const int used = window_size * window_size;
  std::fill_n(cell_mark.get(), used, uint8_t{MarkFree});
  if (search_mode == SearchFast) return;
  std::fill_n(node_x.get(), used, int16_t{0});
  std::fill_n(node_y.get(), used, int16_t{0});
  std::fill_n(parent.get(), used, 0);
  std::fill_n(state.get(), used, uint8_t{0});
  std::fill_n(cost.get(), used, 0.0f);
}

void Pathfinder::MarkUnitObstacles() {
  auto mark_if_inside = [this](int x, int y, uint8_t mark) {
    const int cx = x - window_x0, cy = y - window_y0;
    if (cx > 0 && cx < window_size - 1 && cy > 0 && cy < window_size - 1)
      cell_mark[cy * window_size + cx] = mark;
  };
  for (int u = 0; u < std::min(10, UnitCount); ++u) {
    const UnitRecord& unit = UnitTable[u];
    if (unit.in_use != 1 || unit.mobility == 0 || unit.blocking != 1 || unit.layer != search_layer)
      continue;
    mark_if_inside(unit.cell_x, unit.cell_y, MarkUnitCell);
    if (unit.order == OrderMove) mark_if_inside(unit.step_x, unit.step_y, MarkUnitStep);
  }
}

int Pathfinder::BeginSearch(int fx, int fy, int tx, int ty, int layer, int size) {
  search_layer = layer;
  fx = std::clamp(fx, 0, MapSize - 1);
  fy = std::clamp(fy, 0, MapSize - 1);
  tx = std::clamp(tx, 0, MapSize - 1);
  ty = std::clamp(ty, 0, MapSize - 1);

  window_size = size;
  window_x0 = fx - size / 2;
  window_y0 = fy - size / 2;
  if (window_x0 < 0) window_x0 = 0;
  if (window_x0 > MapSize - size) window_x0 = MapSize - size;
  if (window_y0 < 0) window_y0 = 0;
  if (window_y0 > MapSize - size) window_y0 = MapSize - size;

  from_x = std::clamp(fx, window_x0 + 1, window_x0 + size - 2);
  to_x = std::clamp(tx, window_x0 + 1, window_x0 + size - 2);
  from_y = std::clamp(fy, window_y0 + 1, window_y0 + size - 2);
  to_y = std::clamp(ty, window_y0 + 1, window_y0 + size - 2);

  ClearSearch();
  for (int i = 0; i < size; ++i) {
    cell_mark[i] = MarkSeen;                            // window row 0
    cell_mark[(size - 1) * size + i] = MarkSeen;        // last window row
    cell_mark[i * size] = MarkSeen;                     // window column 0
    cell_mark[i * size + size - 1] = MarkSeen;          // last window column
  }
  MarkUnitObstacles();
  MarkAt(from_x, from_y) = MarkFree;
  MarkAt(to_x, to_y) = MarkFree;

  current = 0;
  last_node = 0;
  node_x[0] = static_cast<int16_t>(from_x);
  node_y[0] = static_cast<int16_t>(from_y);
  parent[0] = 0;
  state[0] = NodeOpen;
  cost[0] = 1.0f;
  first_open = 0;
  ClearBuckets(open_buckets);  // node 0 is expanded before the first pick
  best_cost = 0.0f;
  result = ResultNone;
  ready = 1;
  LoadNeighbourTable();
  return 0;
}

void Pathfinder::ExpandDirection(int dir) {
  const int n = ++last_node;
  node_x[n] = static_cast<int16_t>(node_x[current] + dir_dx[dir]);
  node_y[n] = static_cast<int16_t>(node_y[current] + dir_dy[dir]);
  parent[n] = current;
  state[n] = NodeOpen;
  const float step = dir_cost[dir] + cost[current];
  cost[n] = step + static_cast<float>(TerrainStepCost[CodeAt(node_x[n], node_y[n])]);
  MarkAt(node_x[n], node_y[n]) = MarkSeen;
}

// The cheapest open node, ties to the newest; a linear scan from first_open.
void Pathfinder::PickNextNode() {
  best_cost = PickBound;
  best_node = last_node;
  for (int k = first_open; k <= last_node; ++k) {
    if (state[k] == NodeOpen && best_cost >= cost[k]) {
      best_cost = cost[k];
      best_node = k;
    }
  }
  for (int k = first_open; k <= last_node; ++k) {
    if (state[k] == NodeOpen) {
      first_open = k;
      break;
    }
  }
  current = best_node;
}

// RunSearch's repetitions for the fast search: the same expansions and picks
// as its literal loop, with the search state in locals (byte stores would
// otherwise force every member to be reloaded), the neighbour loop unrolled
// with the cheapest test first, and the pick from the cost buckets. Once no
// node within the bound is open the scan picks last_node, open or not; from
// then on no node within the bound is ever created again, since every new
// node costs more than its parent. first_open belongs to the scan.
SearchOutcome Pathfinder::RunFastRepetitions(int repetitions) {
  int16_t* const xs = node_x.get();
  int16_t* const ys = node_y.get();
  int32_t* const parents = parent.get();
  uint8_t* const states = state.get();
  float* const costs = cost.get();
  const uint8_t* const terrain = TerrainCodes.get() + search_layer * CellsPerLayer;
  const int row = window_size, x0 = window_x0, y0 = window_y0, goal_x = to_x, goal_y = to_y;
  CostBuckets open = open_buckets;
  int node = current, newest = last_node, found = 0;
  bool within_bound = false;
  for (int i = 0; i < repetitions && !found; ++i) {
    const int x = xs[node], y = ys[node];
    const uint8_t* const codes = terrain + CellIndex(x, y);
    uint8_t* const marks = cell_mark.get() + (y - y0) * row + (x - x0);
    const float node_cost = costs[node];
#pragma GCC unroll 8
    for (int dir = 0; dir < 8; ++dir) {
      uint8_t& mark = marks[DirY[dir] * row + DirX[dir]];
      const int code = codes[DirY[dir] * MapSize + DirX[dir]];
      if (mark != MarkFree || !(CodeFlags[code] & FlagWalkable)) continue;
      if (dir % 2 == 1 && !(CodeFlags[codes[DirX[dir]]] & CodeFlags[codes[DirY[dir] * MapSize]] & FlagClearsCorner))
        continue;
      const int n = ++newest;
      xs[n] = static_cast<int16_t>(x + DirX[dir]);
      ys[n] = static_cast<int16_t>(y + DirY[dir]);
      parents[n] = node;
      states[n] = NodeOpen;
      const float step = DirCost[dir] + node_cost;
      costs[n] = step + static_cast<float>(TerrainStepCost[code]);
      mark = MarkSeen;
      AddToBuckets(open, n, costs[n]);
    }
    states[node] = NodeClosed;
    marks[0] = MarkClosed;
    const int cheapest = TakeCheapest(open, costs);
    within_bound = cheapest >= 0;
    node = within_bound ? cheapest : newest;
    found = xs[node] == goal_x && ys[node] == goal_y;
  }
  if (repetitions > 0) {
    best_node = node;
    best_cost = within_bound ? costs[node] : PickBound;
  }
  open_buckets = open;
  current = node;
  last_node = newest;
  if (!found) return SearchBudgetSpent;
  result = ResultFound;
  return SearchGoalPicked;
}

SearchOutcome Pathfinder::RunSearch(int max_expansions) {
  if (ready == 0) return SearchNotBegun;
  const int limit = window_size * window_size - 9;
  if (from_x == to_x && from_y == to_y) {
    result = ResultStartIsGoal;
    return SearchStartIsGoal;
  }
  if (int64_t{last_node} + max_expansions >= limit) max_expansions = limit - last_node;

  if (search_mode == SearchFast) return RunFastRepetitions(max_expansions);
  for (int i = 0; i < max_expansions; ++i) {
    const int x = node_x[current], y = node_y[current];
    for (int dir = 0; dir < 8; ++dir) {
      const int nx = x + dir_dx[dir], ny = y + dir_dy[dir];
      if (dir % 2 == 1 && (!ClearsCorner(CodeAt(nx, y)) || !ClearsCorner(CodeAt(x, ny)))) continue;
      if (MarkAt(nx, ny) == MarkFree && IsWalkableCode(CodeAt(nx, ny))) ExpandDirection(dir);
    }
    state[current] = NodeClosed;
    MarkAt(x, y) = MarkClosed;
    PickNextNode();
    if (node_x[current] == to_x && node_y[current] == to_y) {
      result = ResultFound;
      return SearchGoalPicked;
    }
  }
  return SearchBudgetSpent;
}

bool Pathfinder::EndReachedDirectly() const { return parent[current] == 0; }

int Pathfinder::ReadFirstStep() {
  int k = current;
  for (int links = 0; links < FirstStepLinkLimit; ++links) {
    if (parent[k] == 0) {
      out_x = node_x[k];
      out_y = node_y[k];
      return links;
    }
    k = parent[k];
  }
  return FirstStepLinkLimit;
}
