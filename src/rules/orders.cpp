#include "rules/orders.h"

#include "pathfinding/path_requests.h"
#include "rules/combat_economy.h"
#include "world/random.h"
#include "world/world.h"

namespace {

constexpr int MeleeReach = 3;  // Manhattan distance below this

// After a stored step: move onto it, and end the order on the search's goal.
void StepAndTestArrival(UnitRecord& u) {
  u.cell_x = u.step_x;
  u.cell_y = u.step_y;
  if (u.cell_x == GamePathfinder->to_x && u.cell_y == GamePathfinder->to_y) u.order = OrderNone;
}

void CarryOutMove(int k) {
  UnitRecord& u = UnitTable[k];
  if (RequestMoveStep(k, u.goal_x, u.goal_y, SearchWindow) == StepStored) StepAndTestArrival(u);
}

// A target outside the table cannot be followed; the order is dropped
// rather than reading past the table.
bool HasValidTarget(UnitRecord& u) {
  if (IsUnitId(u.target)) return true;
  u.order = OrderNone;
  return false;
}

void CarryOutAttack(int k) {
  UnitRecord& u = UnitTable[k];
  if (!HasValidTarget(u)) return;
  const int t = u.target;
  const UnitRecord& target = UnitTable[t];
  if (RequestApproachStep(k, target.cell_x, target.cell_y, SearchWindow) == StepStored) StepAndTestArrival(u);
  // Fights even when this very update ended the order.
  if (ManhattanDistance(u, target) < MeleeReach) MeleeExchange(k, t);
}

void CarryOutGoTo(int k) {
  UnitRecord& u = UnitTable[k];
  if (!HasValidTarget(u)) return;
  const UnitRecord& target = UnitTable[u.target];
  if (RequestApproachStep(k, target.cell_x, target.cell_y, SearchWindow) == StepStored) StepAndTestArrival(u);
}

}  // namespace

bool IsPeriodDue(int period) { return FrameCounter % period == 1; }

void NeutralWander() {
  for (int i = 1; i < UnitCount; ++i) {
    UnitRecord& u = UnitTable[i];
    if (u.in_use != 1 || u.order != OrderNone || u.owner != EmpireNeutral) continue;
    u.goal_x = static_cast<uint16_t>(DrawMod(MapSize));
    u.goal_y = static_cast<uint16_t>(DrawMod(MapSize));
    u.order = OrderMove;
  }
}

void UpdateGroup() {
  const int first = (FrameCounter % UpdateCycle) * UpdateGroupSize;
  for (int k = first; k < first + UpdateGroupSize && k < UnitCount; ++k) {
    const UnitRecord& u = UnitTable[k];
    if (u.in_use != 1 || u.mobility != 1) continue;
    // Three separate tests: an order ended or changed by one is seen by the next.
    if (u.order == OrderMove) CarryOutMove(k);
    if (u.order == OrderAttack) CarryOutAttack(k);
    if (u.order == OrderGoTo) CarryOutGoTo(k);
  }
}
