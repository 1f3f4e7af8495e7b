// The rolling update that carries out unit orders, and the neutral wander.
#pragma once

constexpr int WanderPeriod = 3000;
constexpr int EconomyPeriod = 30;  // also the victory check
constexpr int DecisionPeriod = 500;
constexpr int UpdateGroupSize = 8;
constexpr int UpdateCycle = 33;  // groups; the 33rd group lies past the table

// A rule with period P runs in the frames where FrameCounter mod P is 1.
bool IsPeriodDue(int period);

// Gives every idle neutral entry (mines included) a walk to a random cell.
void NeutralWander();
// Carries out the orders of the eight entries of group FrameCounter mod 33.
void UpdateGroup();
