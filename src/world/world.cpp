#include "world/world.h"

#include <algorithm>
#include <iterator>

#include "base/bit_cast.h"

std::unique_ptr<TileType[]> TileTypes;
std::unique_ptr<MapCell[]> MapCells;
std::unique_ptr<uint8_t[]> TerrainCodes;
std::unique_ptr<UnitRecord[]> UnitTable;

static_assert(BitCast<uint32_t>(LoadUnitSize) == BitCast<uint32_t>(1.6f) - 1);

VALDORIK_WORLD_GLOBALS(VALDORIK_DEFINE_STATE)

void ResetWorldGlobals() {
  VALDORIK_WORLD_GLOBALS(VALDORIK_RESET_STATE)
}

namespace {

constexpr UnitTypeInfo UnitTypes[] = {
    {10, 20.0f, 0, 0},   {30, 30.0f, 6, 7},   {31, 25.0f, 4, 7},   {32, 40.0f, 8, 11},
    {33, 60.0f, 10, 19}, {34, 50.0f, 6, 9},   {35, 30.0f, 8, 10},  {36, 30.0f, 8, 8},
    {37, 25.0f, 5, 7},   {38, 15.0f, 2, 7},   {39, 20.0f, 3, 7},   {40, 28.0f, 4, 10},
    {41, 10.0f, 2, 6},   {42, 40.0f, 9, 21},  {43, 80.0f, 14, 26}, {44, 25.0f, 12, 13},
    {90, 120.0f, 0, 60},
};

// By terrain code.
constexpr TileType TileRows[TerrainSolidBlock + 1] = {
    {0, 0, 0, 0, 0, 0},  // TerrainVoid
    {1, 0, 0, 0, 0, 0},  // TerrainFloor
    {1, 1, 0, 0, 0, 0},  // TerrainFloorAndTop
    {1, 1, 2, 2, 2, 2},  // TerrainSolidBlock
};

}  // namespace

const UnitTypeInfo* FindUnitType(int type) {
  for (const UnitTypeInfo& info : UnitTypes)
    if (info.type == type) return &info;
  return nullptr;
}

void AllocateWorldTables() {
  TileTypes = std::make_unique<TileType[]>(TileTypeCount);
  MapCells = std::make_unique<MapCell[]>(CellsPerLayer * LayerCount);
  TerrainCodes = std::make_unique<uint8_t[]>(CellsPerLayer * LayerCount);
  // ReleaseWorldTables leaves the unit table to the process's end, so a world
  // allocated again (the simulator's in-process commands) reuses it.
  if (UnitTable == nullptr) UnitTable = std::make_unique<UnitRecord[]>(UnitCount);
  std::fill_n(UnitTable.get(), UnitCount, UnitRecord{});
}

void BuildTileTypes() {
  std::copy(std::begin(TileRows), std::end(TileRows), TileTypes.get());
}

void InitMapCells() {
  for (int i = 0; i < CellsPerLayer * LayerCount; ++i) {
    MapCell& cell = MapCells[i];
    for (CornerHeights& corner : cell.corner) corner = {1.5f, 0.0f};
    cell.diagonal = static_cast<uint8_t>(i % 2);
    cell.tex_top = 0;
    cell.tex_floor = 1;
    cell.tex_south = cell.tex_north = cell.tex_east = cell.tex_west = 0;
    TerrainCodes[i] = TerrainFloor;
  }
}

void ReleaseWorldTables() {
  TileTypes.reset();
  MapCells.reset();
  TerrainCodes.reset();
  // The unit table lives until the process ends.
}
