// The player's mouse and function-key commands.
#pragma once

constexpr float UnitSizeSmall = 0.96f;
constexpr float UnitSizeNormal = 1.5999999f;  // one float step below 1.6, the load value
constexpr float UnitSizeLarge = 3.1999998f;   // one float step below 3.2
constexpr int SlowestGameSpeed = 12;
constexpr int SpeedKeyPauseMs = 500;

// Left button held: try to win the neutral entries under the pointer and
// select the player's own.
void LeftButtonCommand();
// Right button held: the selected unit walks to the pointer's cell, or
// attacks a computer unit standing there.
void RightButtonCommand();
// F1 new game, F2-F4 unit size, F5-F8 game speed.
void FunctionKeyCommands();
// Whether `id` names a living player unit that can take orders.
bool IsCommandableUnit(int id);
