#include "platform/gl/overlay_composite.h"

#include <GL/gl.h>

void BeginOverlayPass() {
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
}

void CompositeOverlay() {
  LayOverlayOnFrame();
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
}
