// The Win32 window procedure's message table, through the host the loop
// polls: each message sent to a window of the game's procedure gives these
// HostEvents (or none) and this result, and capture follows the buttons.
// Then the game's clock in milliseconds, and the game's own window: no input
// method, the display kept awake, and its size for another scaling. Runs
// under Wine on two displays (tests/win32/wine_test.sh host_messages); prints
// one line per failure and "N passed, N failed".
#include <windows.h>

#include <imm.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/input.h"
#include "platform/backend.h"
#include "platform/screen.h"
#include "platform/win32/host.h"

namespace {

int Passed = 0, Failed = 0;
HWND Window = nullptr;
GameHost Host32;

void Check(bool ok, const std::string& what) {
  if (ok) {
    ++Passed;
    return;
  }
  ++Failed;
  std::printf("FAIL: %s\n", what.c_str());
}

std::string Describe(const std::vector<HostEvent>& events) {
  std::string text;
  for (const HostEvent& e : events)
    text += "(" + std::to_string(static_cast<int>(e.kind)) + " " + std::to_string(e.a) + " " + std::to_string(e.b) + ")";
  return text.empty() ? "none" : text;
}

std::vector<HostEvent> Drain() {
  std::vector<HostEvent> events;
  HostEvent event{};
  while (events.size() < 64 && Host32.poll_event(event)) events.push_back(event);
  return events;
}

LPARAM Point(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

struct MessageCase {
  const char* what;
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
  std::vector<HostEvent> events;
};

const MessageCase Cases[] = {
    {"sized as the frame", WM_SIZE, SIZE_RESTORED, Point(640, 480), {{EventKind::Size, 640, 480}}},
    {"Escape down", WM_KEYDOWN, VK_ESCAPE, 0, {{EventKind::KeyDown, KeyEscape}}},
    {"M up", WM_KEYUP, 'M', 0, {{EventKind::KeyUp, KeyM}}},
    {"Shift down keeps the shared code", WM_KEYDOWN, VK_SHIFT, 0, {{EventKind::KeyDown, KeyShift}}},
    {"a key code past the table", WM_KEYDOWN, 0x100, 0, {}},
    {"pointer at the far corner", WM_MOUSEMOVE, 0, Point(639, 479), {{EventKind::PointerMove, 639, 479}}},
    {"pointer left of the window", WM_MOUSEMOVE, MK_LBUTTON, Point(-5, 10), {}},
    {"pointer above the window", WM_MOUSEMOVE, MK_LBUTTON, Point(10, -1), {}},
    {"pointer right of the window", WM_MOUSEMOVE, MK_LBUTTON, Point(640, 10), {}},
    {"pointer below the window", WM_MOUSEMOVE, MK_LBUTTON, Point(10, 480), {}},
    {"left button down", WM_LBUTTONDOWN, MK_LBUTTON, 0, {{EventKind::ButtonDown, ButtonLeft}}},
    {"middle button down", WM_MBUTTONDOWN, MK_MBUTTON, 0, {{EventKind::ButtonDown, ButtonMiddle}}},
    // No button held any more: the two said down are let go with it.
    {"right button up, none held",
     WM_RBUTTONUP,
     0,
     0,
     {{EventKind::ButtonUp, ButtonRight}, {EventKind::ButtonUp, ButtonLeft}, {EventKind::ButtonUp, ButtonMiddle}}},
    // Alt+Tab or the Windows key with a button held: no button-up follows,
    // and a held recruit click would pay on every frame.
    {"left button down again", WM_LBUTTONDOWN, MK_LBUTTON, 0, {{EventKind::ButtonDown, ButtonLeft}}},
    {"mode cancelled", WM_CANCELMODE, 0, 0, {{EventKind::ButtonUp, ButtonLeft}}},
    {"right button down", WM_RBUTTONDOWN, MK_RBUTTON, 0, {{EventKind::ButtonDown, ButtonRight}}},
    {"capture taken by another window", WM_CAPTURECHANGED, 0, 0x1234, {{EventKind::ButtonUp, ButtonRight}}},
    {"capture taken again", WM_CAPTURECHANGED, 0, 0x1234, {}},
    {"activated", WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0, {{EventKind::Activate, 1}}},
    {"focus lost, not minimised", WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0, {{EventKind::Activate, 1}}},
    {"minimised", WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0, {{EventKind::Activate, 0}}},
    // The pointer in frame pixels, whatever the window's size; off the frame on the bars.
    {"resized", WM_SIZE, SIZE_RESTORED, Point(1280, 960), {{EventKind::Size, 1280, 960}}},
    {"pointer on a window twice the frame", WM_MOUSEMOVE, 0, Point(1279, 959), {{EventKind::PointerMove, 639, 479}}},
    {"pointer in a 2 x 2 block", WM_MOUSEMOVE, 0, Point(3, 5), {{EventKind::PointerMove, 1, 2}}},
    {"the whole screen", WM_SIZE, SIZE_RESTORED, Point(1920, 1080), {{EventKind::Size, 1920, 1080}}},
    {"pointer on the left bar", WM_MOUSEMOVE, 0, Point(239, 500), {}},
    {"pointer on the right bar", WM_MOUSEMOVE, 0, Point(1680, 500), {}},
    {"pointer on the frame's first pixel", WM_MOUSEMOVE, 0, Point(240, 0), {{EventKind::PointerMove, 0, 0}}},
    {"Alt+Enter is the window's own", WM_SYSKEYDOWN, VK_RETURN, 1 << 29, {}},
    {"sized as the frame again", WM_SIZE, SIZE_RESTORED, Point(640, 480), {{EventKind::Size, 640, 480}}},
    {"close asked", WM_CLOSE, 0, 0, {{EventKind::Close}}},
    {"A down", WM_KEYDOWN, 'A', 0, {{EventKind::KeyDown, 'A'}}},
    {"A up", WM_KEYUP, 'A', 0, {{EventKind::KeyUp, 'A'}}},
    // Escape and Shift were left down above: the focus going lets them go.
    {"focus lost", WM_KILLFOCUS, 0, 0, {{EventKind::KeyUp, KeyShift}, {EventKind::KeyUp, KeyEscape}}},
    {"focus lost again", WM_KILLFOCUS, 0, 0, {}},
};

void CheckMessageTable() {
  for (const MessageCase& c : Cases) {
    const LRESULT result = SendMessageA(Window, c.message, c.wparam, c.lparam);
    const std::vector<HostEvent> events = Drain();
    Check(result == 0, std::string(c.what) + ": result " + std::to_string(result));
    Check(events == c.events, std::string(c.what) + ": events " + Describe(events) + ", wanted " + Describe(c.events));
  }
  Check(IsWindow(Window), "the window outlives its close request");
}

// Held buttons keep the capture; the last one let go releases it.
void CheckCapture() {
  SendMessageA(Window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  Check(GetCapture() == Window, "a button down captures the pointer");
  SendMessageA(Window, WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, 0);
  SendMessageA(Window, WM_LBUTTONUP, MK_RBUTTON, 0);
  Check(GetCapture() == Window, "the capture stays while the right button is held");
  SendMessageA(Window, WM_RBUTTONUP, 0, 0);
  Check(GetCapture() == nullptr, "the last button up releases the capture");
  Drain();
}

// The real thing: another window takes the capture while a button is held.
void CheckCaptureLost() {
  HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP, 100, 0, 32, 32, nullptr, nullptr, nullptr, nullptr);
  SendMessageA(Window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  Drain();
  SetCapture(other);
  const std::vector<HostEvent> wanted = {{EventKind::ButtonUp, ButtonLeft}};
  const std::vector<HostEvent> events = Drain();
  Check(events == wanted, "capture taken by another window: " + Describe(events) + ", wanted " + Describe(wanted));
  ReleaseCapture();
  DestroyWindow(other);
  Drain();
}

// F1 as the pass's key sample has it.
int SampledF1() {
  KeyTable held{};
  Host32.sample_keys(held);
  return held[VK_F1];
}

// A key held while another window is in front (a browser over the game)
// does not reach the game through the instant key query; with the game's
// window in front again it does.
void CheckKeysOfOtherWindows() {
  HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 100, 0, 32, 32, nullptr, nullptr,
                               nullptr, nullptr);
  INPUT key = {};
  key.type = INPUT_KEYBOARD;
  key.ki.wVk = VK_F1;
  SendInput(1, &key, sizeof key);
  ShowWindow(Window, SW_SHOW);
  SetForegroundWindow(other);
  Check(GetForegroundWindow() == other, "another window can be put in front");
  Check(GetAsyncKeyState(VK_F1) & 0x8000, "F1 is held for the system");
  Check(SampledF1() == 0, "F1 held in another window reaches the game");
  SetForegroundWindow(Window);
  Check(GetForegroundWindow() == Window, "the game's window can be put in front");
  Check(SampledF1() == 1, "F1 held in the game's window does not reach it");
  key.ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(1, &key, sizeof key);
  DestroyWindow(other);
  Drain();
  Drain();  // a release that came with its press waits for a frame
}

// A key let go as soon as it went down: the frame after the press still
// sees it held, and its release comes after that frame.
void CheckShortPress() {
  PostMessageA(Window, WM_KEYDOWN, VK_F2, 0);
  PostMessageA(Window, WM_KEYUP, VK_F2, 0);
  const std::vector<HostEvent> pressed = {{EventKind::KeyDown, KeyF2}}, released = {{EventKind::KeyUp, KeyF2}};
  std::vector<HostEvent> events = Drain();
  Check(events == pressed, "a short press, first: " + Describe(events) + ", wanted " + Describe(pressed));
  KeyTable held{};
  Host32.sample_keys(held);
  Check(held[KeyF2] == 1, "the frame after a short press does not see it held");
  events = Drain();
  Check(events == released, "a short press, then: " + Describe(events) + ", wanted " + Describe(released));
}

// Posted messages come through PeekMessage and dispatch in order; the quit
// message ends the queue and carries no event of the window's.
void CheckQueueOrder() {
  PostMessageA(Window, WM_KEYDOWN, 'A', 0);
  PostMessageA(Window, WM_MOUSEMOVE, 0, Point(3, 4));
  PostQuitMessage(0);
  const std::vector<HostEvent> wanted = {{EventKind::KeyDown, 'A'}, {EventKind::PointerMove, 3, 4}, {EventKind::Quit}};
  const std::vector<HostEvent> events = Drain();
  Check(events == wanted, "posted keys, moves and quit: " + Describe(events) + ", wanted " + Describe(wanted));
}

// The system's own time, in milliseconds: a clock apart from the game's.
double SystemMs() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  return static_cast<double>((static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime) / 10000.0;
}

// The game's clock (NowMs, by which its passes fall due) keeps milliseconds:
// over a stretch it counts what the system's clock counts. Each read of the
// one clock lies between two reads of the other, so however busy the
// machine, the game's count lies between the system's inner and outer ones
// (give or take a 16 ms tick, should the system's clock step so coarsely).
void CheckClock() {
  const double outer_start = SystemMs(), start = NowMs(), inner_start = SystemMs();
  Sleep(100);
  const double inner_end = SystemMs(), end = NowMs(), outer_end = SystemMs();
  const double counted = end - start, slack = 16;
  Check(counted >= inner_end - inner_start - slack && counted <= outer_end - outer_start + slack,
        "the game's clock counted " + std::to_string(counted) + " ms where the system's counted " +
            std::to_string(inner_end - inner_start) + " to " + std::to_string(outer_end - outer_start));
}

void PlaceWindow(HWND window, int x, int y) {
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Moved onto a display of another scaling, Windows suggests a place and a
// size as large to the eye there; the window takes the place and the nearest
// whole multiple of the frame that fits the display (2048 x 1024: twice).
void CheckDisplayScaling(HWND game) {
  const struct {
    const char* what;
    WORD dpi;
    RECT suggested;
    RECT wanted;
  } moves[] = {
      {"onto a display at 200 %", 192, {1100, 0, 2380, 960}, {1100, 0, 2380, 960}},
      {"larger than the display", 384, {1024, 20, 3584, 1940}, {1024, 20, 2304, 980}},
      {"back at 125 %", 120, {1100, 0, 1900, 600}, {1100, 0, 1740, 480}},
  };
  for (const auto& move : moves) {
    SendMessageA(game, WM_DPICHANGED, MAKEWPARAM(move.dpi, move.dpi), reinterpret_cast<LPARAM>(&move.suggested));
    RECT now = {};
    GetWindowRect(game, &now);
    Check(EqualRect(&now, &move.wanted), std::string(move.what) + ": the window is " + std::to_string(now.left) +
                                             "," + std::to_string(now.top) + " " + std::to_string(now.right - now.left) +
                                             " x " + std::to_string(now.bottom - now.top));
    Check(WindowScale == (move.wanted.right - move.wanted.left) / FrameWidth,
          std::string(move.what) + ": scale " + std::to_string(WindowScale));
  }
}

// Wine, like Windows, answers SetThreadExecutionState with the state it had.
EXECUTION_STATE ExecutionState() {
  const EXECUTION_STATE state = SetThreadExecutionState(ES_CONTINUOUS);
  SetThreadExecutionState(state);
  return state;
}

void CheckGameWindow() {
  WindowScale = 1;
  if (!CreateGameWindow("game window test", FrameWidth, FrameHeight)) {
    Check(false, "the game's window could not be made");
    return;
  }
  HWND game = FindWindowA(nullptr, "game window test");
  Check(game != nullptr, "the game's window is found by its title");
  Check(ImmGetContext(game) == nullptr, "an input method stands between the keys and the game's window");
  const EXECUTION_STATE awake = ES_CONTINUOUS | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED;
  const EXECUTION_STATE state = ExecutionState();
  Check(state == awake, "the display is not kept awake: state " + std::to_string(state));
  PlaceWindow(game, 1100, 0);  // onto the second display
  CheckDisplayScaling(game);
  DestroyGameWindow();
  Check(ExecutionState() == ES_CONTINUOUS, "the display is still held awake after the window is gone");
  Drain();
}

bool CreateTestWindow() {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = GameWindowMessage;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = "HostTest";
  if (!RegisterClassA(&window_class)) return false;
  Window = CreateWindowExA(0, "HostTest", "host test", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                           window_class.hInstance, nullptr);
  return Window != nullptr;
}

}  // namespace

int main() {
  if (!CreateTestWindow()) {
    std::printf("host_win32_test: cannot create a window (error %lu)\n", GetLastError());
    return 1;
  }
  Host32 = BackendHost();
  Check(EmptySlots(Host32) == 0, "the Win32 host fills every slot: " + std::to_string(EmptySlots(Host32)) + " empty");
  Drain();  // whatever creating the window sent
  CheckMessageTable();
  CheckCapture();
  CheckCaptureLost();
  CheckKeysOfOtherWindows();
  CheckQueueOrder();
  CheckShortPress();
  CheckClock();
  DestroyWindow(Window);
  CheckGameWindow();
  std::printf("host_win32: %d passed, %d failed\n", Passed, Failed);
  return Failed == 0 ? 0 : 1;
}
