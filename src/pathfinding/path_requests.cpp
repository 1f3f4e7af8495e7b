#include "pathfinding/path_requests.h"

#include "world/world.h"

std::unique_ptr<Pathfinder> GamePathfinder;

namespace {

// Runs the search; false (and the order cancelled) when the goal was not picked.
bool SearchFromUnit(UnitRecord& u, int target_x, int target_y, int window_size) {
  Pathfinder& pf = *GamePathfinder;
  pf.BeginSearch(u.cell_x, u.cell_y, target_x, target_y, u.layer, window_size);
  pf.RunSearch(window_size * window_size);
  if (pf.result != ResultFound) {
    u.order = OrderNone;
    return false;
  }
  return true;
}

void StoreFirstStep(UnitRecord& u) {
  GamePathfinder->ReadFirstStep();
  u.step_x = static_cast<uint16_t>(GamePathfinder->out_x);
  u.step_y = static_cast<uint16_t>(GamePathfinder->out_y);
}

}  // namespace

StepRequest RequestMoveStep(int unit, int target_x, int target_y, int window_size) {
  UnitRecord& u = UnitTable[unit];
  if (!SearchFromUnit(u, target_x, target_y, window_size)) return StepNone;
  StoreFirstStep(u);
  return StepStored;
}

StepRequest RequestApproachStep(int unit, int target_x, int target_y, int window_size) {
  UnitRecord& u = UnitTable[unit];
  if (!SearchFromUnit(u, target_x, target_y, window_size)) return StepNone;
  if (GamePathfinder->EndReachedDirectly()) return StepAdjacent;
  StoreFirstStep(u);
  return StepStored;
}
