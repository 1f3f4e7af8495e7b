// The terrain draw pass through GL's feedback mode: one textured triangle
// per visible entry, in cull order, with the mesh's texture coordinates.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "offscreen_context.h"
#include "platform/gl/terrain_draw.h"
#include "platform/gl/textures.h"
#include "render/render_buffers.h"
#include "render/terrain_mesh.h"

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

class TerrainDrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_OFFSCREEN_CONTEXT();
    AllocateRenderBuffers();
    glGenTextures(GlTextureCount, GlTextureNames);
    // An orthographic view one pixel per unit, so window x = 320 + x, y = 240 + y.
    glViewport(0, 0, FrameWidth, FrameHeight);
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
      TerrainVertices[index] = {x + k, 10.0f * k, 0.0f, 0.25f * k, 1.0f - 0.5f * k};
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

}  // namespace
