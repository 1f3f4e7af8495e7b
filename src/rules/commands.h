// The player's mouse and function-key commands.
#pragma once

#include "world/world.h"

constexpr float UnitSizeSmall = 0.96f;
constexpr float UnitSizeNormal = 1.5999999f;  // one float step below 1.6, the load value
constexpr float UnitSizeLarge = 3.1999998f;   // one float step below 3.2
constexpr int SlowestGameSpeed = 12;
constexpr int SpeedKeyPauseMs = 500;

// The commands act for the empire whose player's input and view are in the
// globals: empire 0, the player, except for empire 1's player in a versus game.

// Left button held: try to win the neutral entries under the pointer and
// select the empire's own.
void LeftButtonCommand(int empire = EmpirePlayer);
// Right button held: the selected unit walks to the pointer's cell, or
// attacks a unit of the other empire standing there.
void RightButtonCommand(int empire = EmpirePlayer);
// F1 new game, then UnitSizeKeys and SpeedKeys.
void FunctionKeyCommands();
void UnitSizeKeys();  // F2-F4: the unit pictures' size
void SpeedKeys();     // F5-F8: the game speed
// Whether `id` names a living unit of the empire that can take orders.
bool IsCommandableUnit(int id, int empire = EmpirePlayer);
