// Limits: the frame has a framebuffer of its own (EXT_framebuffer_object,
// which Mesa and every Windows driver of the last fifteen years offer)
// whenever the client area is not exactly 640 x 480; at exactly 640 x 480 it
// is drawn straight into the window, as it always was. Without the extension
// (Windows' bare GDI renderer) the frame is drawn into the lower-left corner
// of the window's back buffer and copied from there; a client area smaller
// than 640 x 480 then loses the part of the frame outside it.
#include "platform/gl/scaled_frame.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>

#include "overlay/hud.h"
#include "overlay/overlay_buffer.h"
#include "platform/backend.h"
#include "platform/gl/frame_stretches.h"
#include "platform/gl/projection.h"
#include "platform/gl/renderer.h"
#include "platform/screen.h"

namespace {

// Power-of-two sides, which every GL takes.
constexpr int TextureWidth = 1024, TextureHeight = 512;
constexpr float FrameRight = static_cast<float>(FrameWidth) / TextureWidth;
constexpr float FrameTop = static_cast<float>(FrameHeight) / TextureHeight;

unsigned int LastFrame = 0;      // the last frame drawn
unsigned int PausedPicture = 0;  // the paused picture, when the frame has no framebuffer of its own

// The frame's own framebuffer: a colour texture and a depth buffer as deep as the window's.
struct FramebufferCalls {
  PFNGLGENFRAMEBUFFERSEXTPROC gen_framebuffers;
  PFNGLDELETEFRAMEBUFFERSEXTPROC delete_framebuffers;
  PFNGLBINDFRAMEBUFFEREXTPROC bind_framebuffer;
  PFNGLFRAMEBUFFERTEXTURE2DEXTPROC framebuffer_texture;
  PFNGLGENRENDERBUFFERSEXTPROC gen_renderbuffers;
  PFNGLDELETERENDERBUFFERSEXTPROC delete_renderbuffers;
  PFNGLBINDRENDERBUFFEREXTPROC bind_renderbuffer;
  PFNGLRENDERBUFFERSTORAGEEXTPROC renderbuffer_storage;
  PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC framebuffer_renderbuffer;
  PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC check_status;
};
FramebufferCalls Fbo;
bool FramebufferTried = false;
unsigned int Framebuffer = 0, FramebufferColour = 0, FramebufferDepth = 0;
bool Offscreen = false;  // the frame is drawn into Framebuffer

template <typename Call>
bool Load(Call& call, const char* name) {
  call = reinterpret_cast<Call>(GlFunction(name));
  return call != nullptr;
}

bool LoadFramebufferCalls() {
  const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  if (!extensions || !std::strstr(extensions, "GL_EXT_framebuffer_object")) return false;
  return Load(Fbo.gen_framebuffers, "glGenFramebuffersEXT") &&
         Load(Fbo.delete_framebuffers, "glDeleteFramebuffersEXT") &&
         Load(Fbo.bind_framebuffer, "glBindFramebufferEXT") &&
         Load(Fbo.framebuffer_texture, "glFramebufferTexture2DEXT") &&
         Load(Fbo.gen_renderbuffers, "glGenRenderbuffersEXT") &&
         Load(Fbo.delete_renderbuffers, "glDeleteRenderbuffersEXT") &&
         Load(Fbo.bind_renderbuffer, "glBindRenderbufferEXT") &&
         Load(Fbo.renderbuffer_storage, "glRenderbufferStorageEXT") &&
         Load(Fbo.framebuffer_renderbuffer, "glFramebufferRenderbufferEXT") &&
         Load(Fbo.check_status, "glCheckFramebufferStatusEXT");
}

void MakeFrameTexture(unsigned int& texture) {
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, TextureWidth, TextureHeight, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
}

// As deep as the window's: where two surfaces lie close, the same one wins.
GLenum DepthFormat(int bits) {
  if (bits > 24) return GL_DEPTH_COMPONENT32;
  return bits > 16 ? GL_DEPTH_COMPONENT24 : GL_DEPTH_COMPONENT16;
}

// Made once per context, on the first need; false when the driver cannot.
bool MakeFramebuffer() {
  if (FramebufferTried) return Framebuffer != 0;
  FramebufferTried = true;
  if (!LoadFramebufferCalls()) return false;
  GLint depth_bits = 16;
  glGetIntegerv(GL_DEPTH_BITS, &depth_bits);
  glPushAttrib(GL_TEXTURE_BIT);
  MakeFrameTexture(FramebufferColour);
  glPopAttrib();
  Fbo.gen_renderbuffers(1, &FramebufferDepth);
  Fbo.bind_renderbuffer(GL_RENDERBUFFER_EXT, FramebufferDepth);
  Fbo.renderbuffer_storage(GL_RENDERBUFFER_EXT, DepthFormat(depth_bits), TextureWidth, TextureHeight);
  Fbo.gen_framebuffers(1, &Framebuffer);
  Fbo.bind_framebuffer(GL_FRAMEBUFFER_EXT, Framebuffer);
  Fbo.framebuffer_texture(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, FramebufferColour, 0);
  Fbo.framebuffer_renderbuffer(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, FramebufferDepth);
  const bool complete = Fbo.check_status(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT;
  Fbo.bind_framebuffer(GL_FRAMEBUFFER_EXT, 0);
  if (!complete) {
    Fbo.delete_framebuffers(1, &Framebuffer);
    Fbo.delete_renderbuffers(1, &FramebufferDepth);
    glDeleteTextures(1, &FramebufferColour);
    Framebuffer = FramebufferDepth = FramebufferColour = 0;
  }
  return complete;
}

void DrawOffscreen(bool offscreen) {
  Offscreen = offscreen;
  if (Framebuffer) Fbo.bind_framebuffer(GL_FRAMEBUFFER_EXT, Offscreen ? Framebuffer : 0);
}

// The frame drawn so far (lower-left 640 x 480 of wherever it is drawn) into `texture`.
void CopyFrameInto(unsigned int& texture) {
  if (!texture) MakeFrameTexture(texture);
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

// A kept frame on the window's stage, the bars black. GL counts rows from the bottom.
void ShowOnStage(unsigned int texture) {
  const Stage stage = CurrentStage();
  if (Offscreen) Fbo.bind_framebuffer(GL_FRAMEBUFFER_EXT, 0);
  FlatPixels(stage.client_width, stage.client_height);
  if (stage.width != stage.client_width || stage.height != stage.client_height) {
    glClearColor(0, 0, 0, 1);  // the bars
    glClear(GL_COLOR_BUFFER_BIT);
  }
  const int bottom = stage.client_height - stage.y - stage.height;
  DrawKeptFrame(texture, stage.x, bottom, stage.x + stage.width, bottom + stage.height);
  if (Offscreen) Fbo.bind_framebuffer(GL_FRAMEBUFFER_EXT, Framebuffer);
}

// What was drawn into the frame, on the stage: the frame's own texture, or
// (drawn into the window's corner) a copy of it in `copy`.
void ShowDrawnFrame(unsigned int& copy) {
  if (Offscreen) {
    ShowOnStage(FramebufferColour);
  } else if (!ClientIsFrame()) {
    CopyFrameInto(copy);
    ShowOnStage(copy);
  }
}

// The paused words through the overlay, as the HUD's texts go.
void DrawPausedText() {
  DrawPausedWords();
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, 0.1f);
  glRasterPos2i(0, 0);
  glDrawPixels(FrameWidth, FrameHeight, GL_RGBA, GL_UNSIGNED_BYTE, OverlayBuffer.get());
}

}  // namespace

// The scissor keeps the frame's clears and drawing inside the frame, however
// large the window's back buffer.
void KeepFrameViewport(int client_width, int client_height) {
  ResizeScene(FrameWidth, FrameHeight);
  glScissor(0, 0, FrameWidth, FrameHeight);
  glEnable(GL_SCISSOR_TEST);
  const bool scaled = client_width != FrameWidth || client_height != FrameHeight;
  DrawOffscreen(scaled && MakeFramebuffer());
}

void ShowFrameOnStage() {
  SaveFrameState();
  CopyFrameInto(LastFrame);
  ShowDrawnFrame(LastFrame);
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
  SaveFrameState();
  ShowDrawnFrame(PausedPicture);
  RestoreFrameState();
  PresentFrame();
}

void ForgetScaledFrame() {
  if (Framebuffer) {
    Fbo.bind_framebuffer(GL_FRAMEBUFFER_EXT, 0);
    Fbo.delete_framebuffers(1, &Framebuffer);
    Fbo.delete_renderbuffers(1, &FramebufferDepth);
  }
  for (unsigned int* texture : {&LastFrame, &PausedPicture, &FramebufferColour})
    if (*texture) glDeleteTextures(1, texture);
  LastFrame = PausedPicture = Framebuffer = FramebufferColour = FramebufferDepth = 0;
  FramebufferTried = Offscreen = false;
}

RenderCalls GlRenderCalls() {
  return {.present_scaled_frame = PresentScaledFrame,
          .present_paused_frame = PresentPausedFrame,
          .load_pictures_and_floors = LoadPicturesAndFloors,
          .set_fixed_gl_state = SetFixedGlState,
          .keep_frame_viewport = KeepFrameViewport,
          .begin_scene = BeginScene,
          .draw_terrain = DrawTerrain,
          .draw_units = DrawUnits,
          .draw_cursor_mark = DrawCursorMark,
          .draw_overlay = DrawOverlay};
}
