// The web backend's way of laying the overlay over the frame.
#include <GL/gl.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "overlay/overlay_buffer.h"
#include "platform/gl/overlay_composite.h"

namespace {

// WebGL has no glDrawPixels. The overlay goes up as a texture instead and is
// laid over the whole frame as one quad, texel for pixel, through the same
// alpha test and blending; the texture replaces the colour, so the current
// colour the frame leaves behind stays as it was.
GLuint OverlayTexture = 0;
std::vector<uint8_t> Uploaded;  // the overlay as the texture holds it

// Only the band of rows that changed since the last frame goes up: most of
// the overlay stays the same from frame to frame, and uploads are dear.
void UploadOverlay() {
  constexpr size_t Row = FrameWidth * 4;
  const uint8_t* now = OverlayBuffer.get();
  if (OverlayTexture == 0) {
    glGenTextures(1, &OverlayTexture);
    glBindTexture(GL_TEXTURE_2D, OverlayTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, FrameWidth, FrameHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, now);
    Uploaded.assign(now, now + Row * FrameHeight);
    return;
  }
  glBindTexture(GL_TEXTURE_2D, OverlayTexture);
  int first = 0, last = FrameHeight - 1;
  while (first <= last && std::memcmp(&Uploaded[first * Row], now + first * Row, Row) == 0) ++first;
  while (last >= first && std::memcmp(&Uploaded[last * Row], now + last * Row, Row) == 0) --last;
  if (first > last) return;
  std::memcpy(&Uploaded[first * Row], now + first * Row, (last - first + 1) * Row);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, first, FrameWidth, last - first + 1, GL_RGBA, GL_UNSIGNED_BYTE,
                  now + first * Row);
}

}  // namespace

void LayOverlayOnFrame() {
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
