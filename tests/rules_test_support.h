// Shared set-up for the tests of the simulation and what draws it: a fresh
// headless world, and for the rules, helpers to lay out small hand-made positions.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <vector>

#include "host/host.h"
#include "host/input.h"
#include "loop/startup.h"
#include "render/drawing.h"
#include "world/random.h"
#include "world/world.h"


// The numbers each kind of unit is meant to have, written out here and not
// read from the game's table, so that a number changed there is caught:
// hit points, strength and recruitment odds (1 in N; 0: never recruited).
// The leader and the mine keep the strength placement drew (0 here).
struct UnitKindNumbers {
  int type;
  float hp_max;
  int strength;
  int recruit_odds;
};
inline constexpr UnitKindNumbers GameUnitKinds[] = {
    {10, 20, 0, 0},   {30, 30, 6, 7},   {31, 25, 4, 7},  {32, 40, 8, 11}, {33, 60, 10, 19}, {34, 50, 6, 9},
    {35, 30, 8, 10},  {36, 30, 8, 8},   {37, 25, 5, 7},  {38, 15, 2, 7},  {39, 20, 3, 7},   {40, 28, 4, 10},
    {41, 10, 2, 6},   {42, 40, 9, 21},  {43, 80, 14, 26}, {44, 25, 12, 13}, {90, 120, 0, 60},
};
inline const UnitKindNumbers& KindNumbers(int type) {
  for (const UnitKindNumbers& kind : GameUnitKinds)
    if (kind.type == type) return kind;
  ADD_FAILURE() << "no numbers for type " << type;
  return GameUnitKinds[0];
}

// The draws the next calls of DrawMod will give, without consuming them.
inline std::vector<int> PeekDraws(std::initializer_list<int> moduli) {
  const uint32_t saved = RandomState;
  std::vector<int> draws;
  for (int n : moduli) draws.push_back(DrawMod(n));
  RandomState = saved;
  return draws;
}

// Moves the generator on until the next draws (mod `moduli`) are ones `wanted` accepts.
template <class Wanted>
void AdvanceUntil(std::initializer_list<int> moduli, Wanted wanted) {
  while (!wanted(PeekDraws(moduli))) DrawRandom();
}

class WorldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWorldGlobals();
    UseHeadlessHost(4321);
    StartDrawing();
    StartGame();
  }
  void TearDown() override {
    ReleaseDrawing();
    ReleaseGame();
  }

  static void SetCode(int x, int y, int code) { TerrainCodes[CellIndex(x, y)] = static_cast<uint8_t>(code); }
};

class RulesTest : public WorldTest {
 protected:
  void SetUp() override {
    ResetInput();
    WorldTest::SetUp();
    PauseAskedMs = 0;
  }
  void TearDown() override {
    WorldTest::TearDown();
    ResetInput();
  }

  // Leaves only the two leaders, idle, at their start cells.
  static void KeepOnlyLeaders() {
    for (int i = 2; i < UnitCount; ++i) UnitTable[i] = UnitRecord{};
    for (int i = 0; i < 2; ++i) {
      UnitTable[i].order = OrderNone;
      UnitTable[i].mining = 0;
      UnitTable[i].strength = 5;
    }
  }

  static UnitRecord& Place(int id, int owner, int x, int y, int type = 30) {
    const UnitTypeInfo* info = FindUnitType(type);
    UnitRecord& u = UnitTable[id];
    u = UnitRecord{};
    u.in_use = 1;
    u.owner = owner;
    u.cell_x = static_cast<uint16_t>(x);
    u.cell_y = static_cast<uint16_t>(y);
    u.type = static_cast<uint16_t>(type);
    u.mobility = type == TypeMine ? 2 : 1;
    u.hp_max = u.hp = info->hp_max;
    u.strength = type == TypeMine ? 3 : info->strength;
    u.gold = 1.0f;
    return u;
  }

  static UnitRecord& PlaceMine(int id, int owner, int x, int y, float gold) {
    UnitRecord& m = Place(id, owner, x, y, TypeMine);
    m.gold = gold;
    return m;
  }

  // Runs the update of the group that holds entry `id`.
  static void UpdateGroupOf(int id) {
    FrameCounter = id / 8;
    UpdateGroupNow();
  }
  static void UpdateGroupNow();

  static bool SameBytes(const std::vector<UnitRecord>& before) {
    return std::memcmp(before.data(), UnitTable.get(), sizeof(UnitRecord) * UnitCount) == 0;
  }
  static std::vector<UnitRecord> Snapshot() {
    return std::vector<UnitRecord>(UnitTable.get(), UnitTable.get() + UnitCount);
  }
};
