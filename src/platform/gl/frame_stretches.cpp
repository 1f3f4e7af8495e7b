// The frame's drawing: camera, terrain, units, cursor mark and overlay.
#include "platform/gl/frame_stretches.h"

#include <GL/gl.h>

#include "overlay/hud.h"
#include "overlay/overlay_buffer.h"
#include "platform/gl/overlay_composite.h"
#include "platform/gl/terrain_draw.h"
#include "platform/gl/textures.h"
#include "platform/gl/unit_drawing.h"
#include "render/render_buffers.h"
#include "render/terrain_mesh.h"
#include "render/units.h"
#include "world/world.h"

namespace {

void CameraTransform() {
  glTranslatef(0.0f, 0.0f, CameraZoom);
  glRotatef(CameraTilt, 1.0f, 0.0f, 0.0f);
  glRotatef(CameraTurn, 0.0f, 1.0f, 0.0f);
  glRotatef(CameraSpin, 0.0f, 0.0f, 0.5f);  // OpenGL normalises the axis to z
}

void TerrainPass() {
  glEnable(GL_BLEND);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);  // whatever colour the unit pass left
  DrawTerrainMesh();
  glDisable(GL_BLEND);
}

// The red-tinted floor square on the cell under the pointer, 0.1 above the
// floor. Its translation stays on the matrix: nothing 3-D is drawn after it.
void DrawCursorQuad(int dx, int dy) {
  glTranslatef(static_cast<float>(dx), static_cast<float>(dy), 0.0f);
  glColor3f(1.0f, 0.0f, 0.0f);
  glBindTexture(GL_TEXTURE_2D, GlTextureNames[0]);
  glBegin(GL_QUADS);
  glNormal3f(0.0f, 0.0f, 1.0f);
  glTexCoord2f(0.0f, 0.0f);
  glVertex3f(0.0f, 0.0f, 0.1f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex3f(1.0f, 0.0f, 0.1f);
  glTexCoord2f(1.0f, 1.0f);
  glVertex3f(1.0f, 1.0f, 0.1f);
  glTexCoord2f(0.0f, 1.0f);
  glVertex3f(0.0f, 1.0f, 0.1f);
  glEnd();
}

}  // namespace

void BeginScene() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  ClearOverlay();
  CameraTransform();
}

void DrawTerrain() {
  ResetRenderCounts();
  BuildTerrainMesh(0, map_sx, map_sy, ViewRadius);
  CullTerrainTriangles();
  CollectVisibleUnits();
  TerrainPass();
}

void DrawUnits() { DrawUnitPass(); }

void DrawCursorMark(int dx, int dy) { DrawCursorQuad(dx, dy); }

void DrawOverlay() {
  BeginOverlayPass();
  DrawHud();
  CompositeOverlay();
}
