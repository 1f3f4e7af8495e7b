#include "overlay/overlay_composite_gl.h"

#include <GL/gl.h>

#include "overlay/overlay_buffer.h"

void BeginOverlayPass() {
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
}

void CompositeOverlay() {
  glDrawPixels(OverlayWidth, OverlayHeight, GL_RGBA, GL_UNSIGNED_BYTE, OverlayBuffer);
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
}
