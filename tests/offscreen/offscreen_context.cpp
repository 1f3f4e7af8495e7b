#include "offscreen_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdlib>
#include <string_view>

#include "host/host.h"
#include "loop/startup.h"
#include "platform/gl/projection.h"
#include "render/drawing.h"
#include "world/world.h"

// The software GL driver keeps a few blocks until the process ends; a
// sanitizer build is not to count them as our leaks.
extern "C" const char* __lsan_default_suppressions() { return "leak:swrast_dri.so\n"; }

namespace {

bool CreateContext() {
  auto getPlatformDisplay =
      reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!getPlatformDisplay) return false;
  EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) return false;
  const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                               EGL_RED_SIZE,     8,               EGL_DEPTH_SIZE,      16,
                               EGL_NONE};
  EGLConfig config;
  EGLint configs = 0;
  if (!eglChooseConfig(display, attributes, &config, 1, &configs) || configs < 1) return false;
  if (!eglBindAPI(EGL_OPENGL_API)) return false;
  const EGLint size[] = {EGL_WIDTH, FrameWidth, EGL_HEIGHT, FrameHeight, EGL_NONE};
  EGLSurface surface = eglCreatePbufferSurface(display, config, size);
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
  if (surface == EGL_NO_SURFACE || context == EGL_NO_CONTEXT) return false;
  return eglMakeCurrent(display, surface, surface, context);
}

}  // namespace

bool MakeOffscreenContext() {
  static const bool made = CreateContext();
  return made;
}

bool OffscreenSkipAsked() {
  const char* asked = std::getenv("VALDORIK_NO_OFFSCREEN_GL");
  return asked && std::string_view(asked) == "1";
}

void StartEmptyWorld() {
  ResetWorldGlobals();
  UseHeadlessHost(1);
  StartDrawing();
  StartGame();
  for (int id = 0; id < UnitCount; ++id) UnitTable[id] = UnitRecord{};
  ResizeScene(FrameWidth, FrameHeight);
}
