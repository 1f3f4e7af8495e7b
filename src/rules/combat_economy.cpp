#include "rules/combat_economy.h"

#include "world/random.h"

namespace {

constexpr float BaseIncome = 0.5f;
constexpr float OwnedMinePayout = 5.0f;
constexpr float SharedMinePayout = 1.0f;
constexpr int SharingDistance = 5;
constexpr int DrawersPerMine = 5;

// The loss is computed in double and the difference rounded once to float.
void StrikeBlow(UnitRecord& victim, const UnitRecord& striker) {
  const int loss = DrawMod(10 * striker.strength);
  victim.hp = static_cast<float>(static_cast<double>(victim.hp) - static_cast<double>(loss) / 100.0);
}

void EndFatalExchange(UnitRecord& victim, int a, int t) {
  victim.hp = 0.0f;
  victim.dead = 1;
  UnitTable[t].order = OrderNone;
  UnitTable[a].order = OrderNone;
  if (selected_unit == t || selected_unit == a) selected_unit = 0;
}

bool IsLivingEmpireEntry(const UnitRecord& n) { return n.owner != EmpireNeutral && n.dead == 0; }

// An owned mine pays its empire while that empire's leader lives.
bool PayOwnedMine(UnitRecord& mine) {
  if (mine.owner == EmpireNeutral || mine.gold < OwnedMinePayout) return false;
  if (!IsUnitId(mine.owner) || UnitTable[mine.owner].dead != 0) return false;
  TreasuryOf(mine.owner) += OwnedMinePayout;
  mine.gold -= OwnedMinePayout;
  return true;
}

// Living empire entries near the mine draw one gold each, at most five.
void ShareMine(int m) {
  UnitRecord& mine = UnitTable[m];
  int drawers = 0;
  for (int n = 0; n < UnitCount; ++n) {
    UnitRecord& drawer = UnitTable[n];
    if (drawer.in_use != 1 || ManhattanDistance(mine, drawer) > SharingDistance) continue;
    if (n == m || !IsLivingEmpireEntry(drawer)) continue;
    if (mine.gold >= SharedMinePayout) {
      TreasuryOf(drawer.owner) += SharedMinePayout;
      mine.gold -= SharedMinePayout;
      if (drawer.owner == EmpireComputer && drawer.order == OrderGoTo) drawer.mining = 1;
      ++drawers;
    }
    if (mine.gold == 0.0f && drawer.owner == EmpireComputer) drawer.mining = 0;
    if (drawers >= DrawersPerMine) break;
  }
}

}  // namespace

void MeleeExchange(int a, int t) {
  UnitRecord& attacker = UnitTable[a];
  UnitRecord& target = UnitTable[t];
  StrikeBlow(target, attacker);
  if (target.hp <= 0.0f) EndFatalExchange(target, a, t);
  StrikeBlow(attacker, target);  // a target killed just now still strikes back
  if (attacker.hp <= 0.0f) EndFatalExchange(attacker, a, t);
}

void EconomyTick() {
  TreasuryOf(EmpirePlayer) += BaseIncome;
  TreasuryOf(EmpireComputer) += BaseIncome;
  for (int m = 0; m < UnitCount; ++m) {
    UnitRecord& mine = UnitTable[m];
    if (mine.type != TypeMine || mine.in_use != 1) continue;
    if (!PayOwnedMine(mine)) ShareMine(m);
  }
}

bool RecruitAttempt(int u, int e) {
  TreasuryOf(e) -= RecruitPrice;
  UnitRecord& unit = UnitTable[u];
  const UnitTypeInfo* info = FindUnitType(unit.type);
  if (info == nullptr || info->recruit_odds < 1) return unit.owner == e;  // leaders are never won
  if (DrawMod(info->recruit_odds) != 1) return false;
  unit.owner = e;
  unit.order = OrderNone;
  return true;
}
