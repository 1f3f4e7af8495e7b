// The picture side of the game, started once the window and its GL context
// exist (the simulator, which draws nothing, never starts it).
#pragma once

// The picture slots, the render buffers and the overlay; then, through the
// host, the pictures and floor textures and the fixed render state.
void StartDrawing();
// Frees what StartDrawing made. Safe on a partly built state and when
// called twice.
void ReleaseDrawing();
