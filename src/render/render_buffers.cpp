#include "render/render_buffers.h"

#include "world/world.h"

TerrainVertex* TerrainVertices = nullptr;
TerrainTriangle* TerrainTriangles = nullptr;
int* VisibleTriangles = nullptr;
int* VisibleUnits = nullptr;
int TerrainVertexCount = 0;
int TerrainTriangleCount = 0;
int VisibleTriangleCount = 0;
int VisibleUnitCount = 0;

void ResetRenderCounts() {
  TerrainVertexCount = TerrainTriangleCount = VisibleTriangleCount = VisibleUnitCount = 0;
}

void AllocateRenderBuffers() {
  TerrainTriangles = new TerrainTriangle[TriangleCapacity]();
  TerrainVertices = new TerrainVertex[VertexCapacity]();
  VisibleTriangles = new int[VisibleTriangleCapacity];
  VisibleUnits = new int[UnitCount];
}

void ReleaseRenderBuffers() {
  delete[] TerrainTriangles;
  delete[] TerrainVertices;
  delete[] VisibleTriangles;
  delete[] VisibleUnits;
  TerrainTriangles = nullptr;
  TerrainVertices = nullptr;
  VisibleTriangles = nullptr;
  VisibleUnits = nullptr;
}
