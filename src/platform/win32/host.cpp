// The game's host on Win32: the window's messages in the game's terms, the
// keyboard at this instant (GetAsyncKeyState, and only while the game's
// window is in the foreground), the clock and the wait between passes, the
// window, the start sound and the GL drawing stretches.
//
// Limits: one window, one thread.
#include "platform/win32/host.h"

#include <windowsx.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "base/file_names.h"
#include "host/input.h"
#include "platform/event_queue.h"
#include "platform/gl/renderer.h"
#include "platform/screen.h"

namespace {

// The window whose messages this host translates: the instant key query
// answers for it alone.
HWND OwnWindow = nullptr;

constexpr WPARAM AnyButton = MK_LBUTTON | MK_MBUTTON | MK_RBUTTON;

// Buttons this window has said are down. Alt+Tab, the Windows key or another
// program taking the pointer away (WM_CANCELMODE, WM_CAPTURECHANGED) sends
// no button-up, so a held button would stay held in the game: a recruit
// click paying on every frame. They are let go when the capture goes, and
// when the last button held comes up.
bool ButtonSaidDown[3] = {};

void ReleaseButtonsSaidDown() {
  for (int button = ButtonLeft; button <= ButtonRight; ++button)
    if (ButtonSaidDown[button]) {
      ButtonSaidDown[button] = false;
      QueueButton(button, false);
    }
}

// Capture keeps the pointer's messages coming while a button is held outside
// the window, so that the release arrives.
void Button(HWND window, int button, EventKind kind, WPARAM held) {
  ButtonSaidDown[button] = kind == EventKind::ButtonDown;
  QueueButton(button, kind == EventKind::ButtonDown);
  if (kind == EventKind::ButtonDown) SetCapture(window);
  if (kind == EventKind::ButtonUp && (held & AnyButton) == 0) {
    ReleaseButtonsSaidDown();
    ReleaseCapture();
  }
}

// The game sees frame pixels. Under capture the coordinates go negative or
// past the client area; the game takes positions only from the frame, not
// from outside the window nor from the black bars around the frame.
void PointerMove(LPARAM lparam) {
  int x = 0, y = 0;
  if (FramePixelAt(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam), x, y)) QueueEvent({EventKind::PointerMove, x, y});
}

// Keys come by their virtual-key codes, the game's own. Alt+Enter comes as
// a system key (event_queue.h switches fullscreen for it); bit 30 marks a
// key held down and repeated.
void Key(WPARAM code, bool down, LPARAM lparam, bool alt = false) {
  if (code <= 255) QueueKey(static_cast<int>(code), down, alt, (lparam & (1 << 30)) != 0);
}

bool ScreenSaverOrPowerDown(WPARAM command) {
  const WPARAM which = command & 0xFFF0;  // the low four bits are the system's own
  return which == SC_SCREENSAVE || which == SC_MONITORPOWER;
}

// Every message waiting, through the window procedure into the event
// queue; the quit message goes there as Quit.
void DispatchWaitingMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      QueueEvent({EventKind::Quit});
      return;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

bool PollWin32Event(HostEvent& event) {
  DispatchWaitingMessages();
  return TakeQueuedEvent(event);
}

// GetAsyncKeyState reads the whole system's keyboard: Space or F1 typed in a
// browser in front of the game would reach it. Only the game's own window in
// the foreground hears keys.
int Win32KeyHeldNow(int key) {
  if (key < 0 || key > 255 || !OwnWindow || GetForegroundWindow() != OwnWindow) return 0;
  return (GetAsyncKeyState(key) & 0x8000) ? 1 : 0;
}

void PostQuit() { PostQuitMessage(0); }

double CounterMs() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

}  // namespace

double NowMs() { return CounterMs(); }

// Messages are handled as they come, until the time is up or a close waits.
void WaitForWindow(double milliseconds) {
  const double until = CounterMs() + milliseconds;
  for (double left = milliseconds; left > 0 && !EndWaiting(); left = until - CounterMs()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::ceil(left)), QS_ALLINPUT);
    DispatchWaitingMessages();
  }
}

LRESULT CALLBACK GameWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE: OwnWindow = window; break;
    case WM_NCDESTROY:
      if (OwnWindow == window) OwnWindow = nullptr;
      break;
    case WM_ACTIVATE: QueueEvent({EventKind::Activate, HIWORD(wparam) == 0 ? 1 : 0}); return 0;
    case WM_SYSCOMMAND:
      if (ScreenSaverOrPowerDown(wparam)) return 0;
      break;
    case WM_CLOSE: QueueEvent({EventKind::Close}); return 0;
    case WM_KEYDOWN: Key(wparam, true, lparam); return 0;
    case WM_KEYUP: Key(wparam, false, lparam); return 0;
    case WM_KILLFOCUS: LetGoOfKeys(); return 0;
    case WM_CANCELMODE: ReleaseButtonsSaidDown(); break;  // the default releases the capture
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lparam) != window) ReleaseButtonsSaidDown();
      return 0;
    case WM_DPICHANGED: FollowDisplayScaling(*reinterpret_cast<const RECT*>(lparam)); return 0;
    case WM_SYSKEYDOWN:
      if (wparam != VK_RETURN) break;
      Key(wparam, true, lparam, true);
      return 0;
    case WM_SYSCHAR:
      if (wparam == '\r') return 0;  // Alt+Enter's character: no beep for it
      break;
    case WM_SIZE:
      SetClientArea(LOWORD(lparam), HIWORD(lparam));  // before the pointer positions that follow
      QueueEvent({EventKind::Size, LOWORD(lparam), HIWORD(lparam)});
      return 0;
    case WM_MOUSEMOVE: PointerMove(lparam); return 0;
    case WM_LBUTTONDOWN: Button(window, ButtonLeft, EventKind::ButtonDown, wparam); return 0;
    case WM_LBUTTONUP: Button(window, ButtonLeft, EventKind::ButtonUp, wparam); return 0;
    case WM_MBUTTONDOWN: Button(window, ButtonMiddle, EventKind::ButtonDown, wparam); return 0;
    case WM_MBUTTONUP: Button(window, ButtonMiddle, EventKind::ButtonUp, wparam); return 0;
    case WM_RBUTTONDOWN: Button(window, ButtonRight, EventKind::ButtonDown, wparam); return 0;
    case WM_RBUTTONUP: Button(window, ButtonRight, EventKind::ButtonUp, wparam); return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

BackendCalls OwnCalls() {
  return {.poll_event = PollWin32Event,
          .key_held_now = Win32KeyHeldNow,
          .post_quit = PostQuit,
          .move_game_window_to_pointer = MoveGameWindowToPointer,
          .play_sound_async = PlayWin32Sound};
}

RenderCalls OwnRenderCalls() { return GlRenderCalls(); }

std::string OwnFolder() {
  std::wstring path(MAX_PATH, L'\0');
  DWORD length;
  while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) == path.size())
    path.resize(path.size() * 2);
  if (length == 0) return "";
  path.resize(length);
  return Utf8FromPath(std::filesystem::path(path).parent_path());
}

void ShutDownBackend() { StopWin32Sound(); }
