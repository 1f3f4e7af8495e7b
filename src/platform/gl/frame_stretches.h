// The frame's drawing stretches, each called at its point in the frame's
// order (loop/frame.cpp), with the GL context current.
#pragma once

void BeginSceneStretch();                 // GL clear, overlay clear, camera
void TerrainStretch();                    // mesh build and cull, visible units, terrain pass
void UnitStretch();                       // unit pictures and their labels
void CursorMarkStretch(int dx, int dy);   // the red square on the pointed cell
void OverlayStretch();                    // HUD, help page, messages, overlay composite
