// The world: map cells, terrain tables, the unit table and the world globals.
// Plain process-wide state; every rule reads and writes it directly.
#pragma once

#include <cstdint>
#include <memory>

#include "host/state_list.h"

constexpr int MapSize = 64;
constexpr int LayerCount = 1;
constexpr int CellsPerLayer = MapSize * MapSize;
constexpr int UnitCount = 256;
constexpr int TileTypeCount = 20;

inline int CellIndex(int x, int y, int layer = 0) { return x + y * MapSize + layer * CellsPerLayer; }

struct CornerHeights {
  float top;
  float floor;
};

struct MapCell {
  CornerHeights corner[4];  // 0: low column/low row, 1: next column, 2: next row, 3: both
  uint8_t diagonal;         // 0: split along corner 0-3, 1: along corner 2-1
  uint8_t tex_top;
  uint8_t tex_floor;
  uint8_t tex_south;  // wall toward row y-1
  uint8_t tex_north;  // wall toward row y+1
  uint8_t tex_east;   // wall toward column x+1
  uint8_t tex_west;   // wall toward column x-1
};

// A cell's terrain code (TerrainCodes). A code below TileTypeCount is also
// the cell's row of TileTypes, which says what is drawn there; the Pathfinder
// says which codes a unit walks on and which let a diagonal step pass their
// corner. Every cell of a new map is TerrainFloor. Past the four tile rows a
// code draws nothing, and only the search tells those codes apart.
enum TerrainCode : uint8_t {
  TerrainVoid = 0,         // nothing drawn; not walkable
  TerrainFloor = 1,        // the floor; walkable, clears corners
  TerrainFloorAndTop = 2,  // the floor and its top; walkable, keeps its corners
  TerrainSolidBlock = 3,   // floor, top and four walls; not walkable
  TerrainOpen10 = 10,      // walkable, clears corners
  TerrainBlocked11 = 11,   // not walkable
  TerrainBlocked20 = 20,   // not walkable
  TerrainOpen22 = 22,      // walkable, clears corners
  TerrainOpen60 = 60,      // walkable, clears corners
  TerrainBlocked61 = 61,   // not walkable, and a step onto it would cost a thousand times more
  TerrainOpen68 = 68,      // walkable, clears corners
};

// Surfaces are drawn when their flag is 1, walls when theirs is 2.
struct TileType {
  int floor;
  int top;
  int wall_south;
  int wall_north;
  int wall_east;
  int wall_west;
};

enum OrderCode : uint16_t { OrderNone = 0, OrderMove = 1, OrderAttack = 2, OrderGoTo = 3 };

enum Empire : int { EmpirePlayer = 0, EmpireComputer = 1, EmpireNeutral = 2 };
// The other of the two fighting empires.
constexpr int OpponentOf(int empire) { return empire == EmpirePlayer ? EmpireComputer : EmpirePlayer; }

constexpr int TypeLeader = 10;
constexpr int TypeFirstCreature = 30;
constexpr int TypeLastCreature = 44;
constexpr int TypeMine = 90;
constexpr int SlotBlood = 9;  // picture drawn for a corpse; never a unit type

struct UnitRecord {
  uint8_t in_use;
  int32_t owner;
  uint16_t cell_x;
  uint16_t cell_y;
  uint16_t layer;
  uint16_t goal_x;
  uint16_t goal_y;
  uint16_t step_x;
  uint16_t step_y;
  int16_t target;
  uint16_t order;
  uint16_t blocking;
  uint16_t type;
  uint16_t mobility;  // 1: carries out orders, 2: a mine
  int8_t mining;
  float gold;  // entries 0 and 1: the empire's treasury; mines: gold left
  float hp_max;
  float hp;
  uint8_t dead;
  int32_t strength;
  bool operator==(const UnitRecord&) const = default;
};

// Per-type values: hit points, strength and recruitment odds (1 in N).
struct UnitTypeInfo {
  int type;
  float hp_max;
  int strength;
  int recruit_odds;
};
// Returns the row for a creature type 30..44, the leader (10) or the mine (90);
// nullptr for any other code.
const UnitTypeInfo* FindUnitType(int type);

// --- The world's arrays, allocated once at start-up (AllocateWorldTables). ---
extern std::unique_ptr<TileType[]> TileTypes;    // TileTypeCount entries
extern std::unique_ptr<MapCell[]> MapCells;      // CellsPerLayer * LayerCount
extern std::unique_ptr<uint8_t[]> TerrainCodes;  // CellsPerLayer * LayerCount
extern std::unique_ptr<UnitRecord[]> UnitTable;  // UnitCount entries, kept until the process ends

// --- World globals, listed once: type, name, value at load. ---
// Their definitions, ResetWorldGlobals and the game's state snapshot
// (loop/game_state.h) all walk this list; a global added here is covered by
// all three. Paused is 1 while P or Pause has paused the game; a new game
// leaves it.
constexpr float LoadUnitSize = 1.5999999f;  // one single-precision step below 1.6
#define VALDORIK_WORLD_GLOBALS(X)                                                            \
  X(int, FrameCounter, 0)                                                                   \
  X(int, selected_unit, 0)                                                                  \
  X(int, map_sx, 0)                                                                         \
  X(int, map_sy, 0)                                                                         \
  X(int, map_ex, 0)                                                                         \
  X(int, map_ey, 0)                                                                         \
  X(int, GameSpeed, 1)                                                                      \
  X(float, UnitSize, LoadUnitSize)                                                          \
  X(int, VictoryPlayer, 0)                                                                  \
  X(int, VictoryComputer, 0)                                                                \
  X(int, VictoryTie, 0)                                                                     \
  X(int, HelpVisible, 0)                                                                    \
  X(int, Paused, 0)                                                                         \
  X(float, CameraZoom, -5.0f)                                                               \
  X(float, CameraTilt, 25.0f)                                                               \
  X(float, CameraTurn, 0.0f)                                                                \
  X(float, CameraSpin, 0.0f)

VALDORIK_WORLD_GLOBALS(VALDORIK_DECLARE_STATE)

// Puts every world global back to its load value.
void ResetWorldGlobals();

void AllocateWorldTables();
void BuildTileTypes();
void InitMapCells();
void ReleaseWorldTables();

// The gold of an empire lives in the entry whose index is the empire number.
inline float& TreasuryOf(int empire) { return UnitTable[empire].gold; }
