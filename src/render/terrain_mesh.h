// The terrain mesh: every frame the cells around the view centre become a
// fresh triangle list in TerrainVertices/TerrainTriangles, a distance cull
// picks the triangles to draw, and DrawTerrainMesh (platform/gl/terrain_draw.h)
// sends them to OpenGL.
#pragma once

#include <cstdint>

#include "world/world.h"

constexpr int ViewRadius = 20;
constexpr float CullDistance = 20.0f;     // |x| + |y| + |z| of a triangle's first corner
constexpr int VisibleTriangleLimit = 29999;

// Edge length of a cell in world units. The builder copies it at the start of
// each build; the emitters read the copy (EmitCellSize).
extern float CellSize;
extern float EmitCellSize;

// The cell whose faces are being emitted: f0..f3, t0..t3 and its textures.
struct CellCornerState {
  float floor[4];
  float top[4];
  uint8_t tex_floor, tex_top, tex_south, tex_north, tex_east, tex_west;
};
extern CellCornerState CellCorners;

void LoadCellCorners(const MapCell& cell);

// Half-open range [first, end) of columns (or rows) visited around a centre:
// the outermost ring of the map is never drawn.
struct CellRange {
  int first, end;
};
CellRange VisitedCells(int centre, int radius);

void BuildTerrainMesh(int layer, int centreColumn, int centreRow, int radius);

// Two triangles each; floor and top emit nothing for a diagonal other than 0 or 1.
void EmitFloor(int diagonal, float X, float Y);
void EmitTop(int diagonal, float X, float Y);
void EmitWallSouth(float X, float Y);
void EmitWallNorth(float X, float Y);
void EmitWallEast(float X, float Y);
void EmitWallWest(float X, float Y);

// Writes the vertex at TerrainVertexCount without advancing the count.
void WriteVertex(float u, float v, float x, float y, float z);
// Points corner k of the triangle at TerrainTriangleCount to the vertex at
// TerrainVertexCount, then advances the vertex count.
void TakeCorner(int k);

int CullTerrainTriangles();
