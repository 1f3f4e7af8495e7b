// Limits: the frame is drawn into the window's own back buffer, so a client
// area smaller than 640 x 480 (a screen that small, or a window made smaller
// by hand) loses the part of the frame outside it. Only GL 1.1 calls, so
// that Windows' own opengl32.dll serves it as well as Mesa.
#include "platform/scaled_frame.h"

#include <GL/gl.h>

#include <cstring>

#include "overlay/fonts.h"
#include "overlay/overlay.h"
#include "overlay/overlay_buffer.h"
#include "platform/screen.h"
#include "platform/window.h"
#include "render/projection.h"

namespace {

// Power-of-two sides: GL 1.1 knows no others.
constexpr int TextureWidth = 1024, TextureHeight = 512;
constexpr float FrameRight = static_cast<float>(FrameWidth) / TextureWidth;
constexpr float FrameTop = static_cast<float>(FrameHeight) / TextureHeight;
constexpr float PausedDimming = 0.5f;  // the share of black laid over the paused frame
constexpr const char* PausedText = "PAUSED";

unsigned int LastFrame = 0;      // the last frame drawn
unsigned int PausedPicture = 0;  // the paused picture, for the stage

void CopyFrameInto(unsigned int& texture) {
  if (!texture) {
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, TextureWidth, TextureHeight, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
  }
  glBindTexture(GL_TEXTURE_2D, texture);
  glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, FrameWidth, FrameHeight);
}

// Everything the frame set stays as it was for the next frame.
void SaveFrameState() {
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
}

void RestoreFrameState() {
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
}

// Flat 2-D drawing in window pixels over a width x height viewport, origin bottom-left.
void FlatPixels(int width, int height) {
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, width, 0, height, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_BLEND);
  glDisable(GL_CULL_FACE);
  glDisable(GL_SCISSOR_TEST);
}

void Rectangle(float x0, float y0, float x1, float y1) {
  glBegin(GL_QUADS);
  glVertex2f(x0, y0);
  glVertex2f(x1, y0);
  glVertex2f(x1, y1);
  glVertex2f(x0, y1);
  glEnd();
}

// A kept frame as it is, over (x0, y0)-(x1, y1).
void DrawKeptFrame(unsigned int texture, float x0, float y0, float x1, float y1) {
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(x0, y0);
  glTexCoord2f(FrameRight, 0);
  glVertex2f(x1, y0);
  glTexCoord2f(FrameRight, FrameTop);
  glVertex2f(x1, y1);
  glTexCoord2f(0, FrameTop);
  glVertex2f(x0, y1);
  glEnd();
  glDisable(GL_TEXTURE_2D);
}

bool ClientIsFrame() {
  const Stage stage = CurrentStage();
  return stage.client_width == FrameWidth && stage.client_height == FrameHeight;
}

// The kept frame on the stage, the bars black. GL counts rows from the bottom.
void ShowOnStage(unsigned int texture) {
  const Stage stage = CurrentStage();
  FlatPixels(stage.client_width, stage.client_height);
  if (stage.width != stage.client_width || stage.height != stage.client_height) {
    glClearColor(0, 0, 0, 1);  // the bars
    glClear(GL_COLOR_BUFFER_BIT);
  }
  const int bottom = stage.client_height - stage.y - stage.height;
  DrawKeptFrame(texture, stage.x, bottom, stage.x + stage.width, bottom + stage.height);
}

// PAUSED across the frame's middle, through the overlay as the HUD's texts go.
void DrawPausedText() {
  ClearOverlay();
  FormatTextLine("%s", PausedText);
  const int width = static_cast<int>(std::strlen(PausedText)) * LargeAdvance;
  DrawLargeText((FrameWidth - width) / 2, (FrameHeight + LargeGlyphRowCount) / 2, 255, 255, 255);
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, 0.1f);
  glRasterPos2i(0, 0);
  glDrawPixels(OverlayWidth, OverlayHeight, GL_RGBA, GL_UNSIGNED_BYTE, OverlayBuffer);
}

}  // namespace

// The scissor keeps the frame's clears and drawing inside the frame, however
// large the window: clearing a larger window would cost without showing.
void KeepFrameViewport(int, int) {
  ResizeScene(FrameWidth, FrameHeight);
  glScissor(0, 0, FrameWidth, FrameHeight);
  glEnable(GL_SCISSOR_TEST);
}

void ShowFrameOnStage() {
  SaveFrameState();
  CopyFrameInto(LastFrame);
  if (!ClientIsFrame()) ShowOnStage(LastFrame);
  RestoreFrameState();
}

void PresentScaledFrame() {
  ShowFrameOnStage();
  PresentFrame();
}

void DrawPausedPicture() {
  SaveFrameState();
  FlatPixels(FrameWidth, FrameHeight);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  if (LastFrame) DrawKeptFrame(LastFrame, 0, 0, FrameWidth, FrameHeight);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(0, 0, 0, PausedDimming);
  Rectangle(0, 0, FrameWidth, FrameHeight);
  glDisable(GL_BLEND);
  DrawPausedText();
  RestoreFrameState();
}

void PresentPausedFrame() {
  DrawPausedPicture();
  if (!ClientIsFrame()) {
    SaveFrameState();
    CopyFrameInto(PausedPicture);
    ShowOnStage(PausedPicture);
    RestoreFrameState();
  }
  PresentFrame();
}
