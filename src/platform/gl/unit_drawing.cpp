#include "platform/gl/unit_drawing.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "render/render_buffers.h"
#include "render/units.h"

namespace {

// All squares of a picture in one glBegin/glEnd, corners computed here
// instead of one matrix push and translation per pixel.
void DrawSquares(const SpritePicture& picture, float size) {
  if (picture.rows == 0) return;
  const int n = picture.n;
  const float h = SquareHalfEdge(size, n);
  const uint8_t* p = picture.pixels;
  glBegin(GL_QUADS);
  glNormal3f(0.0f, 0.0f, 1.0f);
  for (int i = 0; i < picture.rows; ++i) {
    const float y = SquareOffset(i, n, size);
    for (int j = 0; j < n; ++j, p += 3) {
      if (IsBlackPixel(p)) continue;
      const float x = SquareOffset(j, n, size);
      glColor3ub(p[0], p[1], p[2]);
      glVertex3f(x - h, y - h, 0.0f);
      glVertex3f(x + h, y - h, 0.0f);
      glVertex3f(x + h, y + h, 0.0f);
      glVertex3f(x - h, y + h, 0.0f);
    }
  }
  glEnd();
  // The last pixel's colour stays current, black or not, as per-pixel drawing leaves it.
  p -= 3;
  glColor3ub(p[0], p[1], p[2]);
}

void DrawSquaresOneByOne(const SpritePicture& picture, float size) {
  const int n = picture.n;
  const float h = SquareHalfEdge(size, n);
  for (int i = 0; i < picture.rows; ++i) {
    for (int j = 0; j < n; ++j) {
      glPushMatrix();
      glTranslatef(SquareOffset(j, n, size), SquareOffset(i, n, size), 0.0f);
      const uint8_t* p = picture.pixels + (i * n + j) * 3;
      glColor3ub(p[0], p[1], p[2]);
      if (!IsBlackPixel(p)) {
        glBegin(GL_QUADS);
        glNormal3f(0.0f, 0.0f, 1.0f);
        glVertex3f(-h, -h, 0.0f);
        glVertex3f(h, -h, 0.0f);
        glVertex3f(h, h, 0.0f);
        glVertex3f(-h, h, 0.0f);
        glEnd();
      }
      glPopMatrix();
    }
  }
}

// Undo the camera's spin so the picture keeps its screen orientation, then
// stand it up: its rows rise along z, the first stored row lowest.
void StandFacingTheViewer() {
  glRotatef(CameraSpin, 0.0f, 0.0f, -1.0f);
  glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
}

template <bool Upright, void (*Draw)(const SpritePicture&, float)>
void DrawSprite(int slot, float size) {
  glDisable(GL_TEXTURE_2D);
  glPushMatrix();
  if (Upright) StandFacingTheViewer();
  Draw(SpritePictureOf(slot), size);
  glPopMatrix();
  glEnable(GL_TEXTURE_2D);
}

// GL keeps its matrices in single precision, so reading them as floats and
// widening gives what glGetDoublev gives; WebGL's GL emulation has only
// the float query.
void ReadMatrix(GLenum which, GLdouble matrix[16]) {
  GLfloat single[16];
  glGetFloatv(which, single);
  for (int i = 0; i < 16; ++i) matrix[i] = single[i];
}

}  // namespace

WindowPosition ProjectToWindow(float x, float y, float z) {
  GLint viewport[4];
  GLdouble modelView[16], projection[16];
  glGetIntegerv(GL_VIEWPORT, viewport);
  ReadMatrix(GL_MODELVIEW_MATRIX, modelView);
  ReadMatrix(GL_PROJECTION_MATRIX, projection);
  // A failed projection leaves the point at the window origin.
  GLdouble wx = 0.0, wy = 0.0, wz = 0.0;
  gluProject(x, y, z, modelView, projection, viewport, &wx, &wy, &wz);
  return {static_cast<float>(wx), static_cast<float>(wy), static_cast<float>(wz)};
}

void DrawUnitSprite(int slot, float size) { DrawSprite<true, DrawSquares>(slot, size); }
void DrawLyingSprite(int slot, float size) { DrawSprite<false, DrawSquares>(slot, size); }
void DrawUnitSpriteSquareBySquare(int slot, float size) { DrawSprite<true, DrawSquaresOneByOne>(slot, size); }
void DrawLyingSpriteSquareBySquare(int slot, float size) { DrawSprite<false, DrawSquaresOneByOne>(slot, size); }

namespace {

template <void (*Standing)(int, float), void (*Lying)(int, float)>
void UnitPass() {
  for (int k = 0; k < VisibleUnitCount; ++k) {
    const int id = VisibleUnits[k];
    const UnitRecord& unit = UnitTable[id];
    if (unit.in_use != 1) continue;
    glPushMatrix();
    const ScenePoint centre = UnitAnchorOffset(unit);
    glTranslatef(centre.x, centre.y, centre.z);
    const WindowPosition projected = ProjectToWindow(0.0f, 0.0f, 0.0f);
    UnitLabels labels;
    PlanUnitLabels(id, unit, LabelAnchor(projected.x, projected.y), labels);
    if (!unit.dead) {
      Standing(UnitPictureSlot(unit), UnitSize);
    } else {
      glTranslatef(0.0f, 0.0f, -CorpseDrop(UnitSize));
      Lying(UnitPictureSlot(unit), UnitSize);
    }
    DrawUnitLabels(labels);
    glPopMatrix();
  }
}

}  // namespace

void DrawUnitPass() { UnitPass<DrawUnitSprite, DrawLyingSprite>(); }
void DrawUnitPassSquareBySquare() { UnitPass<DrawUnitSpriteSquareBySquare, DrawLyingSpriteSquareBySquare>(); }
