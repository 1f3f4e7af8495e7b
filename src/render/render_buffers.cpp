#include "render/render_buffers.h"

#include "world/world.h"

std::unique_ptr<TerrainVertex[]> TerrainVertices;
std::unique_ptr<TerrainTriangle[]> TerrainTriangles;
std::unique_ptr<int[]> VisibleTriangles;
std::unique_ptr<int[]> VisibleUnits;
int TerrainVertexCount = 0;
int TerrainTriangleCount = 0;
int VisibleTriangleCount = 0;
int VisibleUnitCount = 0;

void ResetRenderCounts() {
  TerrainVertexCount = TerrainTriangleCount = VisibleTriangleCount = VisibleUnitCount = 0;
}

void AllocateRenderBuffers() {
  TerrainTriangles = std::make_unique<TerrainTriangle[]>(TriangleCapacity);
  TerrainVertices = std::make_unique<TerrainVertex[]>(VertexCapacity);
  VisibleTriangles = std::make_unique<int[]>(VisibleTriangleCapacity);
  VisibleUnits = std::make_unique<int[]>(UnitCount);
}

void ReleaseRenderBuffers() {
  TerrainTriangles.reset();
  TerrainVertices.reset();
  VisibleTriangles.reset();
  VisibleUnits.reset();
}
