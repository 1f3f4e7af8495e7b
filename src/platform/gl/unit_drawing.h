// The units' pictures drawn with OpenGL, and their labels projected into
// the overlay (render/units.h plans where each goes).
#pragma once

// A point in window coordinates: x and y in pixels from the viewport's lower
// left corner, z its depth from 0 (near) to 1 (far).
struct WindowPosition {
  float x, y, z;
};
// A point through the current matrices and viewport; the window origin when
// the projection fails.
WindowPosition ProjectToWindow(float x, float y, float z);
// A unit's picture standing upright, turned against the camera's spin.
void DrawUnitSprite(int slot, float size);
// A picture lying flat in the current z plane (corpses).
void DrawLyingSprite(int slot, float size);
// The same two pictures drawn one matrix push, translation and quad per
// pixel: slow, kept to check the fast drawers against.
void DrawUnitSpriteSquareBySquare(int slot, float size);
void DrawLyingSpriteSquareBySquare(int slot, float size);
// The frame's unit pass: each visible unit's picture, and its labels into the overlay.
void DrawUnitPass();
// The same pass with the square-by-square drawers, to check the fast pass against.
void DrawUnitPassSquareBySquare();
