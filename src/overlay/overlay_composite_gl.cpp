#include "overlay/overlay_composite_gl.h"

#include <GL/gl.h>

#include "overlay/overlay_buffer.h"

namespace {

#ifdef __EMSCRIPTEN__
// WebGL has no glDrawPixels. The overlay goes up as a texture instead and is
// laid over the whole frame as one quad, texel for pixel, through the same
// alpha test and blending; the texture replaces the colour, so the current
// colour the frame leaves behind stays as it was.
GLuint OverlayTexture = 0;

void UploadOverlay() {
  if (OverlayTexture == 0) {
    glGenTextures(1, &OverlayTexture);
    glBindTexture(GL_TEXTURE_2D, OverlayTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, OverlayWidth, OverlayHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  }
  glBindTexture(GL_TEXTURE_2D, OverlayTexture);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, OverlayWidth, OverlayHeight, GL_RGBA, GL_UNSIGNED_BYTE, OverlayBuffer);
}

void DrawOverlay() {
  UploadOverlay();
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glDisable(GL_DEPTH_TEST);  // glDrawPixels' fragments lie at depth 0 and always pass
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  // Buffer row 0 is the frame's bottom row, as glDrawPixels takes it.
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex2f(-1.0f, -1.0f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex2f(1.0f, -1.0f);
  glTexCoord2f(1.0f, 1.0f);
  glVertex2f(1.0f, 1.0f);
  glTexCoord2f(0.0f, 1.0f);
  glVertex2f(-1.0f, 1.0f);
  glEnd();
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glEnable(GL_DEPTH_TEST);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}
#else
void DrawOverlay() { glDrawPixels(OverlayWidth, OverlayHeight, GL_RGBA, GL_UNSIGNED_BYTE, OverlayBuffer); }
#endif

}  // namespace

void BeginOverlayPass() {
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
}

void CompositeOverlay() {
  DrawOverlay();
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
}
