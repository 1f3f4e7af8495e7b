// The computer opponent's periodic decisions and the victory check.
#pragma once

#include "world/world.h"

constexpr float ComputerRecruitReserve = 30.0f;  // pays for all three attempts
constexpr int ComputerRecruitAttempts = 3;
constexpr int CandidateTries = 100;
constexpr int RaidFrameLimit = 1500;  // no raid or call to arms up to this frame

// Counts each side's fighting units (taking the Backspace / 0 view jumps on
// the way) and raises the outcome flags of a side with none left.
void VictoryCheck();
// The living units of the empire that fight (mines do not). While the jump
// key is held the view moves to the first of them.
int CountFightingUnits(int empire, int jump_key);
// A side with no fighting unit left has lost; both at once is a tie.
void RaiseOutcomeFlags(int player_units, int computer_units);
bool IsGameDecided();
// The computer plays empire 1, or in a versus game a side whose player has gone.
// Three paid attempts on random neutral creatures.
void ComputerRecruit(int empire = EmpireComputer);
// Raid, call to arms, and sending an idle unit to a mine.
void ComputerOrders(int empire = EmpireComputer);
