// The game's only window and its OpenGL context on Win32 and WGL: the class
// "OpenGL", a borderless pop-up, the pixel format, the context, paced
// presentation and the ordered teardown. Every failure is told in a modal message box (and on
// stderr).
//
// While the window exists the display is kept awake and no input method
// stands between the keys and the game (an IME would swallow M and E).
// It opens at (0, 0) at the scale chosen (screen.h), cut down to what fits
// the work area of the monitor there. Moved onto a display of another
// scaling, the window takes the whole multiple of the frame nearest to the
// size Windows suggests there.
//
// Limits: one window on one thread; no display-mode switch: --fullscreen
// and Alt+Enter make the pop-up the size of the primary monitor, in the
// desktop's own mode. Vsync comes from WGL_EXT_swap_control
// where the driver has it.
#include <windows.h>

#include <GL/gl.h>
#include <imm.h>

#include <cstdio>

#include "host/host.h"
#include "platform/gl/projection.h"
#include "platform/gl/renderer.h"
#include "platform/gl/scaled_frame.h"
#include "platform/screen.h"
#include "platform/win32/host.h"

namespace {

constexpr const char* ClassName = "OpenGL";

HINSTANCE Instance = nullptr;
HWND GameWindow = nullptr;
HDC DeviceContext = nullptr;
HGLRC RenderContext = nullptr;

// The icon in the exe's resources (packaging/windows/valdorik.rc).
constexpr int GameIconId = 1;

UINT BoxStyle(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::Exclamation: return MB_ICONEXCLAMATION;
    case BoxIcon::Stop: return MB_ICONSTOP;
    case BoxIcon::Information: return MB_ICONINFORMATION;
  }
  return MB_ICONEXCLAMATION;
}

bool RegisterGameClass() {
  WNDCLASSA game_class = {};
  game_class.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
  game_class.lpfnWndProc = GameWindowMessage;
  game_class.hInstance = Instance;
  game_class.hIcon = LoadIconA(Instance, MAKEINTRESOURCEA(GameIconId));
  game_class.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32515));  // IDC_CROSS
  game_class.lpszClassName = ClassName;
  return RegisterClassA(&game_class) != 0;
}

// RGBA, double-buffered, `bits` of colour and a 16-bit depth buffer; every
// other field 0.
PIXELFORMATDESCRIPTOR PixelFormatRequest(int bits) {
  PIXELFORMATDESCRIPTOR request = {};
  static_assert(sizeof request == 40);
  request.nSize = sizeof request;
  request.nVersion = 1;
  request.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  request.iPixelType = PFD_TYPE_RGBA;
  request.cColorBits = static_cast<BYTE>(bits);
  request.cDepthBits = 16;
  request.iLayerType = PFD_MAIN_PLANE;
  return request;
}

bool FailCreation(const char* text) {
  DestroyGameWindow();
  ShowMessageBox(text, "ERROR", BoxIcon::Exclamation);
  return false;
}

// No screen saver or display power-down while the game runs (a long game or
// a replay is watched without touching the keys); the system's own rule again
// once the window is gone.
void KeepDisplayAwake(bool awake) {
  SetThreadExecutionState(awake ? ES_CONTINUOUS | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
}

// Vsync where the driver offers it, so frames do not tear. The game's
// clock paces the game whatever the swap does.
void AskForSync() {
  using SetInterval = BOOL(WINAPI*)(int);
  const auto set = reinterpret_cast<SetInterval>(reinterpret_cast<void*>(wglGetProcAddress("wglSwapIntervalEXT")));
  if (set) set(1);
}

// Step 2 of the teardown: no context current, then none at all.
void ReleaseRenderContext() {
  if (!RenderContext) return;
  ForgetScaledFrame();
  if (!wglMakeCurrent(nullptr, nullptr))
    ShowMessageBox("Release Of DC And RC Failed.", "SHUTDOWN ERROR", BoxIcon::Information);
  if (!wglDeleteContext(RenderContext))
    ShowMessageBox("Release Rendering Context Failed.", "SHUTDOWN ERROR", BoxIcon::Information);
  RenderContext = nullptr;
}

// The primary monitor, the one at (0, 0) where the window opens: its whole
// rectangle and its work area (less the taskbar), both cut to the size of
// its display mode now; the screen's size for both where Windows cannot tell
// them apart. The mode is asked because a Wine server that outlives a change
// of resolution goes on telling the old monitor and work area.
MONITORINFO PrimaryMonitor() {
  MONITORINFOEXW monitor = {};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
    monitor.rcMonitor = monitor.rcWork = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return monitor;
  }
  DEVMODEW mode = {};
  mode.dmSize = sizeof mode;
  if (EnumDisplaySettingsW(monitor.szDevice, ENUM_CURRENT_SETTINGS, &mode) && mode.dmPelsWidth > 0 &&
      mode.dmPelsHeight > 0) {
    const RECT& whole = monitor.rcMonitor;
    const RECT now = {whole.left, whole.top, whole.left + static_cast<LONG>(mode.dmPelsWidth),
                      whole.top + static_cast<LONG>(mode.dmPelsHeight)};
    IntersectRect(&monitor.rcMonitor, &monitor.rcMonitor, &now);
    IntersectRect(&monitor.rcWork, &monitor.rcWork, &now);
  }
  return monitor;
}

// The scale chosen, or the largest that fits, as long as the window fits
// both the monitor it opens on and that monitor's work area, so that a
// work area told larger than its monitor cannot stretch the window past it.
void FitScaleToMonitor() {
  const MONITORINFO monitor = PrimaryMonitor();
  RECT room = {};
  IntersectRect(&room, &monitor.rcMonitor, &monitor.rcWork);
  WindowScale = ScaleOnDisplay(WindowScale, room.right - room.left, room.bottom - room.top);
}

// The window WindowScale times the frame at (x, y), or over the whole monitor.
RECT WindowPlace(int x, int y) {
  if (DesktopFullscreen) return PrimaryMonitor().rcMonitor;
  return {x, y, x + FrameWidth * WindowScale, y + FrameHeight * WindowScale};
}

// The client area as Windows has it now, and the frame's viewport in it.
void TakeClientArea() {
  RECT client = {};
  GetClientRect(GameWindow, &client);
  SetClientArea(client.right, client.bottom);
  KeepFrameViewport(client.right, client.bottom);
}

}  // namespace

void ShowMessageBox(const char* text, const char* caption, BoxIcon icon) {
  std::fprintf(stderr, "%s: %s\n", caption, text);
  MessageBoxA(nullptr, text, caption, MB_OK | BoxStyle(icon));
}

bool CreateGameWindow(const char* title, int width, int height) {
  FitScaleToMonitor();
  // The frame is drawn at width x height and shown WindowScale times as
  // large, or as large as it fits on the whole monitor.
  RECT client = WindowPlace(0, 0);
  Instance = GetModuleHandleA(nullptr);
  if (!RegisterGameClass()) {
    ShowMessageBox("Failed To Register The Window Class.", "ERROR", BoxIcon::Exclamation);
    return false;
  }
  // A borderless pop-up.
  const DWORD style = WS_POPUP;
  const DWORD extended = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
  AdjustWindowRectEx(&client, style, FALSE, extended);
  GameWindow = CreateWindowExA(extended, ClassName, title, style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, client.left, client.top,
                               client.right - client.left, client.bottom - client.top, nullptr, nullptr,
                               Instance, nullptr);
  if (!GameWindow) return FailCreation("Window Creation Error.");
  const PIXELFORMATDESCRIPTOR request = PixelFormatRequest(ColorBits);
  DeviceContext = GetDC(GameWindow);
  if (!DeviceContext) return FailCreation("Can't Create A GL Device Context.");
  const int format = ChoosePixelFormat(DeviceContext, &request);
  if (format == 0) return FailCreation("Can't Find A Suitable PixelFormat.");
  if (!SetPixelFormat(DeviceContext, format, &request)) return FailCreation("Can't Set The PixelFormat.");
  RenderContext = wglCreateContext(DeviceContext);
  if (!RenderContext) return FailCreation("Can't Create A GL Rendering Context.");
  if (!wglMakeCurrent(DeviceContext, RenderContext)) return FailCreation("Can't Activate The GL Rendering Context.");
  AskForSync();
  ImmAssociateContextEx(GameWindow, nullptr, 0);  // no input method for this window
  KeepDisplayAwake(true);
  ShowWindow(GameWindow, SW_SHOW);
  SetForegroundWindow(GameWindow);
  SetFocus(GameWindow);
  SetInitialProjection(width, height);
  TakeClientArea();
  return true;
}

// Safe on a partly built state: each step skips what does not exist.
void DestroyGameWindow() {
  ReleaseRenderContext();
  if (DeviceContext && !ReleaseDC(GameWindow, DeviceContext))
    ShowMessageBox("Release Device Context Failed.", "SHUTDOWN ERROR", BoxIcon::Information);
  DeviceContext = nullptr;
  if (GameWindow) KeepDisplayAwake(false);
  if (GameWindow && !DestroyWindow(GameWindow))
    ShowMessageBox("Could Not Release hWnd.", "SHUTDOWN ERROR", BoxIcon::Information);
  GameWindow = nullptr;
  if (Instance && !UnregisterClassA(ClassName, Instance))
    ShowMessageBox("Could Not Unregister Class.", "SHUTDOWN ERROR", BoxIcon::Information);
  Instance = nullptr;
}

void FollowDisplayScaling(const RECT& suggested) {
  if (!GameWindow || DesktopFullscreen) return;  // it covers the primary monitor whatever its scaling
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoA(MonitorFromRect(&suggested, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const RECT& work = monitor.rcWork;
  WindowScale = ScaleNearest(suggested.right - suggested.left,
                             LargestScaleFitting(work.right - work.left, work.bottom - work.top));
  MoveWindow(GameWindow, suggested.left, suggested.top, FrameWidth * WindowScale, FrameHeight * WindowScale, TRUE);
}

void PresentFrame() {
  if (!DeviceContext) return;
  SwapBuffers(DeviceContext);
}

void MoveGameWindowToPointer() {
  if (!GameWindow || DesktopFullscreen) return;  // a window covering the screen stays put
  POINT pointer = {};
  GetCursorPos(&pointer);
  MoveWindow(GameWindow, pointer.x, pointer.y, FrameWidth * WindowScale, FrameHeight * WindowScale, TRUE);
}

void SwitchFullscreen() {
  if (!GameWindow) return;
  static POINT windowed = {0, 0};  // where the window goes back to
  RECT now = {};
  GetWindowRect(GameWindow, &now);
  if (!DesktopFullscreen) windowed = {now.left, now.top};
  DesktopFullscreen = !DesktopFullscreen;
  const RECT place = WindowPlace(windowed.x, windowed.y);
  MoveWindow(GameWindow, place.left, place.top, place.right - place.left, place.bottom - place.top, TRUE);
  KeepScreenChoice();
}

void HideSystemPointer() { ShowCursor(FALSE); }

void* GlFunction(const char* name) { return reinterpret_cast<void*>(wglGetProcAddress(name)); }
