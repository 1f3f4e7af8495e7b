// The renderer's per-frame arrays: the terrain mesh and the visible units.
// Allocated once with the world; each frame only resets the counts.
#pragma once

#include <memory>

struct TerrainVertex {
  float x, y, z;  // relative to the view centre
  float u, v;     // texture coordinates
};

struct TerrainTriangle {
  int vertex[3];  // indices into TerrainVertices, in drawing order
  int texture;    // index into GlTextureNames
};

constexpr int VertexCapacity = 1000000;
constexpr int TriangleCapacity = 300000;
constexpr int VisibleTriangleCapacity = 100000;

extern std::unique_ptr<TerrainVertex[]> TerrainVertices;
extern std::unique_ptr<TerrainTriangle[]> TerrainTriangles;
extern std::unique_ptr<int[]> VisibleTriangles;
extern std::unique_ptr<int[]> VisibleUnits;  // UnitCount entries
extern int TerrainVertexCount;
extern int TerrainTriangleCount;
extern int VisibleTriangleCount;
extern int VisibleUnitCount;

// Start of every frame: the arrays keep their memory, only the counts restart.
void ResetRenderCounts();

void AllocateRenderBuffers();
void ReleaseRenderBuffers();
