#include "rules/startup.h"

#include "pathfinding/path_requests.h"
#include "world/new_game.h"
#include "world/world.h"

void StartHeadlessWorld() {
  AllocateWorld();
  GamePathfinder = new Pathfinder();
  BuildTileTypes();
  InitMapCells();
  NewGame();
}

void StopHeadlessWorld() {
  ReleaseWorld();
  delete GamePathfinder;
  GamePathfinder = nullptr;
  delete[] UnitTable;  // the game leaves it to the process's end; tests restart often
  UnitTable = nullptr;
}
