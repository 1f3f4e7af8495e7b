// One start-up and one teardown of the game's world for the window and the
// simulator alike. The picture side (render/drawing.h) starts apart from
// it, once a window exists; the simulator never starts it.
#pragma once

// The world's tables, the Pathfinder, the terrain tables and the map cells,
// with no game dealt yet.
void StartWorld();
// The start of the game: StartWorld, then the first game. The entry point
// calls it once the window and the pictures are ready.
void StartGame();

// The world, then the Pathfinder. Safe on a partly built state and when
// called twice.
void ReleaseGame();
