// One start-up and one teardown for the game and the simulator alike; the
// host decides what the picture and drawing steps do.
#pragma once

// The world with everything sized by it: the world's tables, the render
// buffers and the overlay. ReleaseWorld also frees the picture slots.
void AllocateWorld();
void ReleaseWorld();

// Renderer start-up: pictures and floor textures (host), world, Pathfinder,
// terrain tables and cells, fixed render state (host), the first game.
// Always true.
bool InitRenderer();

// After the window is gone: the world, then the Pathfinder. Safe on a
// partly built state and when called twice.
void ReleaseGame();
