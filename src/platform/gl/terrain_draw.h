// The terrain mesh (render/terrain_mesh.h) sent to OpenGL.
#pragma once

// The visible triangles in cull order, each with its texture bound.
void DrawTerrainMesh();
