// The burst of hostile input (input_burst.h). The window is what the game
// made; a window that goes away ends the burst with 1.
#include "input_burst.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>
#include <X11/extensions/XTest.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "window_driver.h"

namespace {

using Clock = std::chrono::steady_clock;
struct Held {
  bool key;  // else a button
  unsigned int code;
  Clock::time_point until;
};

// The burst's state, for the whole run of the driver.
Display* TheDisplay = nullptr;
Window GameWindow = 0;
std::mt19937 Draw;  // the same numbers on every platform
FILE* ActionLog = nullptr;
Clock::time_point Start, MinimisedUntil;
std::vector<Held> HeldDown;
long Actions = 0, TourActions = 0, Logged = 0;

constexpr const char* GameKeys[] = {
    "F1", "F2",    "F3",   "F4",      "F5",      "F6", "F7",   "F8",   "BackSpace", "0",    "space",
    "h",  "e",     "m",    "Prior",   "Next",    "Up", "Down", "Left", "Right",     "Shift_L", "Shift_R",
    "p",  "Pause"};
constexpr const char* LongHolds[] = {"F1", "m",  "space", "Shift_L", "Up",   "Down",
                                            "Left", "Right", "e", "Prior", "Next", "h", "p"};
constexpr const char* OtherKeys[] = {"a",      "q",      "z",       "1",    "9",        "Tab",
                                            "Return", "Control_L", "Alt_L", "Super_L", "F9", "F12",
                                            "Insert", "Delete", "Home",    "End",  "KP_5",     "KP_Enter",
                                            "Num_Lock", "Caps_Lock", "Menu"};

int Pick(int low, int high) { return low + static_cast<int>(Draw() % uint32_t(high - low + 1)); }
template <typename T, size_t N>
const T& PickFrom(const T (&list)[N]) { return list[Draw() % N]; }

void Log(const char* what, const std::string& detail) {
  ++Logged;
  if (!ActionLog) return;
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - Start).count();
  std::fprintf(ActionLog, "%6lld ms  %-8s %s\n", static_cast<long long>(ms), what, detail.c_str());
  std::fflush(ActionLog);
}

bool WindowAlive() {
  XWindowAttributes attributes;
  return XGetWindowAttributes(TheDisplay, GameWindow, &attributes) != 0;
}

bool MakesEscape(Display* display, KeyCode code) {
  for (int level = 0; level < 4; ++level)
    if (XkbKeycodeToKeysym(display, code, 0, level) == XK_Escape) return true;
  return false;
}

void Press(KeyCode code, int milliseconds) {
  for (const Held& h : HeldDown)
    if (h.key && h.code == code) return;  // already down; its release is due
  XTestFakeKeyEvent(TheDisplay, code, True, CurrentTime);
  HeldDown.push_back({true, code, Clock::now() + std::chrono::milliseconds(milliseconds)});
  const char* name = XKeysymToString(XkbKeycodeToKeysym(TheDisplay, code, 0, 0));
  Log("key", std::string(name ? name : "?") + " (" + std::to_string(code) + ") for " +
                 std::to_string(milliseconds) + " ms");
}

void PressKey(const char* name, int milliseconds) {
  if (KeyCode code = XKeysymToKeycode(TheDisplay, XStringToKeysym(name))) Press(code, milliseconds);
}

void PressButton(unsigned int button, int milliseconds) {
  for (const Held& h : HeldDown)
    if (!h.key && h.code == button) return;
  XTestFakeButtonEvent(TheDisplay, button, True, CurrentTime);
  HeldDown.push_back({false, button, Clock::now() + std::chrono::milliseconds(milliseconds)});
  Log("button", std::to_string(button) + " for " + std::to_string(milliseconds) + " ms");
}

void Release(const Held& h) {
  if (h.key) XTestFakeKeyEvent(TheDisplay, h.code, False, CurrentTime);
  else XTestFakeButtonEvent(TheDisplay, h.code, False, CurrentTime);
}

void ReleaseDue() {
  const auto now = Clock::now();
  for (size_t i = 0; i < HeldDown.size();) {
    if (HeldDown[i].until <= now) {
      Release(HeldDown[i]);
      HeldDown.erase(HeldDown.begin() + static_cast<long>(i));
    } else {
      ++i;
    }
  }
}

void MovePointer() {
  // Mostly where the window may be, sometimes far off it and the screen.
  const int x = Pick(0, 3) ? Pick(-20, 700) : Pick(-400, 1500);
  const int y = Pick(0, 3) ? Pick(-20, 540) : Pick(-400, 1200);
  XTestFakeMotionEvent(TheDisplay, DefaultScreen(TheDisplay), x, y, CurrentTime);
  Log("pointer", std::to_string(x) + " " + std::to_string(y));
}

void ReshapeWindow() {
  switch (Pick(0, 2)) {
    case 0: {
      const int w = Pick(0, 3) ? Pick(1, 1200) : Pick(1, 8), h = Pick(0, 3) ? Pick(1, 900) : Pick(1, 8);
      XResizeWindow(TheDisplay, GameWindow, unsigned(w), unsigned(h));
      Log("resize", std::to_string(w) + " x " + std::to_string(h));
      break;
    }
    case 1: {
      // Mostly somewhere on the screen, at times nearly or wholly off it.
      const bool far = Pick(0, 3) == 0;
      const int x = far ? Pick(-700, 1100) : Pick(-50, 400), y = far ? Pick(-500, 800) : Pick(-50, 300);
      XMoveWindow(TheDisplay, GameWindow, x, y);
      Log("move", std::to_string(x) + " " + std::to_string(y));
      break;
    }
    case 2:
      XResizeWindow(TheDisplay, GameWindow, 640, 480);
      Log("resize", "640 x 480");
      break;
  }
}

// With no window manager on the display the driver does its part:
// iconify is an unmap, restore a map and the keyboard focus.
void Minimise() {
  XIconifyWindow(TheDisplay, GameWindow, DefaultScreen(TheDisplay));
  XUnmapWindow(TheDisplay, GameWindow);
  Log("minimise", "");
  MinimisedUntil = Clock::now() + std::chrono::milliseconds(Pick(50, 800));
}

void Restore() {
  XMapRaised(TheDisplay, GameWindow);
  XSync(TheDisplay, False);
  XSetInputFocus(TheDisplay, GameWindow, RevertToPointerRoot, CurrentTime);
  Log("restore", "");
  MinimisedUntil = {};
}

void Act() {
  if (MinimisedUntil != Clock::time_point{} && Clock::now() >= MinimisedUntil) return Restore();
  const int roll = Pick(0, 99);
  if (roll < 30) {
    PressKey(PickFrom(GameKeys), Pick(5, 150));
  } else if (roll < 36) {
    PressKey(PickFrom(LongHolds), Pick(300, 1500));
  } else if (roll < 44) {
    PressKey(PickFrom(OtherKeys), Pick(5, 200));
  } else if (roll < 48) {
    const KeyCode code = static_cast<KeyCode>(Pick(8, 255));
    if (!MakesEscape(TheDisplay, code)) Press(code, Pick(5, 200));
  } else if (roll < 58) {
    static const unsigned int Buttons[] = {1, 1, 2, 3, 3, 4, 5};
    PressButton(PickFrom(Buttons), Pick(5, 600));
  } else if (roll < 88) {
    MovePointer();
  } else if (roll < 95) {
    ReshapeWindow();
  } else if (roll < 97) {
    if (MinimisedUntil == Clock::time_point{}) Minimise();
  } else {
    XSetInputFocus(TheDisplay, Pick(0, 1) ? PointerRoot : GameWindow, RevertToPointerRoot, CurrentTime);
    Log("focus", "");
  }
}

void WaitAndRelease(int milliseconds) {
  const auto until = Clock::now() + std::chrono::milliseconds(milliseconds);
  while (Clock::now() < until) {
    ReleaseDue();
    XSync(TheDisplay, False);
    Pause(10);
  }
}

// Before chance takes over, everything at least once, on a window that
// has the keyboard: each game key tapped and held (Shift with every
// arrow), each button, resizes, a move off the screen, minimise, restore.
void Tour() {
  XSetInputFocus(TheDisplay, GameWindow, RevertToPointerRoot, CurrentTime);
  XTestFakeMotionEvent(TheDisplay, DefaultScreen(TheDisplay), 320, 240, CurrentTime);
  for (const char* key : GameKeys) {
    PressKey(key, 30);
    WaitAndRelease(50);
  }
  for (const char* key : LongHolds) {
    PressKey(key, 400);
    MovePointer();
    WaitAndRelease(150);
    XTestFakeMotionEvent(TheDisplay, DefaultScreen(TheDisplay), 320, 240, CurrentTime);
    WaitAndRelease(300);
  }
  PressKey("Shift_L", 1300);
  for (const char* arrow : {"Up", "Down", "Left", "Right"}) {
    PressKey(arrow, 200);
    WaitAndRelease(300);
  }
  for (unsigned int button = 1; button <= 3; ++button) {
    PressButton(button, 200);
    WaitAndRelease(250);
  }
  for (int step = 0; step < 3; ++step) {
    ReshapeWindow();
    WaitAndRelease(150);
  }
  XResizeWindow(TheDisplay, GameWindow, 1, 1);
  Log("resize", "1 x 1");
  WaitAndRelease(200);
  XMoveResizeWindow(TheDisplay, GameWindow, -2000, -2000, 640, 480);
  Log("move", "-2000 -2000");
  WaitAndRelease(200);
  Minimise();
  WaitAndRelease(300);
  Restore();
  XMoveResizeWindow(TheDisplay, GameWindow, 0, 0, 640, 480);
  WaitAndRelease(200);
  Actions = TourActions = Logged;
}

// Nothing left held, the window back as the game made it, the pointer on
// it and the keyboard its own: ready for a last key. The releases come
// last, so that the game hears them.
void Settle() {
  if (MinimisedUntil != Clock::time_point{}) Restore();
  XMoveResizeWindow(TheDisplay, GameWindow, 0, 0, 640, 480);
  XSync(TheDisplay, False);
  Pause(100);
  XTestFakeMotionEvent(TheDisplay, DefaultScreen(TheDisplay), 320, 240, CurrentTime);
  XSetInputFocus(TheDisplay, GameWindow, RevertToPointerRoot, CurrentTime);
  XSync(TheDisplay, False);
  for (const Held& h : HeldDown) Release(h);
  HeldDown.clear();
  XSync(TheDisplay, False);
  Log("settle", "");
}

int PlayBurst(int seconds) {
  const auto end = Start + std::chrono::seconds(seconds);
  Tour();
  for (long action = Actions; Clock::now() < end; ++action) {
    ReleaseDue();
    Act();
    XSync(TheDisplay, False);
    if (!WindowAlive()) {
      std::fprintf(stderr, "window_driver: the window is gone after action %ld\n", action);
      return 1;
    }
    Pause(Pick(2, 25));
    Actions = action + 1;
  }
  Settle();
  std::printf("%ld actions in %d s (%ld in the opening tour)\n", Actions, seconds, TourActions);
  return WindowAlive() ? 0 : 1;
}

// A whole number 0 to `most` from the command line; -1 (after a message) otherwise.
long WholeNumber(const char* text, long most, const char* what) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (end != text && !*end && errno == 0 && value >= 0 && value <= most) return value;
  std::fprintf(stderr, "window_driver: the burst's %s \"%s\" is not a whole number 0 to %ld\n", what, text,
               most);
  return -1;
}

}  // namespace

int RunBurst(Display* display, const std::string& title, const char* seed, const char* seconds,
             const char* log_path) {
  const long number = WholeNumber(seed, UINT32_MAX, "seed"), length = WholeNumber(seconds, 3600, "length");
  if (number < 0 || length < 0) return 2;
  const Window window = WaitForWindow(display, title);
  if (!window) return 1;
  TheDisplay = display;
  GameWindow = window;
  Draw.seed(static_cast<uint32_t>(number));
  ActionLog = log_path ? std::fopen(log_path, "w") : nullptr;
  Start = Clock::now();
  const int status = PlayBurst(static_cast<int>(length));
  if (ActionLog) std::fclose(ActionLog);
  return status;
}
