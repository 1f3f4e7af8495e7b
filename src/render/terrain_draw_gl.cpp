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

}  // namespace

// One bind and one glBegin/glEnd per triangle, in cull order.
void DrawTerrainMesh() {
  glEnable(GL_TEXTURE_2D);
  for (int k = 0; k < VisibleTriangleCount; ++k) {
    const TerrainTriangle& triangle = TerrainTriangles[VisibleTriangles[k]];
    glBindTexture(GL_TEXTURE_2D, TextureName(triangle.texture));
    glBegin(GL_TRIANGLES);
    for (int index : triangle.vertex) {
      const TerrainVertex& vertex = TerrainVertices[index];
      glTexCoord2f(vertex.u, vertex.v);
      glVertex3f(vertex.x, vertex.y, vertex.z);
    }
    glEnd();
  }
}
