#include "loop/startup.h"

#include "host/input.h"
#include "loop/main_loop.h"
#include "pathfinding/path_requests.h"
#include "world/new_game.h"
#include "world/world.h"

void ResetForNewRun() {
  ResetWorldGlobals();
  ResetInput();
  ResetLoopState();
}

void StartWorld() {
  AllocateWorldTables();
  GamePathfinder = new Pathfinder();
  BuildTileTypes();
  InitMapCells();
}

void StartGame() {
  StartWorld();
  NewGame();
}

void ReleaseGame() {
  ReleaseWorldTables();
  delete GamePathfinder;
  GamePathfinder = nullptr;
}
