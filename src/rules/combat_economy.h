// Melee, the economy tick and the recruitment attempt.
#pragma once

#include <cstdlib>

#include "world/world.h"

constexpr float RecruitPrice = 10.0f;

inline bool IsUnitId(int id) { return id >= 0 && id < UnitCount; }

inline int ManhattanDistance(const UnitRecord& a, const UnitRecord& b) {
  return std::abs(a.cell_x - b.cell_x) + std::abs(a.cell_y - b.cell_y);
}

// One blow each way between attacker a and target t; a fatal blow ends both
// orders and drops the selection if it was one of the two.
void MeleeExchange(int a, int t);
// Base income, owned mine payouts and shared mines.
void EconomyTick();
// Empire e pays the price and draws for entry u; true when u now belongs to e.
bool RecruitAttempt(int u, int e);
