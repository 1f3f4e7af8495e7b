// Units on screen: the visible-unit list, where each unit's picture and
// labels go, and the label texts. The GL drawing is in units_gl.cpp.
#pragma once

#include <cstdint>

#include "pictures/image_slots.h"
#include "pictures/rgb.h"
#include "world/world.h"

constexpr int CorpseSlot = SlotBlood;
constexpr int UnitViewDistance = 20;  // |dcolumn| + |drow| from the view centre
constexpr int VisibleUnitLimit = 255;

int CollectVisibleUnits();

// The picture a unit is drawn with: its type's, or the blood for a corpse.
int UnitPictureSlot(const UnitRecord& unit);

// Where the unit pass puts a unit: the centre of its cell, half a unit size up.
struct ScenePoint {
  float x, y, z;
};
ScenePoint UnitAnchorOffset(const UnitRecord& unit);
// How far a corpse is lowered from the anchor so that it lies just above the ground.
float CorpseDrop(float unitSize);

// The picture a sprite drawer may read: n x n squares of `rows` rows
// (`rows` < n only for a picture stored shorter than wide). Both 0 for an
// empty or unknown slot.
struct SpritePicture {
  const uint8_t* pixels;
  int n;
  int rows;
};
SpritePicture SpritePictureOf(int slot);

// Offset of the square of pixel row or column k from the picture's centre,
// and half the edge of one square.
float SquareOffset(int k, int n, float size);
float SquareHalfEdge(float size, int n);
inline bool IsBlackPixel(const uint8_t* p) { return p[0] == 0 && p[1] == 0 && p[2] == 0; }

// The labels of one unit, anchored at its projected centre.
struct WindowPoint {
  int x, y;
};
WindowPoint LabelAnchor(float wx, float wy);

constexpr int LabelTextSize = 128;
struct LabelText {
  int x, y;
  char text[LabelTextSize];
};
struct LabelLine {
  int x0, y0, x1, y1;
  Rgb colour;
};
// In drawing order: id, bar background, bar fill, owner mark, mine gold, hit points.
struct UnitLabels {
  LabelText id;
  LabelLine bar_back;
  bool has_bar_fill;
  LabelLine bar_fill;
  bool has_owner_mark;
  LabelLine owner_mark;
  bool has_mine_gold;
  LabelText mine_gold;
  LabelText hit_points;
};
constexpr Rgb LabelWhite{255, 255, 255};
void PlanUnitLabels(int id, const UnitRecord& unit, WindowPoint anchor, UnitLabels& labels);
// Writes the planned labels into the overlay, in their drawing order.
void DrawUnitLabels(const UnitLabels& labels);

// --- GL side (units_gl.cpp). ---

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
