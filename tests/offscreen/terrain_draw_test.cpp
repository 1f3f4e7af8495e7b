// The terrain draw pass through GL's feedback mode: one textured triangle
// per visible entry, in cull order, with the mesh's texture coordinates;
// and on screen: the same pixels as one bind and one batch per triangle.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "offscreen_context.h"
#include "render/render_buffers.h"
#include "render/terrain_mesh.h"
#include "render/textures.h"

namespace {

struct TexturedVertex {
  float x, y, u, v;
};

std::vector<std::vector<TexturedVertex>> DrawToFeedback() {
  static std::vector<GLfloat> buffer(1 << 16);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
  glRenderMode(GL_FEEDBACK);
  DrawTerrainMesh();
  const int used = glRenderMode(GL_RENDER);
  std::vector<std::vector<TexturedVertex>> triangles;
  for (int k = 0; k < used;) {
    EXPECT_EQ(static_cast<int>(buffer[k++]), GL_POLYGON_TOKEN);
    std::vector<TexturedVertex> polygon(static_cast<int>(buffer[k++]));
    for (TexturedVertex& v : polygon) {
      v = {buffer[k], buffer[k + 1], buffer[k + 7], buffer[k + 8]};
      k += 11;  // x, y, z, r, g, b, a, s, t, r, q
    }
    triangles.push_back(polygon);
  }
  return triangles;
}

// The plain drawing the batched pass must match: a bind and a batch for
// every triangle.
void DrawOneTriangleAtATime() {
  glEnable(GL_TEXTURE_2D);
  for (int k = 0; k < VisibleTriangleCount; ++k) {
    const TerrainTriangle& triangle = TerrainTriangles[VisibleTriangles[k]];
    const int t = triangle.texture;
    glBindTexture(GL_TEXTURE_2D, t >= 0 && t < GlTextureCount ? GlTextureNames[t] : 0);
    glBegin(GL_TRIANGLES);
    for (int index : triangle.vertex) {
      const TerrainVertex& vertex = TerrainVertices[index];
      glTexCoord2f(vertex.u, vertex.v);
      glVertex3f(vertex.x, vertex.y, vertex.z);
    }
    glEnd();
  }
}

template <typename Draw>
std::vector<uint8_t> DrawnPixels(Draw draw) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  draw();
  std::vector<uint8_t> pixels(OffscreenWidth * OffscreenHeight * 4);
  glReadPixels(0, 0, OffscreenWidth, OffscreenHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

class TerrainDrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!MakeOffscreenContext()) GTEST_SKIP() << "no offscreen OpenGL context (EGL surfaceless)";
    AllocateRenderBuffers();
    glGenTextures(GlTextureCount, GlTextureNames);
    // An orthographic view one pixel per unit, so window x = 320 + x, y = 240 + y.
    glViewport(0, 0, OffscreenWidth, OffscreenHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-320, 320, -240, 240, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
  }
  void TearDown() override {
    glDeleteTextures(GlTextureCount, GlTextureNames);
    ReleaseRenderBuffers();
  }

  static void Triangle(int j, int texture, float x) {
    for (int k = 0; k < 3; ++k) {
      const int index = 3 * j + k;
      TerrainVertices[index] = {x + k, 10.0f * k, 0.0f, 0, 0, 0, 0.25f * k, 1.0f - 0.5f * k};
      TerrainTriangles[j].vertex[k] = index;
    }
    TerrainTriangles[j].texture = texture;
  }
};

TEST_F(TerrainDrawTest, DrawsTheVisibleTrianglesInCullOrderWithTheirTextures) {
  Triangle(0, 1, 0.0f);
  Triangle(1, 0, 100.0f);
  Triangle(2, 5, -100.0f);
  TerrainTriangleCount = 3;
  VisibleTriangles[0] = 2;
  VisibleTriangles[1] = 0;
  VisibleTriangleCount = 2;
  const auto triangles = DrawToFeedback();
  ASSERT_EQ(triangles.size(), 2u);
  const float firstX[2] = {-100.0f, 0.0f};
  for (int t = 0; t < 2; ++t) {
    ASSERT_EQ(triangles[t].size(), 3u);
    for (int k = 0; k < 3; ++k) {
      EXPECT_FLOAT_EQ(triangles[t][k].x, 320.0f + firstX[t] + k);
      EXPECT_FLOAT_EQ(triangles[t][k].y, 240.0f + 10.0f * k);
      EXPECT_FLOAT_EQ(triangles[t][k].u, 0.25f * k);
      EXPECT_FLOAT_EQ(triangles[t][k].v, 1.0f - 0.5f * k);
    }
  }
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  GLint bound = -1;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), GlTextureNames[1]);  // the last triangle's
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TerrainDrawTest, TextureIndexBeyondTheNamesDrawsUntextured) {
  Triangle(0, 200, 0.0f);
  TerrainTriangleCount = 1;
  VisibleTriangles[0] = 0;
  VisibleTriangleCount = 1;
  EXPECT_EQ(DrawToFeedback().size(), 1u);
  GLint bound = -1;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(bound, 0);
}

// Overlapping triangles in runs of one texture, a texture index with no name
// and a lone triangle between runs; translucent, so a changed order would
// change the blend.
TEST_F(TerrainDrawTest, BatchedRunsDrawThePixelsOfOneTrianglePerBatch) {
  for (int k = 0; k < 2; ++k) {
    const uint8_t texels[2 * 2 * 3] = {200, 40, 40, 40, 200, 40, 40, 40, 200, 220, 220, 60};
    uint8_t shifted[sizeof texels];
    for (size_t i = 0; i < sizeof texels; ++i) shifted[i] = static_cast<uint8_t>(texels[i] + 37 * k);
    glBindTexture(GL_TEXTURE_2D, GlTextureNames[k]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, shifted);
  }
  const int textures[] = {1, 1, 1, 0, 0, 1, 40, 40, 0, 1, 1, 0, 0, 0, 1, 1};
  const int count = sizeof textures / sizeof textures[0];
  for (int j = 0; j < count; ++j) {
    for (int k = 0; k < 3; ++k) {
      const int index = 3 * j + k;
      const float x = -150.0f + 17.0f * j + 90.0f * (k == 1);
      const float y = -100.0f + 9.0f * j + 120.0f * (k == 2);
      TerrainVertices[index] = {x, y, 0.0f, 0, 0, 0, 0.3f * k + 0.05f * j, 0.9f - 0.4f * k};
      TerrainTriangles[j].vertex[k] = index;
    }
    TerrainTriangles[j].texture = textures[j];
    VisibleTriangles[count - 1 - j] = j;  // cull order is not triangle order
  }
  TerrainTriangleCount = VisibleTriangleCount = count;
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(1.0f, 1.0f, 1.0f, 0.6f);
  const std::vector<uint8_t> reference = DrawnPixels(DrawOneTriangleAtATime);
  const std::vector<uint8_t> batched = DrawnPixels(DrawTerrainMesh);
  glDisable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  EXPECT_TRUE(reference == batched);
  size_t drawn = 0;
  for (size_t i = 0; i < batched.size(); i += 4) drawn += batched[i] || batched[i + 1] || batched[i + 2];
  EXPECT_GT(drawn, 20000u);
  GLint bound = -1;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), GlTextureNames[1]);  // the last drawn triangle's (j = 0)
}

}  // namespace
