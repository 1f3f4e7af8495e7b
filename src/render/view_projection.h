// The game's 3-D view worked out without GL, as the frame draws it: where a
// scene point lands on the frame, and what is drawn under a frame point. The
// page aims a finger through it: the rules still map the pointer to cells by
// their fixed 40 x 40 grid, so the finger's pointer goes to the grid pixel of
// the cell drawn under the finger.
//
// Scene points are relative to the view centre: cell (c, r) is the floor
// square from c - map_sx to c - map_sx + 1 in x, likewise in y, at z = 0.
// Frame pixels count from the frame's top-left corner, as the page's do.
#pragma once

#include "render/units.h"

// What the camera does to the scene: move along the view axis, then tilt
// about x, turn about y and spin about z (degrees), as the frame applies it.
struct CameraPose {
  float zoom, tilt, turn, spin;
};
CameraPose CurrentCamera();

struct FramePoint {
  double x, y;
};
// Where a scene point is drawn; false when it lies behind the eye, or so
// near the eye's plane that it lands farther than FrameReach pixels from
// the frame's corner (the page marks no spot out there), or the camera is
// not a number.
constexpr double FrameReach = 1.0e5;
bool ProjectToFrame(const CameraPose& camera, ScenePoint point, FramePoint& drawn);

// What the frame pixel (column x, row y) shows, by offset from the view
// centre: the front-most live unit standing there (its cell, and its id),
// else the floor cell. A point above the horizon gives a far cell in its
// direction.
struct DrawnCell {
  int dx, dy;
  int unit;  // -1 for the floor
};
DrawnCell CellDrawnAt(const CameraPose& camera, int x, int y);

// The pointer pixel the rules' grid maps to the cell (dx, dy) from the view
// centre: the middle of that cell's pixels. A cell the grid does not reach
// gives the nearest one it does, on its edge, and says it was cut.
struct GridPointer {
  int x, y;
  int dx, dy;  // the cell it acts on
  bool cut;
};
GridPointer PointerForCell(int dx, int dy);
