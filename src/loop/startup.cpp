#include "loop/startup.h"

#include "host/host.h"
#include "host/input.h"
#include "loop/main_loop.h"
#include "overlay/overlay_buffer.h"
#include "pathfinding/path_requests.h"
#include "pictures/image_slots.h"
#include "render/render_buffers.h"
#include "world/new_game.h"
#include "world/world.h"

void AllocateWorld() {
  AllocateWorldTables();
  AllocateRenderBuffers();
  AllocateOverlay();
}

void ReleaseWorld() {
  ReleaseWorldTables();
  ReleaseRenderBuffers();
  ReleaseOverlay();
  ReleaseTextureSlots();
}

void ResetForNewRun() {
  ResetWorldGlobals();
  ResetInput();
  ResetLoopState();
}

bool InitRenderer() {
  AllocateTextureSlots();
  Host.load_pictures();
  AllocateWorld();
  GamePathfinder = new Pathfinder();
  BuildTileTypes();
  InitMapCells();
  Host.set_fixed_render_state();
  NewGame();
  return true;
}

void ReleaseGame() {
  ReleaseWorld();
  delete GamePathfinder;
  GamePathfinder = nullptr;
}
