// The frame's drawing stretches, each called at its point in the frame's
// order (loop/frame.cpp), with the GL context current.
#pragma once

void BeginScene();                    // GL clear, overlay clear, camera
void DrawTerrain();                   // mesh build and cull, visible units, terrain pass
void DrawUnits();                     // unit pictures and their labels
void DrawCursorMark(int dx, int dy);  // the red square on the pointed cell
void DrawOverlay();                   // HUD, help page, messages, overlay composite
