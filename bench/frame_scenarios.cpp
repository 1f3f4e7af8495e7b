#include "frame_scenarios.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "host/input.h"
#include "world/new_game.h"

// --- Scenarios. ---

namespace {

// Every in-use entry moved onto its own cell of the diamond the unit pass
// draws (|dcolumn| + |drow| < 20 round the view centre), spread evenly over it.
void GatherAllUnitsInView() {
  std::vector<std::pair<int, int>> cells;
  for (int y = map_sy - 19; y <= map_sy + 19; ++y)
    for (int x = map_sx - 19; x <= map_sx + 19; ++x)
      if (std::abs(x - map_sx) + std::abs(y - map_sy) < 20) cells.push_back({x, y});
  std::vector<int> ids;
  for (int id = 0; id < UnitCount; ++id)
    if (UnitTable[id].in_use == 1) ids.push_back(id);
  for (size_t k = 0; k < ids.size(); ++k) {
    UnitRecord& u = UnitTable[ids[k]];
    const auto [x, y] = cells[k * cells.size() / ids.size()];
    u.cell_x = static_cast<uint16_t>(x);
    u.cell_y = static_cast<uint16_t>(y);
    u.order = OrderNone;
  }
}

// The group the next frame updates gets eight walking creatures with move
// orders to the far corner of the map: eight searches over nearly all of it.
// Mines are swapped out of the group for creatures from later entries.
int GiveGroupLongMoves() {
  const int first = ((FrameCounter + 1) % 33) * 8;
  int donor = first + 8;
  for (int k = first; k < first + 8; ++k) {
    while (UnitTable[k].mobility != 1 && donor < UnitCount) {
      if (UnitTable[donor].in_use == 1 && UnitTable[donor].mobility == 1 && !UnitTable[donor].dead)
        std::swap(UnitTable[k], UnitTable[donor]);
      ++donor;
    }
    UnitRecord& u = UnitTable[k];
    u.order = OrderMove;
    u.goal_x = u.cell_x < MapSize / 2 ? MapSize - 2 : 1;
    u.goal_y = u.cell_y < MapSize / 2 ? MapSize - 2 : 1;
  }
  return first;
}

}  // namespace

const Scenario Scenarios[ScenarioCount] = {
    {"new", "(a) new game, default view", false},
    {"busy", "(b) busiest view: 85 entries in view", true},
    {"worst", "(c) busiest view + rules' worst frame", true},
};

int PrepareScenario(const Scenario& scenario) {
  NewGame();  // same seed every time: the same game
  MouseState = {FrameWidth / 2, FrameHeight / 2, 0, 0, 0};
  if (std::strcmp(scenario.key, "new") == 0) return -1;
  GatherAllUnitsInView();
  if (std::strcmp(scenario.key, "busy") == 0) {
    FrameCounter = 100;  // no periodic rule due, no orders: drawing only
    return -1;
  }
  // Frame 1 of a game: wander, victory count, economy and the computer's
  // recruitment and orders are all due, and the group has eight searches.
  FrameCounter = 0;
  return GiveGroupLongMoves();
}

