#include "world/new_game.h"

#include "host/host.h"
#include "world/random.h"
#include "world/world.h"

namespace {

constexpr int PlacedEntries = UnitCount / 3;  // entries 0..84
constexpr int MineAttempts = 5;

void PlaceCreature(UnitRecord& u) {
  u.in_use = 1;
  u.mobility = 1;
  u.cell_x = static_cast<uint16_t>(1 + DrawMod(62));
  u.cell_y = static_cast<uint16_t>(1 + DrawMod(62));
  u.layer = 0;
  u.type = static_cast<uint16_t>(TypeFirstCreature + DrawMod(15));
  u.order = OrderNone;
  u.owner = EmpireNeutral;
  const UnitTypeInfo* info = FindUnitType(u.type);
  u.hp_max = info->hp_max;
  u.strength = info->strength;
  u.hp = u.hp_max;
  u.dead = 0;
  u.gold = 1.0f;
}

// Strength, dead and mining stay as placement left them.
void PlaceLeader(UnitRecord& u, int empire, int row) {
  u.in_use = 1;
  u.owner = empire;
  u.cell_x = 32;
  u.cell_y = static_cast<uint16_t>(row);
  u.layer = 0;
  u.type = TypeLeader;
  u.mobility = 1;
  u.order = OrderNone;
  u.hp_max = FindUnitType(TypeLeader)->hp_max;
  u.hp = u.hp_max;
  u.gold = 1000.0f;
}

void MakeMine(UnitRecord& u) {
  u.type = TypeMine;
  u.mobility = 2;
  u.hp_max = FindUnitType(TypeMine)->hp_max;
  u.hp = u.hp_max;
  u.gold = static_cast<float>(500 + DrawMod(4200));
}

// One attempt: the first neutral living candidate from entry 3 whose draw
// comes up 1 becomes a mine (a mine already made is still a candidate).
void MineAttempt() {
  for (int i = 3; i < UnitCount; ++i) {
    UnitRecord& u = UnitTable[i];
    if (u.in_use != 1 || u.dead != 0 || u.owner != EmpireNeutral) continue;
    if (DrawMod(20) == 1) {
      MakeMine(u);
      return;
    }
  }
}

}  // namespace

void NewGame() {
  SeedRandom(Host.clock_seconds());
  for (int i = 0; i < UnitCount; ++i) {
    UnitTable[i].in_use = 0;
    UnitTable[i].mining = 0;
  }
  for (int i = 0; i < PlacedEntries; ++i) PlaceCreature(UnitTable[i]);
  PlaceLeader(UnitTable[0], EmpirePlayer, 4);
  PlaceLeader(UnitTable[1], EmpireComputer, 59);
  for (int attempt = 0; attempt < MineAttempts; ++attempt) MineAttempt();

  FrameCounter = 0;
  VictoryPlayer = VictoryComputer = VictoryTie = 0;
  CameraTilt = NewGameTilt;
  CameraTurn = NewGameTurn;
  CameraZoom = NewGameZoom;
  CameraSpin = NewGameSpin;
  map_sx = NewGameViewX;
  map_sy = NewGameViewY;
  Host.play_sound_async(StartSoundPath);
}
