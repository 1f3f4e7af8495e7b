#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <vector>

#include "render/render_buffers.h"
#include "render/terrain_mesh.h"
#include "rules_test_support.h"
#include "world/world.h"

namespace {

void SetFaceTextures(MapCell& cell, int floor, int top, int south, int north, int east, int west) {
  cell.tex_floor = static_cast<uint8_t>(floor);
  cell.tex_top = static_cast<uint8_t>(top);
  cell.tex_south = static_cast<uint8_t>(south);
  cell.tex_north = static_cast<uint8_t>(north);
  cell.tex_east = static_cast<uint8_t>(east);
  cell.tex_west = static_cast<uint8_t>(west);
}

class TerrainMeshTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    ResetRenderCounts();
  }

  static void FillCodes(int code) {
    for (int i = 0; i < CellsPerLayer; ++i) TerrainCodes[i] = static_cast<uint8_t>(code);
  }
  static MapCell& Cell(int c, int r) { return MapCells[CellIndex(c, r)]; }
  // Every face of the cell gets its own texture so the output can be sorted by face.
  static void MarkFaces(int c, int r) { SetFaceTextures(Cell(c, r), 6, 7, 2, 3, 4, 5); }
  static int TrianglesWithTexture(int texture) {
    int n = 0;
    for (int j = 0; j < TerrainTriangleCount; ++j) n += TerrainTriangles[j].texture == texture;
    return n;
  }
  static void BuildDefaultView() { BuildTerrainMesh(0, 32, 32, ViewRadius); }
};

TEST_F(TerrainMeshTest, TriangleCountFollowsTheTerrainCode) {
  // Codes beyond the defined four draw nothing, also those past the table.
  for (auto [code, triangles] : {std::pair{int{TerrainVoid}, 0}, {TerrainFloor, 2}, {TerrainFloorAndTop, 4},
                                 {TerrainSolidBlock, 12}, {4, 0}, {19, 0}, {20, 0}, {255, 0}}) {
    FillCodes(TerrainVoid);
    SetCode(30, 30, code);
    ResetRenderCounts();
    BuildDefaultView();
    EXPECT_EQ(TerrainTriangleCount, triangles) << "code " << code;
    EXPECT_EQ(TerrainVertexCount, 3 * triangles) << "code " << code;
  }
}

TEST_F(TerrainMeshTest, WallsHideOnlyBehindSolidBlocks) {
  FillCodes(TerrainFloor);
  // Block A at (30,30) with a block to its east and a floor-and-top cell to its west.
  SetCode(30, 30, TerrainSolidBlock);
  SetCode(31, 30, TerrainSolidBlock);
  SetCode(29, 30, TerrainFloorAndTop);
  MarkFaces(30, 30);
  BuildDefaultView();
  EXPECT_EQ(TrianglesWithTexture(4), 0) << "east wall faces a block";
  EXPECT_EQ(TrianglesWithTexture(5), 2) << "west wall faces a floor-and-top cell";
  EXPECT_EQ(TrianglesWithTexture(2), 2);
  EXPECT_EQ(TrianglesWithTexture(3), 2);
  EXPECT_EQ(TrianglesWithTexture(6), 2);
  EXPECT_EQ(TrianglesWithTexture(7), 2);
  // Every other cell: 2 each, block B 4 + 3 walls, floor-and-top cell 4, block A 10.
  EXPECT_EQ(TerrainTriangleCount, (40 * 40 - 3) * 2 + 10 + 4 + 10);

  // No wall at all stands on the shared edge x = -1 (between columns 30 and 31).
  for (int j = 0; j < TerrainTriangleCount; ++j) {
    bool allOnEdge = true, anyRaised = false;
    for (int index : TerrainTriangles[j].vertex) {
      allOnEdge = allOnEdge && TerrainVertices[index].x == -1.0f;
      anyRaised = anyRaised || TerrainVertices[index].z > 0.0f;
    }
    EXPECT_FALSE(allOnEdge && anyRaised) << "triangle " << j;
  }
}

TEST_F(TerrainMeshTest, DiagonalOutsideZeroAndOneDropsFloorAndTopButKeepsWalls) {
  FillCodes(TerrainVoid);
  SetCode(30, 30, TerrainSolidBlock);
  MarkFaces(30, 30);
  for (int diagonal : {2, 255}) {
    Cell(30, 30).diagonal = static_cast<uint8_t>(diagonal);
    ResetRenderCounts();
    BuildDefaultView();
    EXPECT_EQ(TerrainTriangleCount, 8);
    EXPECT_EQ(TrianglesWithTexture(6) + TrianglesWithTexture(7), 0);
    for (int texture = 2; texture <= 5; ++texture) EXPECT_EQ(TrianglesWithTexture(texture), 2);
  }
}

// The column of a floor triangle is its lowest x plus the centre column.
std::set<int> ColumnsInMesh(int centreColumn) {
  std::set<int> columns;
  for (int j = 0; j < TerrainTriangleCount; ++j) {
    float low = 1e9f;
    for (int index : TerrainTriangles[j].vertex) low = std::min(low, TerrainVertices[index].x);
    columns.insert(static_cast<int>(low) + centreColumn);
  }
  return columns;
}

std::set<int> Span(int first, int last) {
  std::set<int> s;
  for (int i = first; i <= last; ++i) s.insert(i);
  return s;
}

TEST_F(TerrainMeshTest, VisitedColumnsStayInsideTheMapsInnerSquare) {
  struct Case {
    int centre;
    std::set<int> columns;
  } cases[] = {{5, Span(1, 24)}, {60, Span(40, 62)}, {100, {}}, {32, Span(12, 51)}};
  for (const Case& c : cases) {
    ResetRenderCounts();
    BuildTerrainMesh(0, c.centre, 32, ViewRadius);
    EXPECT_EQ(ColumnsInMesh(c.centre), c.columns) << "centre " << c.centre;
    EXPECT_EQ(TerrainTriangleCount, static_cast<int>(c.columns.size()) * 40 * 2) << "centre " << c.centre;
  }
  // Rows are cut the same way: centre row 5 sees rows 1 to 24.
  ResetRenderCounts();
  BuildTerrainMesh(0, 32, 5, ViewRadius);
  EXPECT_EQ(TerrainTriangleCount, 40 * 24 * 2);
  float lowY = 1e9f, highY = -1e9f;
  for (int v = 0; v < TerrainVertexCount; ++v) {
    lowY = std::min(lowY, TerrainVertices[v].y);
    highY = std::max(highY, TerrainVertices[v].y);
  }
  EXPECT_EQ(lowY, -4.0f);  // row 1
  EXPECT_EQ(highY, 20.0f);  // far edge of row 24
}

TEST_F(TerrainMeshTest, ExtremeCentresAndRadiiNeitherOverflowNorLeaveTheMap) {
  struct Case {
    int cx, cy, radius, triangles;
  } cases[] = {
      {32, 32, 1000, 62 * 62 * 2}, {INT_MAX, INT_MAX, INT_MAX, 62 * 62 * 2}, {INT_MIN, 32, INT_MAX, 0},
      {-5, 32, 20, 14 * 40 * 2},   {-21, 32, 20, 0},                         {32, 32, -3, 0},
      {32, 32, 0, 0},              {1, 1, 1, 2},                             {2, 2, 1, 8},
  };
  for (const Case& c : cases) {
    ResetRenderCounts();
    BuildTerrainMesh(0, c.cx, c.cy, c.radius);
    EXPECT_EQ(TerrainTriangleCount, c.triangles) << c.cx << "," << c.cy << " r " << c.radius;
  }
  ResetRenderCounts();
  BuildTerrainMesh(1, 32, 32, 20);  // no such layer
  BuildTerrainMesh(-1, 32, 32, 20);
  EXPECT_EQ(TerrainTriangleCount, 0);
}

TEST_F(TerrainMeshTest, RepeatedBuildsStopAtTheArraysCapacity) {
  // Checkerboard of blocks and floor-and-top cells: 12 + 4 triangles per pair.
  for (int r = 0; r < MapSize; ++r)
    for (int c = 0; c < MapSize; ++c) SetCode(c, r, (c + r) % 2 ? TerrainSolidBlock : TerrainFloorAndTop);
  for (int pass = 0; pass < 12; ++pass) BuildTerrainMesh(0, 32, 32, 1000);
  EXPECT_EQ(TerrainTriangleCount, TriangleCapacity);
  EXPECT_EQ(TerrainVertexCount, 3 * TriangleCapacity);

  // Near the vertex capacity: a triangle that no longer fits whole is dropped,
  // and nothing past the count is written.
  ResetRenderCounts();
  TerrainVertex& slot = TerrainVertices[VertexCapacity - 1];
  slot.x = slot.u = 77.0f;
  TerrainVertexCount = VertexCapacity - 5;
  BuildDefaultView();
  EXPECT_EQ(TerrainTriangleCount, 1);
  EXPECT_EQ(TerrainVertexCount, VertexCapacity - 2);
  EXPECT_EQ(slot.x, 77.0f);
  EXPECT_EQ(slot.u, 77.0f);
}

int CountAndList(std::vector<int>& visible) {
  const int n = CullTerrainTriangles();
  visible.assign(VisibleTriangles.get(), VisibleTriangles.get() + VisibleTriangleCount);
  return n;
}

TEST_F(TerrainMeshTest, CullTestsOnlyTheFirstCornerAgainstDistanceTwenty) {
  struct Case {
    int c, r, code;
    float top;
    std::vector<int> visible;
  } cases[] = {
      {42, 41, TerrainFloor, 0.0f, {0}},  // floor at X 10, Y 9: only triangle 1's first corner (10, 9, 0) is in
      {22, 22, TerrainFloor, 0.0f, {1}},  // mirrored at -10: absolute values; triangle 2 starts at (-10, -9)
      {40, 40, TerrainFloorAndTop, 3.0f, {0, 1}},  // heights count: floor corners at 8 stay, the top's (9, 9, 3) go
  };
  for (const Case& k : cases) {
    FillCodes(TerrainVoid);
    SetCode(k.c, k.r, k.code);
    Cell(k.c, k.r).diagonal = 0;
    for (CornerHeights& corner : Cell(k.c, k.r).corner) corner = {k.top, 0.0f};
    ResetRenderCounts();
    BuildDefaultView();
    std::vector<int> visible;
    EXPECT_EQ(CountAndList(visible), static_cast<int>(k.visible.size())) << k.c << "," << k.r;
    EXPECT_EQ(visible, k.visible) << k.c << "," << k.r;
  }
}

TEST_F(TerrainMeshTest, CullSumsInDoubleAndRoundsOnceToFloat) {
  // 20 - 2^-19 (the float just below 20) plus twice 5e-7: summed in double and
  // rounded once it is 20.0 and culled; summed in float it would stay below 20.
  const float justBelow = 19.999998092651367f;
  TerrainVertices[0] = {justBelow, 5e-7f, 5e-7f, 0, 0};
  TerrainVertices[1] = {-justBelow, 0.0f, 0.0f, 0, 0};
  TerrainTriangles[0] = {{0, 1, 1}, 0};
  TerrainTriangles[1] = {{1, 0, 0}, 0};
  TerrainTriangleCount = 2;
  std::vector<int> visible;
  EXPECT_EQ(CountAndList(visible), 1);
  EXPECT_EQ(visible, std::vector<int>{1});
}

TEST_F(TerrainMeshTest, CullStopsAt29999Entries) {
  TerrainVertices[0] = {0, 0, 0, 0, 0};
  for (int j = 0; j < 40000; ++j) TerrainTriangles[j] = {{0, 0, 0}, 0};
  TerrainTriangleCount = 40000;
  VisibleTriangles[29999] = -7;
  EXPECT_EQ(CullTerrainTriangles(), 29999);
  EXPECT_EQ(VisibleTriangleCount, 29999);
  EXPECT_EQ(VisibleTriangles[29998], 29998);
  EXPECT_EQ(VisibleTriangles[29999], -7);

  TerrainTriangleCount = 0;
  VisibleTriangleCount = 5;
  EXPECT_EQ(CullTerrainTriangles(), 0);
  EXPECT_EQ(VisibleTriangleCount, 0);
}

// --- Corner order and texture coordinates of every emitter, for one cell. ---
// Each face is described by the corner numbers of its triangles and whether a
// corner sits at the top or the floor height; positions and (u, v) follow from
// the corner's place in the cell and the face's texture layout.

enum Face { Floor, Top, South, North, East, West };

struct CornerRef {
  int corner;  // 0: (X, Y), 1: (X+s, Y), 2: (X, Y+s), 3: (X+s, Y+s)
  bool atTop;
};

struct FaceCase {
  Face face;
  int diagonal;
  CornerRef triangles[2][3];
};

constexpr bool F = false, T = true;

const FaceCase FaceCases[] = {
    {Floor, 0, {{{0, F}, {1, F}, {3, F}}, {{2, F}, {0, F}, {3, F}}}},
    {Floor, 1, {{{2, F}, {0, F}, {1, F}}, {{2, F}, {1, F}, {3, F}}}},
    {Top, 0, {{{3, T}, {1, T}, {0, T}}, {{3, T}, {0, T}, {2, T}}}},
    {Top, 1, {{{1, T}, {0, T}, {2, T}}, {{3, T}, {1, T}, {2, T}}}},
    {South, 0, {{{0, F}, {1, F}, {1, T}}, {{1, T}, {0, T}, {0, F}}}},
    {North, 0, {{{3, T}, {3, F}, {2, F}}, {{2, F}, {2, T}, {3, T}}}},
    {East, 0, {{{3, F}, {3, T}, {1, F}}, {{1, T}, {1, F}, {3, T}}}},
    {West, 0, {{{0, T}, {2, F}, {0, F}}, {{2, F}, {0, T}, {2, T}}}},
};

const float Floors[4] = {0.25f, -0.5f, 0.75f, 0.125f};
const float Tops[4] = {1.5f, 2.25f, 3.0f, 4.5f};

void ExpectedUV(Face face, const CornerRef& ref, float& u, float& v) {
  const int cx = ref.corner & 1, cy = ref.corner >> 1;
  const float rise = ref.atTop ? Tops[ref.corner] - Floors[ref.corner] : 0.0f;
  switch (face) {
    case Floor: u = 1.0f - cx; v = cy; return;    // u reversed: 1 at the low-x edge
    case Top: u = cx; v = cy; return;
    case South: case North: u = cx; v = rise; return;  // u runs along x
    case East: u = 1.0f - cy; v = rise; return;        // from corner 3 (u 0) to corner 1 (u 1)
    case West: u = cy; v = rise; return;               // from corner 0 (u 0) to corner 2 (u 1)
  }
}

void EmitFace(Face face, int diagonal, float X, float Y) {
  switch (face) {
    case Floor: EmitFloor(diagonal, X, Y); return;
    case Top: EmitTop(diagonal, X, Y); return;
    case South: EmitWallSouth(X, Y); return;
    case North: EmitWallNorth(X, Y); return;
    case East: EmitWallEast(X, Y); return;
    case West: EmitWallWest(X, Y); return;
  }
}

TEST_F(TerrainMeshTest, EveryEmitterWritesItsCornersInOrderWithTheirTextureCoordinates) {
  MapCell cell{};
  for (int k = 0; k < 4; ++k) cell.corner[k] = {Tops[k], Floors[k]};
  SetFaceTextures(cell, 11, 12, 13, 14, 15, 16);
  LoadCellCorners(cell);
  const int textureOf[6] = {11, 12, 13, 14, 15, 16};
  const float X = 3.0f, Y = -2.0f, s = 2.0f;
  EmitCellSize = s;

  for (const FaceCase& fc : FaceCases) {
    ResetRenderCounts();
    EmitFace(fc.face, fc.diagonal, X, Y);
    ASSERT_EQ(TerrainTriangleCount, 2) << "face " << fc.face;
    for (int t = 0; t < 2; ++t) {
      const TerrainTriangle& triangle = TerrainTriangles[t];
      EXPECT_EQ(triangle.texture, textureOf[fc.face]);
      for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(::testing::Message() << "face " << fc.face << " diagonal " << fc.diagonal << " triangle "
                                          << t << " corner " << k);
        const CornerRef& ref = fc.triangles[t][k];
        EXPECT_EQ(triangle.vertex[k], 3 * t + k);  // no vertex is shared
        const TerrainVertex& vertex = TerrainVertices[triangle.vertex[k]];
        EXPECT_EQ(vertex.x, X + s * (ref.corner & 1));
        EXPECT_EQ(vertex.y, Y + s * (ref.corner >> 1));
        EXPECT_EQ(vertex.z, ref.atTop ? Tops[ref.corner] : Floors[ref.corner]);
        float u, v;
        ExpectedUV(fc.face, ref, u, v);
        EXPECT_EQ(vertex.u, u);
        EXPECT_EQ(vertex.v, v);
      }
    }
  }
  for (Face face : {Floor, Top}) {
    ResetRenderCounts();
    EmitFace(face, 3, X, Y);
    EXPECT_EQ(TerrainTriangleCount, 0);
  }
}

TEST_F(TerrainMeshTest, NewWorldIsAFlatGrassFloorSplitByEachCellsDiagonal) {
  BuildDefaultView();
  EXPECT_EQ(TerrainTriangleCount, 40 * 40 * 2);
  for (int v = 0; v < TerrainVertexCount; ++v) EXPECT_EQ(TerrainVertices[v].z, 0.0f);
  for (int j = 0; j < TerrainTriangleCount; ++j) EXPECT_EQ(TerrainTriangles[j].texture, 1);
  // The mesh follows each cell's own diagonal: the first cell (12, 12) splits
  // along corners 0-3 and starts at corner 0, the next one starts at corner 2.
  EXPECT_EQ(TerrainVertices[TerrainTriangles[0].vertex[0]].y, -20.0f);
  EXPECT_EQ(TerrainVertices[TerrainTriangles[2].vertex[0]].y, -19.0f);
}

}  // namespace
