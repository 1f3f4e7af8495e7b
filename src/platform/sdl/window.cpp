// The game's window on SDL2 with an OpenGL 1.x compatibility context.
// The window opens at (0, 0) at the scale chosen (screen.h), cut down to
// what fits the usable area of the display there.
// Limits: "fullscreen" in the desktop's own mode (--fullscreen, Alt+Enter) is
// the borderless window made the size of the first display, not SDL's
// fullscreen state, which a display without a window manager ignores.
#include "platform/sdl/window.h"

#include <GL/gl.h>
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/host.h"
#include "platform/gl/projection.h"
#include "platform/gl/renderer.h"
#include "platform/gl/scaled_frame.h"
#include "platform/screen.h"

namespace {

SDL_Window* GameWindow = nullptr;
SDL_GLContext GameContext = nullptr;
bool VideoStarted = false;  // stands where the window class was registered
Uint32 SdlBoxFlags(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::Exclamation: return SDL_MESSAGEBOX_WARNING;
    case BoxIcon::Stop: return SDL_MESSAGEBOX_ERROR;
    case BoxIcon::Information: return SDL_MESSAGEBOX_INFORMATION;
  }
  return SDL_MESSAGEBOX_ERROR;
}

// With no display SDL quietly picks a driver that draws into memory; a game
// nobody can see is a failed start, unless the user chose that driver.
bool DriverShowsNothing() {
  if (std::getenv("SDL_VIDEODRIVER")) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

// The counterpart of registering the window class: bring up the video layer.
bool StartVideo() {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "valdorik: no display: %s\n", SDL_GetError());
    return false;
  }
  if (DriverShowsNothing()) {
    std::fprintf(stderr,
                 "valdorik: no display: the game needs a graphical display "
                 "(is DISPLAY set and the X server running?)\n");
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");  // a close request is handled by the game
  SDL_DisableScreenSaver();
  VideoStarted = true;
  return true;
}

// The pixel format request: RGBA, at least `bits` of colour, 16-bit depth,
// double-buffered, on a legacy (compatibility) context for immediate mode.
void RequestPixelFormat(int bits) {
  const int channel = bits / 3;
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channel);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_BUFFER_SIZE, bits);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

bool FailCreation(const char* text) {
  DestroyGameWindow();
  ShowMessageBox(text, "ERROR", BoxIcon::Exclamation);
  return false;
}

// The refresh rate of the display the window is on; 0 when unknown.

// Vsync where the display offers it, so frames do not tear. The game's
// clock paces the game whatever the swap does.
void AskForSync() { SDL_GL_SetSwapInterval(1); }

// SDL draws its X11 boxes with the X core fonts; without them (or any
// display) the box fails at once, and whoever waits for it should hear why.
bool BoxShown(int sdl_status) {
  if (sdl_status == 0) return true;
  std::fprintf(stderr, "SDL could not show a message box: %s\n", SDL_GetError());
  return false;
}

SDL_Rect ScreenBounds() {
  SDL_Rect screen = {0, 0, FrameWidth, FrameHeight};
  SDL_GetDisplayBounds(0, &screen);
  return screen;
}

// The display the window opens on: the one holding (0, 0), else the first.
int DisplayAtOrigin() {
  const SDL_Point origin = {0, 0};
  for (int display = 0; display < SDL_GetNumVideoDisplays(); ++display) {
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(display, &bounds) == 0 && SDL_PointInRect(&origin, &bounds)) return display;
  }
  return 0;
}

// The scale chosen, or the largest that fits, as long as the window fits
// the usable area (the screen less its panels) of the display it opens on.
void FitScaleToDisplay() {
  const int display = DisplayAtOrigin();
  SDL_Rect usable = {0, 0, 0, 0};
  if (SDL_GetDisplayUsableBounds(display, &usable) != 0 && SDL_GetDisplayBounds(display, &usable) != 0)
    usable = {0, 0, 0, 0};  // unknown: the choice stands
  WindowScale = ScaleOnDisplay(WindowScale, usable.w, usable.h);
}

// The client area as the window system has it now, and the frame's viewport in it.
void TakeClientArea() {
  int width = 0, height = 0;
  SDL_GL_GetDrawableSize(GameWindow, &width, &height);
  SetClientArea(width, height);
  KeepFrameViewport(width, height);
}

}  // namespace

void ShowMessageBox(const char* text, const char* caption, BoxIcon icon) {
  std::fprintf(stderr, "%s: %s\n", caption, text);
  BoxShown(SDL_ShowSimpleMessageBox(SdlBoxFlags(icon), caption, text, nullptr));
}

bool CreateGameWindow(const char* title, int width, int height) {
  if (!StartVideo()) {
    ShowMessageBox("Failed To Register The Window Class.", "ERROR", BoxIcon::Exclamation);
    return false;
  }
  // A borderless pop-up; shown only once the context is ready.
  const Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN;
  FitScaleToDisplay();
  // The frame is drawn at width x height and shown WindowScale times as large,
  // or as large as it fits on the whole screen.
  const SDL_Rect place = DesktopFullscreen ? ScreenBounds() : SDL_Rect{0, 0, width * WindowScale, height * WindowScale};
  // The visual is fixed when the window is made, so the format is asked first.
  RequestPixelFormat(ColorBits);
  GameWindow = SDL_CreateWindow(title, place.x, place.y, place.w, place.h, flags);
  if (!GameWindow) return FailCreation("Window Creation Error.");
  GameContext = SDL_GL_CreateContext(GameWindow);
  if (!GameContext) return FailCreation("Can't Create A GL Rendering Context.");
  if (SDL_GL_MakeCurrent(GameWindow, GameContext) != 0)
    return FailCreation("Can't Activate The GL Rendering Context.");
  AskForSync();
  SDL_ShowWindow(GameWindow);
  SDL_RaiseWindow(GameWindow);
  SetInitialProjection(width, height);
  TakeClientArea();
  return true;
}

void DestroyGameWindow() {
  if (GameContext) {
    ForgetScaledFrame();
    if (SDL_GL_MakeCurrent(GameWindow, nullptr) != 0)
      ShowMessageBox("Release Of DC And RC Failed.", "SHUTDOWN ERROR", BoxIcon::Information);
    SDL_GL_DeleteContext(GameContext);
    GameContext = nullptr;
  }
  if (GameWindow) {
    SDL_DestroyWindow(GameWindow);
    GameWindow = nullptr;
  }
  if (VideoStarted) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    VideoStarted = false;
  }
}

void PresentFrame() {
  if (!GameWindow) return;
  SDL_GL_SwapWindow(GameWindow);
}

void MoveGameWindowToPointer() {
  if (!GameWindow || DesktopFullscreen) return;  // a window covering the screen stays put
  int x = 0, y = 0;
  SDL_GetGlobalMouseState(&x, &y);
  SDL_SetWindowPosition(GameWindow, x, y);
  SDL_SetWindowSize(GameWindow, FrameWidth * WindowScale, FrameHeight * WindowScale);
}

void SwitchFullscreen() {
  if (!GameWindow) return;
  DesktopFullscreen = !DesktopFullscreen;
  static SDL_Rect windowed = {0, 0, FrameWidth, FrameHeight};  // where the window goes back to
  if (DesktopFullscreen) SDL_GetWindowPosition(GameWindow, &windowed.x, &windowed.y);
  const SDL_Rect place = DesktopFullscreen
                             ? ScreenBounds()
                             : SDL_Rect{windowed.x, windowed.y, FrameWidth * WindowScale, FrameHeight * WindowScale};
  SDL_SetWindowPosition(GameWindow, place.x, place.y);
  SDL_SetWindowSize(GameWindow, place.w, place.h);
  KeepScreenChoice();
}

void HideSystemPointer() { SDL_ShowCursor(SDL_DISABLE); }

void* GlFunction(const char* name) { return SDL_GL_GetProcAddress(name); }
