#include "loop/startup.h"

#include "pathfinding/path_requests.h"
#include "world/new_game.h"
#include "world/world.h"

void StartWorld() {
  AllocateWorldTables();
  GamePathfinder = std::make_unique<Pathfinder>();
  BuildTileTypes();
  InitMapCells();
}

void StartGame() {
  StartWorld();
  NewGame();
}

void ReleaseGame() {
  ReleaseWorldTables();
  GamePathfinder.reset();
}
