#pragma once

// One pass of the game: draws the frame and runs one step of the rules in
// their fixed interleaved order. Always true; false would end the loop.
bool RunFrame();

// The stretches RunFrame runs, in its order. Exposed so that the frame's time
// can be split between them; calling them in this order is RunFrame.
void BeginFrameStretch();    // speed pause, move-window key, clears, camera
void TerrainStretch();       // mesh build and cull, visible units, terrain pass
void UnitStretch();          // unit pictures and their labels
void RulesStretch();         // rules first half, spin, cursor mark, rules second half
void OverlayStretch();       // help key, HUD, overlay composite
