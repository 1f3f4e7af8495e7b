#include "platform/gl/projection.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace {

void LoadPerspective(double aspect) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(FieldOfView, aspect, NearPlane, FarPlane);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

}  // namespace

void SetInitialProjection(int, int) { LoadPerspective(StartAspect); }

void ResizeScene(int width, int height) {
  if (height == 0) height = 1;
  glViewport(0, 0, width, height);
  LoadPerspective(static_cast<float>(width) / static_cast<float>(height));
}
