#include "rules/computer.h"

#include <span>

#include "host/input.h"
#include "rules/combat_economy.h"
#include "world/random.h"
#include "world/world.h"

namespace {

constexpr int ViewJumpMargin = 10;

// The empire the computer plays in the call under way: empire 1, or in a
// versus game whichever side has no player left.
int Side = EmpireComputer;

using EntryTest = bool (*)(const UnitRecord&);

bool IsFightingUnitOf(const UnitRecord& u, int empire) {
  return u.owner == empire && u.in_use == 1 && u.dead == 0 && u.type != TypeMine;
}

}  // namespace

int CountFightingUnits(int empire, int jump_key) {
  int count = 0;
  bool jumped = false;
  for (const UnitRecord& u : std::span(UnitTable.get(), UnitCount)) {
    if (!IsFightingUnitOf(u, empire)) continue;
    ++count;
    if (!jumped && IsKeyDown(jump_key)) {
      map_sx = u.cell_x - ViewJumpMargin;
      map_sy = u.cell_y - ViewJumpMargin;
      jumped = true;
    }
  }
  return count;
}

namespace {

bool IsRecruitCandidate(const UnitRecord& u) {
  return u.in_use == 1 && u.owner == EmpireNeutral && u.dead == 0 && u.type != TypeMine;
}

bool IsLivingComputerUnit(const UnitRecord& u) {
  return u.in_use == 1 && u.owner == Side && u.dead == 0;
}
bool IsRaider(const UnitRecord& u) {
  return IsLivingComputerUnit(u) && u.order != OrderAttack && u.mining == 0;
}
bool IsCalledToArms(const UnitRecord& u) { return IsLivingComputerUnit(u) && u.order != OrderAttack; }
bool IsIdleComputerUnit(const UnitRecord& u) {
  return IsLivingComputerUnit(u) && u.order == OrderNone && u.mining == 0;
}
bool IsRaidTarget(const UnitRecord& u) {
  return u.in_use == 1 && u.owner == OpponentOf(Side) && u.dead == 0;
}
bool IsOpenMine(const UnitRecord& u) {
  return u.type == TypeMine && u.owner == EmpireNeutral && u.in_use == 1 && u.dead == 0 && u.gold >= 1.0f;
}

int CountEntries(EntryTest test) {
  int count = 0;
  for (int i = 0; i < UnitCount; ++i) count += test(UnitTable[i]) ? 1 : 0;
  return count;
}

// The k-th entry (from 1) passing the test, in entry order.
int KthEntry(EntryTest test, int k) {
  for (int i = 0; i < UnitCount; ++i)
    if (test(UnitTable[i]) && --k == 0) return i;
  return -1;
}

// One of `count` entries passing the test, chosen by a draw.
int DrawEntry(EntryTest test, int count) { return KthEntry(test, 1 + DrawMod(count)); }

int FindRecruitCandidate() {
  for (int tries = 0; tries < CandidateTries; ++tries) {
    const int u = DrawMod(UnitCount);
    if (IsRecruitCandidate(UnitTable[u])) return u;
  }
  return -1;
}

// Sends the actor against a random living entry of the other empire, if there is one.
void SendAgainstPlayer(int actor) {
  const int targets = CountEntries(IsRaidTarget);
  if (targets < 1) return;
  UnitTable[actor].target = static_cast<int16_t>(DrawEntry(IsRaidTarget, targets));
  UnitTable[actor].order = OrderAttack;
}

void Raid() {
  if (DrawMod(4) != 1) return;
  const int actors = CountEntries(IsRaider);
  if (actors < 1 || FrameCounter <= RaidFrameLimit) return;
  SendAgainstPlayer(DrawEntry(IsRaider, actors));
}

void CallToArms() {
  if (DrawMod(25) != 1) return;
  const int actors = CountEntries(IsCalledToArms);
  if (actors < 1 || FrameCounter <= RaidFrameLimit) return;
  const int actor = DrawEntry(IsCalledToArms, actors);
  UnitTable[actor].mining = 0;
  SendAgainstPlayer(actor);
}

void SendToMine() {
  const int actors = CountEntries(IsIdleComputerUnit);
  if (actors < 1) return;
  const int actor = DrawEntry(IsIdleComputerUnit, actors);
  const int mines = CountEntries(IsOpenMine);
  if (mines < 1) return;
  UnitTable[actor].target = static_cast<int16_t>(DrawEntry(IsOpenMine, mines));
  UnitTable[actor].order = OrderGoTo;
}

}  // namespace

void VictoryCheck() {
  const int player = CountFightingUnits(EmpirePlayer, KeyBackspace);  // its jump first, then the computer's
  const int computer = CountFightingUnits(EmpireComputer, Key0);
  RaiseOutcomeFlags(player, computer);
}

void RaiseOutcomeFlags(int player, int computer) {
  if (player == 0) VictoryComputer = 1;
  if (computer == 0) VictoryPlayer = 1;
  if (player == 0 && computer == 0) VictoryTie = 1;
}

bool IsGameDecided() { return VictoryPlayer != 0 || VictoryComputer != 0 || VictoryTie != 0; }

void ComputerRecruit(int empire) {
  if (TreasuryOf(empire) < ComputerRecruitReserve) return;
  for (int attempt = 0; attempt < ComputerRecruitAttempts; ++attempt) {
    const int u = FindRecruitCandidate();
    if (u >= 0) RecruitAttempt(u, empire);
  }
}

void ComputerOrders(int empire) {
  Side = empire;
  Raid();
  CallToArms();
  SendToMine();
  Side = EmpireComputer;
}
