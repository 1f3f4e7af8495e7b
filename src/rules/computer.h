// The computer opponent's periodic decisions and the victory check.
#pragma once

constexpr float ComputerRecruitReserve = 30.0f;  // pays for all three attempts
constexpr int ComputerRecruitAttempts = 3;
constexpr int CandidateTries = 100;
constexpr int RaidFrameLimit = 1500;  // no raid or call to arms up to this frame

// Counts each side's fighting units (taking the Backspace / 0 view jumps on
// the way) and raises the outcome flags of a side with none left.
void VictoryCheck();
bool IsGameDecided();
// Three paid attempts on random neutral creatures.
void ComputerRecruit();
// Raid, call to arms, and sending an idle unit to a mine.
void ComputerOrders();
