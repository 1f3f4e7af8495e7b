// One start-up and one teardown for the game and the simulator alike; the
// host decides what the picture and drawing steps do.
#pragma once

// The world with everything sized by it: the world's tables, the render
// buffers and the overlay. ReleaseWorld also frees the picture slots.
void AllocateWorld();
void ReleaseWorld();

// The globals, keys, pointer and loop state as a freshly loaded program has
// them: for the runs the simulator and the tests make in one process.
void ResetForNewRun();

// The world, the Pathfinder, the terrain tables and cells, and the first
// game: everything the rules need, nothing drawn. A continued game runs it
// before its window opens; WorldStarted says so until ReleaseGame.
void StartWorld();
bool WorldStarted();

// Renderer start-up: pictures and floor textures (host), fixed render state
// (host), then StartWorld unless the world runs already. Always true.
bool InitRenderer();

// After the window is gone: the world, then the Pathfinder. Safe on a
// partly built state and when called twice.
void ReleaseGame();
