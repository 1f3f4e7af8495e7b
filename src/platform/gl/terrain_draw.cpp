#include "platform/gl/terrain_draw.h"

#include <GL/gl.h>

#include "platform/gl/textures.h"
#include "render/render_buffers.h"
#include "render/terrain_mesh.h"

namespace {

// A face texture byte can hold more than there are texture names; such a
// face is drawn untextured rather than reading past the table.
GLuint TextureName(int texture) {
  return texture >= 0 && texture < GlTextureCount ? GlTextureNames[texture] : 0;
}

}  // namespace

// In cull order; one bind and one glBegin/glEnd for each run of triangles
// that share a texture. The runs draw exactly what one call per triangle
// draws, with far fewer calls (which a browser's GL emulation pays for).
void DrawTerrainMesh() {
  glEnable(GL_TEXTURE_2D);
  int k = 0;
  while (k < VisibleTriangleCount) {
    const GLuint texture = TextureName(TerrainTriangles[VisibleTriangles[k]].texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_TRIANGLES);
    for (; k < VisibleTriangleCount && TextureName(TerrainTriangles[VisibleTriangles[k]].texture) == texture; ++k) {
      for (int index : TerrainTriangles[VisibleTriangles[k]].vertex) {
        const TerrainVertex& vertex = TerrainVertices[index];
        glTexCoord2f(vertex.u, vertex.v);
        glVertex3f(vertex.x, vertex.y, vertex.z);
      }
    }
    glEnd();
  }
}
