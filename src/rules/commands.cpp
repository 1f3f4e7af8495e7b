#include "rules/commands.h"

#include <algorithm>
#include "base/bit_cast.h"
#include <cstdint>

#include "host/host.h"
#include "host/input.h"
#include "rules/combat_economy.h"
#include "world/new_game.h"
#include "world/world.h"

static_assert(BitCast<uint32_t>(UnitSizeNormal) == BitCast<uint32_t>(1.6f) - 1);
static_assert(BitCast<uint32_t>(UnitSizeLarge) == BitCast<uint32_t>(3.2f) - 1);

namespace {

bool StandsOnMouseCell(const UnitRecord& u) {
  return u.in_use == 1 && u.cell_x == map_ex && u.cell_y == map_ey;
}

void ChangeSpeed(int new_speed) {
  GameSpeed = new_speed;
  GameSleep(SpeedKeyPauseMs);  // a short press changes the level once
}

}  // namespace

bool IsCommandableUnit(int id, int empire) {
  if (!IsUnitId(id)) return false;
  const UnitRecord& u = UnitTable[id];
  return u.in_use == 1 && u.owner == empire && u.dead == 0;
}

void LeftButtonCommand(int empire) {
  if (!MouseState.left) return;
  for (int u = 0; u < UnitCount; ++u) {
    UnitRecord& unit = UnitTable[u];
    if (!StandsOnMouseCell(unit)) continue;
    if (unit.owner == EmpireNeutral && unit.dead == 0 && TreasuryOf(empire) >= RecruitPrice)
      RecruitAttempt(u, empire);
    if (unit.owner == empire && unit.dead == 0) selected_unit = u;
  }
}

void RightButtonCommand(int empire) {
  if (!MouseState.right || !IsCommandableUnit(selected_unit, empire)) return;
  UnitRecord& unit = UnitTable[selected_unit];
  unit.goal_x = static_cast<uint16_t>(std::clamp(map_ex, 0, MapSize - 1));
  unit.goal_y = static_cast<uint16_t>(std::clamp(map_ey, 0, MapSize - 1));
  unit.order = OrderMove;
  for (int n = 0; n < UnitCount; ++n) {
    const UnitRecord& enemy = UnitTable[n];
    if (!StandsOnMouseCell(enemy) || enemy.owner != OpponentOf(empire) || enemy.dead != 0) continue;
    unit.target = static_cast<int16_t>(n);
    unit.order = OrderAttack;
  }
}

void FunctionKeyCommands() {
  if (IsKeyDown(KeyF1)) NewGame();
  UnitSizeKeys();
  SpeedKeys();
}

void UnitSizeKeys() {
  if (IsKeyDown(KeyF2)) UnitSize = UnitSizeSmall;
  if (IsKeyDown(KeyF3)) UnitSize = UnitSizeNormal;
  if (IsKeyDown(KeyF4)) UnitSize = UnitSizeLarge;
}

void SpeedKeys() {
  if (IsKeyDown(KeyF5)) ChangeSpeed(GameSpeed > 1 ? GameSpeed - 1 : GameSpeed);
  if (IsKeyDown(KeyF6)) ChangeSpeed(GameSpeed < SlowestGameSpeed ? GameSpeed + 1 : GameSpeed);
  if (IsKeyDown(KeyF7)) ChangeSpeed(3);
  if (IsKeyDown(KeyF8)) ChangeSpeed(6);
}
