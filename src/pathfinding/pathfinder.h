// The grid search that tells a unit which cell to step to next: a
// uniform-cost search over the 8-connected cells of a square window, with no
// estimate of the remaining distance and no re-opening of nodes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "host/state_list.h"

enum NodeState : uint8_t { NodeOpen = 0, NodeClosed = 9 };
enum CellMark : uint8_t { MarkFree = 0, MarkSeen = 1, MarkClosed = 9, MarkUnitStep = 11, MarkUnitCell = 12 };
enum SearchResult : uint8_t { ResultNone = 0, ResultFound = 1, ResultStartIsGoal = 3 };
// What RunSearch returned; the numbers are the ones the simulator prints.
enum SearchOutcome : int { SearchBudgetSpent = 0, SearchGoalPicked = 1, SearchStartIsGoal = 4, SearchNotBegun = 5 };
// How a search runs. The literal scan is the plain reference; the fast search
// gives the same picks and nodes without going quadratic in the node count.
enum SearchMode : uint8_t { SearchLiteral = 0, SearchFast = 1 };

// The mode every new Pathfinder starts in (DefaultSearchMode), listed as the
// game's state is (host/state_list.h). The game always searches fast; the
// simulator can ask for the literal scan to measure against it.
#define VALDORIK_SEARCH_STATE(X) X(SearchMode, DefaultSearchMode, SearchFast)
VALDORIK_SEARCH_STATE(VALDORIK_DECLARE_STATE)

// The fast search's open nodes whose cost is within the scan's bound, by whole
// cost unit: head[b] starts a list, linked through next, of the nodes whose
// cost lies in [b, b + 1). When the picks reach a bucket it is sorted into
// batch, cheapest and newest last. The arrays are the Pathfinder's; the search
// copies this into locals and back, so it holds plain pointers.
struct CostBuckets {
  int32_t* head;    // one per whole cost unit up to the bound; -1 when empty
  int32_t* next;    // by node
  uint64_t* batch;  // pick keys
  int32_t batch_size = 0, next_bucket = 0, used = 0;
};

// Terrain rules shared by every search.
extern int32_t TerrainStepCost[256];
bool IsWalkableCode(int code);
bool ClearsCorner(int code);

class Pathfinder {
 public:
  Pathfinder();
  Pathfinder(const Pathfinder&) = delete;
  Pathfinder& operator=(const Pathfinder&) = delete;

  int BeginSearch(int from_x, int from_y, int to_x, int to_y, int layer, int window_size);
  SearchOutcome RunSearch(int max_expansions);
  bool EndReachedDirectly() const;
  int ReadFirstStep();

  // Node arrays, CellsPerLayer entries each; node 0 is the start.
  std::unique_ptr<int16_t[]> node_x;
  std::unique_ptr<int16_t[]> node_y;
  std::unique_ptr<int32_t[]> parent;
  std::unique_ptr<uint8_t[]> state;
  std::unique_ptr<float[]> cost;

  int32_t from_x = 0, from_y = 0, to_x = 0, to_y = 0;
  int32_t window_x0 = 0, window_y0 = 0, window_size = 0;

  std::array<int32_t, 8> dir_dx;
  std::array<int32_t, 8> dir_dy;
  std::array<float, 8> dir_cost;

  std::unique_ptr<uint8_t[]> cell_mark;  // CellsPerLayer entries, window_size^2 used
  int32_t search_layer = 0;

  int32_t current = 0;
  int32_t last_node = 0;
  int32_t first_open = 0;
  float best_cost = 0.0f;
  int32_t best_node = 0;

  uint8_t result = ResultNone;
  uint8_t ready = 0;

  int32_t out_x = 0, out_y = 0;

  // DefaultSearchMode when the Pathfinder was made; change it only before a
  // BeginSearch.
  SearchMode search_mode;

 private:
  void LoadNeighbourTable();
  void ClearSearch();
  void MarkUnitObstacles();
  void ExpandDirection(int dir);
  void PickNextNode();
  SearchOutcome RunFastRepetitions(int repetitions);

  uint8_t& MarkAt(int x, int y) { return cell_mark[(y - window_y0) * window_size + (x - window_x0)]; }
  int CodeAt(int x, int y) const;

  std::unique_ptr<int32_t[]> bucket_heads;
  std::unique_ptr<int32_t[]> bucket_links;
  std::unique_ptr<uint64_t[]> bucket_batch;
  CostBuckets open_buckets;  // over the three arrays above
};
