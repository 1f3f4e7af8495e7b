#include <GL/gl.h>

#include "render/render_buffers.h"
#include "render/terrain_mesh.h"
#include "render/textures.h"

namespace {

// A face texture byte can hold more than there are texture names; such a
// face is drawn untextured rather than reading past the table.
GLuint TextureName(int texture) {
  return texture >= 0 && texture < GlTextureCount ? GlTextureNames[texture] : 0;
}

void DrawTerrainTriangle(const TerrainTriangle& triangle) {
  for (int index : triangle.vertex) {
    const TerrainVertex& vertex = TerrainVertices[index];
    glTexCoord2f(vertex.u, vertex.v);
    glVertex3f(vertex.x, vertex.y, vertex.z);
  }
}

}  // namespace

// In cull order. A run of triangles with the same texture shares one bind
// and one glBegin/glEnd: GL draws the triangles of one GL_TRIANGLES batch in
// order, so the pixels are those of one bind and one batch per triangle, at
// a fraction of the calls.
void DrawTerrainMesh() {
  glEnable(GL_TEXTURE_2D);
  int k = 0;
  while (k < VisibleTriangleCount) {
    const GLuint name = TextureName(TerrainTriangles[VisibleTriangles[k]].texture);
    glBindTexture(GL_TEXTURE_2D, name);
    glBegin(GL_TRIANGLES);
    for (; k < VisibleTriangleCount; ++k) {
      const TerrainTriangle& triangle = TerrainTriangles[VisibleTriangles[k]];
      if (TextureName(triangle.texture) != name) break;
      DrawTerrainTriangle(triangle);
    }
    glEnd();
  }
}
