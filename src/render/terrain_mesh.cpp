#include "render/terrain_mesh.h"

#include <algorithm>
#include <cmath>

#include "render/render_buffers.h"

float CellSize = 1.0f;
float EmitCellSize = 1.0f;
CellCornerState CellCorners{};

namespace {

constexpr int FaceDrawn = 1;
constexpr int WallDrawn = 2;

struct Corner {
  float u, v, x, y, z;
};

bool MeshHasRoomForTriangle() {
  return TerrainTriangleCount < TriangleCapacity && TerrainVertexCount + 3 <= VertexCapacity;
}

// A triangle that would not fit is dropped whole, so the arrays never
// overflow however often the builder runs before the counts are reset.
void EmitTriangle(int texture, const Corner& a, const Corner& b, const Corner& c) {
  if (!MeshHasRoomForTriangle()) return;
  const Corner* corners[3] = {&a, &b, &c};
  for (int k = 0; k < 3; ++k) {
    const Corner& p = *corners[k];
    WriteVertex(p.u, p.v, p.x, p.y, p.z);
    TakeCorner(k);
  }
  TerrainTriangles[TerrainTriangleCount].texture = texture;
  ++TerrainTriangleCount;
}

// Codes outside the table draw nothing.
const TileType* TileOfCode(int code) {
  static constexpr TileType Nothing{};
  return code < TileTypeCount ? &TileTypes[code] : &Nothing;
}

void EmitCellFaces(int pos, float X, float Y) {
  const MapCell& cell = MapCells[pos];
  LoadCellCorners(cell);
  const TileType& t = *TileOfCode(TerrainCodes[pos]);
  if (t.floor == FaceDrawn) EmitFloor(cell.diagonal, X, Y);
  if (t.top == FaceDrawn) EmitTop(cell.diagonal, X, Y);
  // A wall hides behind a neighbouring solid block.
  if (t.wall_south == WallDrawn && TerrainCodes[pos - MapSize] != TerrainSolidBlock) EmitWallSouth(X, Y);
  if (t.wall_north == WallDrawn && TerrainCodes[pos + MapSize] != TerrainSolidBlock) EmitWallNorth(X, Y);
  if (t.wall_east == WallDrawn && TerrainCodes[pos + 1] != TerrainSolidBlock) EmitWallEast(X, Y);
  if (t.wall_west == WallDrawn && TerrainCodes[pos - 1] != TerrainSolidBlock) EmitWallWest(X, Y);
}

}  // namespace

void LoadCellCorners(const MapCell& cell) {
  for (int k = 0; k < 4; ++k) {
    CellCorners.floor[k] = cell.corner[k].floor;
    CellCorners.top[k] = cell.corner[k].top;
  }
  CellCorners.tex_floor = cell.tex_floor;
  CellCorners.tex_top = cell.tex_top;
  CellCorners.tex_south = cell.tex_south;
  CellCorners.tex_north = cell.tex_north;
  CellCorners.tex_east = cell.tex_east;
  CellCorners.tex_west = cell.tex_west;
}

CellRange VisitedCells(int centre, int radius) {
  // Wide arithmetic: a centre scrolled far off the map must not overflow.
  const long long first = std::max<long long>(static_cast<long long>(centre) - radius, 1);
  const long long end = std::min<long long>(static_cast<long long>(centre) + radius, MapSize - 1);
  if (end <= first) return {1, 1};
  return {static_cast<int>(first), static_cast<int>(end)};
}

void BuildTerrainMesh(int layer, int centreColumn, int centreRow, int radius) {
  if (layer < 0 || layer >= LayerCount) return;
  EmitCellSize = CellSize;
  const float s = EmitCellSize;
  const CellRange rows = VisitedCells(centreRow, radius);
  const CellRange columns = VisitedCells(centreColumn, radius);
  for (int r = rows.first; r < rows.end; ++r) {
    for (int c = columns.first; c < columns.end; ++c) {
      const int pos = layer * CellsPerLayer + r * MapSize + c;
      const float X = static_cast<float>(static_cast<long long>(c) - centreColumn) * s;
      const float Y = static_cast<float>(static_cast<long long>(r) - centreRow) * s;
      EmitCellFaces(pos, X, Y);
    }
  }
}

// Floor: u is 1 at the low-x edge and 0 at the high-x edge; v follows y.
void EmitFloor(int diagonal, float X, float Y) {
  const float s = EmitCellSize;
  const float* f = CellCorners.floor;
  const int tex = CellCorners.tex_floor;
  if (diagonal == 0) {
    EmitTriangle(tex, {1, 0, X, Y, f[0]}, {0, 0, X + s, Y, f[1]}, {0, 1, X + s, Y + s, f[3]});
    EmitTriangle(tex, {1, 1, X, Y + s, f[2]}, {1, 0, X, Y, f[0]}, {0, 1, X + s, Y + s, f[3]});
  } else if (diagonal == 1) {
    EmitTriangle(tex, {1, 1, X, Y + s, f[2]}, {1, 0, X, Y, f[0]}, {0, 0, X + s, Y, f[1]});
    EmitTriangle(tex, {1, 1, X, Y + s, f[2]}, {0, 0, X + s, Y, f[1]}, {0, 1, X + s, Y + s, f[3]});
  }
}

// Top: u runs the other way from the floor's, 0 at the low-x edge.
void EmitTop(int diagonal, float X, float Y) {
  const float s = EmitCellSize;
  const float* t = CellCorners.top;
  const int tex = CellCorners.tex_top;
  if (diagonal == 0) {
    EmitTriangle(tex, {1, 1, X + s, Y + s, t[3]}, {1, 0, X + s, Y, t[1]}, {0, 0, X, Y, t[0]});
    EmitTriangle(tex, {1, 1, X + s, Y + s, t[3]}, {0, 0, X, Y, t[0]}, {0, 1, X, Y + s, t[2]});
  } else if (diagonal == 1) {
    EmitTriangle(tex, {1, 0, X + s, Y, t[1]}, {0, 0, X, Y, t[0]}, {0, 1, X, Y + s, t[2]});
    EmitTriangle(tex, {1, 1, X + s, Y + s, t[3]}, {1, 0, X + s, Y, t[1]}, {0, 1, X, Y + s, t[2]});
  }
}

// Walls rise from the floor to the top height; v is the height above the
// floor, so the texture repeats once per world unit.
void EmitWallSouth(float X, float Y) {
  const float s = EmitCellSize;
  const float* f = CellCorners.floor;
  const float* t = CellCorners.top;
  const int tex = CellCorners.tex_south;
  EmitTriangle(tex, {0, 0, X, Y, f[0]}, {1, 0, X + s, Y, f[1]}, {1, t[1] - f[1], X + s, Y, t[1]});
  EmitTriangle(tex, {1, t[1] - f[1], X + s, Y, t[1]}, {0, t[0] - f[0], X, Y, t[0]}, {0, 0, X, Y, f[0]});
}

void EmitWallNorth(float X, float Y) {
  const float s = EmitCellSize;
  const float* f = CellCorners.floor;
  const float* t = CellCorners.top;
  const int tex = CellCorners.tex_north;
  EmitTriangle(tex, {1, t[3] - f[3], X + s, Y + s, t[3]}, {1, 0, X + s, Y + s, f[3]}, {0, 0, X, Y + s, f[2]});
  EmitTriangle(tex, {0, 0, X, Y + s, f[2]}, {0, t[2] - f[2], X, Y + s, t[2]}, {1, t[3] - f[3], X + s, Y + s, t[3]});
}

void EmitWallEast(float X, float Y) {
  const float s = EmitCellSize;
  const float* f = CellCorners.floor;
  const float* t = CellCorners.top;
  const int tex = CellCorners.tex_east;
  EmitTriangle(tex, {0, 0, X + s, Y + s, f[3]}, {0, t[3] - f[3], X + s, Y + s, t[3]}, {1, 0, X + s, Y, f[1]});
  EmitTriangle(tex, {1, t[1] - f[1], X + s, Y, t[1]}, {1, 0, X + s, Y, f[1]}, {0, t[3] - f[3], X + s, Y + s, t[3]});
}

void EmitWallWest(float X, float Y) {
  const float s = EmitCellSize;
  const float* f = CellCorners.floor;
  const float* t = CellCorners.top;
  const int tex = CellCorners.tex_west;
  EmitTriangle(tex, {0, t[0] - f[0], X, Y, t[0]}, {1, 0, X, Y + s, f[2]}, {0, 0, X, Y, f[0]});
  EmitTriangle(tex, {1, 0, X, Y + s, f[2]}, {0, t[0] - f[0], X, Y, t[0]}, {1, t[2] - f[2], X, Y + s, t[2]});
}

void WriteVertex(float u, float v, float x, float y, float z) {
  TerrainVertex& vertex = TerrainVertices[TerrainVertexCount];
  vertex.x = x;
  vertex.y = y;
  vertex.z = z;
  vertex.u = u;
  vertex.v = v;
}

void TakeCorner(int k) {
  TerrainTriangles[TerrainTriangleCount].vertex[k] = TerrainVertexCount;
  ++TerrainVertexCount;
}

// Only the first corner is tested, so a face may lose one of its two
// triangles at the edge of the drawn diamond.
int CullTerrainTriangles() {
  static_assert(VisibleTriangleLimit <= VisibleTriangleCapacity);
  int count = 0;
  for (int j = 0; j < TerrainTriangleCount && count < VisibleTriangleLimit; ++j) {
    const TerrainVertex& first = TerrainVertices[TerrainTriangles[j].vertex[0]];
    const double sum = std::fabs(static_cast<double>(first.x)) + std::fabs(static_cast<double>(first.y)) +
                       std::fabs(static_cast<double>(first.z));
    const float d = static_cast<float>(sum);
    if (d < CullDistance) VisibleTriangles[count++] = j;
  }
  VisibleTriangleCount = count;
  return count;
}
