// Plays the game from outside, as a person at the X display would: finds
// its window, presses keys and moves the pointer through XTest, asks the
// window to close, and reports what the window looks like.
//
//   window_driver announce-wm-hints          makes the atom through which windows ask a
//                                            window manager for (no) decorations
//   window_driver find TITLE                 waits for the window; prints its geometry
//   window_driver close TITLE                sends the window manager's close request
//   window_driver hold KEYSYM MILLISECONDS   holds a key down, then lets it go
//   window_driver press KEYSYM | release KEYSYM
//   window_driver move X Y                   moves the pointer (XTest motion)
//   window_driver answer TITLE [KEYSYM]      points at a message box and presses Return
//                                            (or the key given)
//   window_driver pointer-hidden TITLE       exit 0 if the pointer over the window is invisible
//   window_driver write-wav PATH             a short loud tone, 16-bit mono
//   window_driver burst TITLE SEED SECONDS [LOG]
//                                            random keys, buttons, pointer moves,
//                                            resizes, minimise and restore, then
//                                            leaves the window shown, focused, at
//                                            640 x 480 with nothing held
//
// The commands that read the window's pixels (expect, hold-until, read-line,
// screenshot, point-at) are described in screen_checks.cpp.
//
// Exit status 0 on success, 1 when the check or the wait failed, 2 on bad use.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "window_driver.h"

namespace {

constexpr int WindowWaitSeconds = 30;  // generous: the machine may be busy

// The title as stored, whatever its encoding (message boxes use UTF-8).
std::string WindowName(Display* display, Window window) {
  XTextProperty name;
  if (!XGetWMName(display, window, &name) || !name.value) return {};
  std::string result(reinterpret_cast<const char*>(name.value), name.nitems);
  XFree(name.value);
  return result;
}

Window FindMappedWindow(Display* display, Window parent, const std::string& title) {
  Window root_return, parent_return, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, parent, &root_return, &parent_return, &children, &count)) return 0;
  Window found = 0;
  for (unsigned int i = 0; i < count && !found; ++i) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, children[i], &attributes) &&
        attributes.map_state == IsViewable && WindowName(display, children[i]) == title)
      found = children[i];
    else
      found = FindMappedWindow(display, children[i], title);
  }
  if (children) XFree(children);
  return found;
}

}  // namespace

void Pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

Window WaitForWindow(Display* display, const std::string& title) {
  for (int tries = 0; tries < WindowWaitSeconds * 20; ++tries) {
    if (Window window = FindMappedWindow(display, DefaultRootWindow(display), title)) return window;
    Pause(50);
  }
  std::fprintf(stderr, "window_driver: no window titled \"%s\" within %d s\n", title.c_str(),
               WindowWaitSeconds);
  return 0;
}

namespace {

// Decorations as the window asks for them through _MOTIF_WM_HINTS:
// -1 when it does not say (a window manager would decorate it).
long MotifDecorations(Display* display, Window window) {
  const Atom hints = XInternAtom(display, "_MOTIF_WM_HINTS", True);
  if (hints == None) return -1;
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  long decorations = -1;
  if (XGetWindowProperty(display, window, hints, 0, 5, False, AnyPropertyType, &type, &format,
                         &count, &after, &data) == Success &&
      data && format == 32 && count >= 3) {
    const long* fields = reinterpret_cast<const long*>(data);
    const long DecorationsFlag = 1L << 1;
    if (fields[0] & DecorationsFlag) decorations = fields[2];
  }
  if (data) XFree(data);
  return decorations;
}

int Find(Display* display, const std::string& title) {
  const Window window = WaitForWindow(display, title);
  if (!window) return 1;
  XWindowAttributes attributes;
  XGetWindowAttributes(display, window, &attributes);
  int x = 0, y = 0;
  Window child;
  XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
  std::printf("x=%d y=%d width=%d height=%d decorations=%ld\n", x, y, attributes.width,
              attributes.height, MotifDecorations(display, window));
  return 0;
}

// Windows only state their decorations once some window manager has made
// the atom, so a display without one does it before the game starts.
int AnnounceWmHints(Display* display) {
  XInternAtom(display, "_MOTIF_WM_HINTS", False);
  XSync(display, False);
  return 0;
}

int Close(Display* display, const std::string& title) {
  const Window window = WaitForWindow(display, title);
  if (!window) return 1;
  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
  return 0;
}

}  // namespace

// "Button1" to "Button3" are the pointer's buttons; anything else is a keysym name.
int Key(Display* display, const char* name, bool down) {
  if (std::strncmp(name, "Button", 6) == 0 && name[6] >= '1' && name[6] <= '3' && !name[7]) {
    XTestFakeButtonEvent(display, static_cast<unsigned>(name[6] - '0'), down, CurrentTime);
    XFlush(display);
    return 0;
  }
  const KeySym symbol = XStringToKeysym(name);
  const KeyCode code = symbol == NoSymbol ? 0 : XKeysymToKeycode(display, symbol);
  if (!code) {
    std::fprintf(stderr, "window_driver: unknown key %s\n", name);
    return 2;
  }
  XTestFakeKeyEvent(display, code, down, CurrentTime);
  XFlush(display);
  return 0;
}

namespace {

int Hold(Display* display, const char* name, int milliseconds) {
  if (int status = Key(display, name, true)) return status;
  Pause(milliseconds);
  return Key(display, name, false);
}

}  // namespace

int Move(Display* display, int x, int y) {
  XTestFakeMotionEvent(display, DefaultScreen(display), x, y, CurrentTime);
  XSync(display, False);
  return 0;
}

namespace {

bool StillShown(Display* display, Window window, const std::string& title) {
  return FindMappedWindow(display, DefaultRootWindow(display), title) == window;
}

// With no window manager nobody hands the box the keyboard (and a window
// that had it and closed may have left the focus nowhere), so the driver
// does, as a click on the box would. A box that has only just appeared may
// miss the key; it is pressed again until the box goes away.
int Answer(Display* display, const std::string& title, const char* key) {
  const Window window = WaitForWindow(display, title);
  if (!window) return 1;
  for (int attempt = 0; attempt < 10; ++attempt) {
    XWindowAttributes attributes;
    XGetWindowAttributes(display, window, &attributes);
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), attributes.width / 2,
                          attributes.height / 2, &x, &y, &child);
    Move(display, x, y);
    XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
    Pause(100);
    if (int status = Hold(display, key, 200)) return status;
    for (int wait = 0; wait < 10 && StillShown(display, window, title); ++wait) Pause(100);
    if (!StillShown(display, window, title)) return 0;
  }
  std::fprintf(stderr, "window_driver: the box \"%s\" does not go away\n", title.c_str());
  return 1;
}

int PointerHidden(Display* display, const std::string& title) {
  const Window window = WaitForWindow(display, title);
  if (!window) return 1;
  int event_base, error_base;
  if (!XFixesQueryExtension(display, &event_base, &error_base)) {
    std::fprintf(stderr, "window_driver: the display has no XFIXES\n");
    return 1;
  }
  Move(display, 320, 240);
  Pause(200);
  XFixesCursorImage* cursor = XFixesGetCursorImage(display);
  if (!cursor) return 1;
  int visible = 0;
  for (int i = 0; i < cursor->width * cursor->height; ++i)
    if ((cursor->pixels[i] >> 24) & 0xFF) ++visible;
  std::printf("cursor %dx%d, %d visible pixels\n", cursor->width, cursor->height, visible);
  XFree(cursor);
  return visible == 0 ? 0 : 1;
}

void PutLittleEndian(std::vector<uint8_t>& bytes, uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Half a second of a square wave at full swing, so that every played block
// is plainly not silence.
int WriteWav(const char* path) {
  constexpr uint32_t Rate = 22050, Samples = Rate / 2;
  std::vector<uint8_t> wav;
  auto text = [&wav](const char* four) { wav.insert(wav.end(), four, four + 4); };
  text("RIFF");
  PutLittleEndian(wav, 36 + Samples * 2, 4);
  text("WAVE");
  text("fmt ");
  PutLittleEndian(wav, 16, 4);
  PutLittleEndian(wav, 1, 2);  // PCM
  PutLittleEndian(wav, 1, 2);  // mono
  PutLittleEndian(wav, Rate, 4);
  PutLittleEndian(wav, Rate * 2, 4);
  PutLittleEndian(wav, 2, 2);
  PutLittleEndian(wav, 16, 2);
  text("data");
  PutLittleEndian(wav, Samples * 2, 4);
  for (uint32_t i = 0; i < Samples; ++i) PutLittleEndian(wav, (i / 50) % 2 ? 0x7000 : 0x9000, 2);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
  return out ? 0 : 1;
}

// A burst of hostile input, the same for the same seed: every key the game
// reads, other keys, the three buttons and the wheel, the pointer anywhere
// on the screen, long holds of F1, M, Space, Shift and the arrows, window
// resizes and moves, minimise and restore, the focus taken away. The window
// is what the game made; a window that goes away ends the burst with 1.

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
    "h",  "e",     "m",    "Prior",   "Next",    "Up", "Down", "Left", "Right",     "Shift_L", "Shift_R"};
constexpr const char* LongHolds[] = {"F1", "m",  "space", "Shift_L", "Up",   "Down",
                                            "Left", "Right", "e", "Prior", "Next", "h"};
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

int RunBurst(Display* display, const std::string& title, const char* seed, const char* seconds,
             const char* log_path) {
  const Window window = WaitForWindow(display, title);
  if (!window) return 1;
  TheDisplay = display;
  GameWindow = window;
  Draw.seed(static_cast<uint32_t>(std::strtoul(seed, nullptr, 10)));
  ActionLog = log_path ? std::fopen(log_path, "w") : nullptr;
  Start = Clock::now();
  const int status = PlayBurst(std::atoi(seconds));
  if (ActionLog) std::fclose(ActionLog);
  return status;
}

int Usage() {
  std::fprintf(stderr, "window_driver: see the comment at the top of window_driver.cpp\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "write-wav" && argc == 3) return WriteWav(argv[2]);
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "window_driver: cannot open the display\n");
    return 1;
  }
  // Windows come and go while they are looked at (a box closing): such a
  // failed request only means the window is gone.
  XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  int status = 2;
  if (command == "announce-wm-hints") status = AnnounceWmHints(display);
  else if (int screen = RunScreenCommand(display, argc, argv); screen >= 0) status = screen;
  else if (argc < 3) status = Usage();
  else if (command == "find") status = Find(display, argv[2]);
  else if (command == "close") status = Close(display, argv[2]);
  else if (command == "press") status = Key(display, argv[2], true);
  else if (command == "release") status = Key(display, argv[2], false);
  else if (command == "hold" && argc == 4) status = Hold(display, argv[2], std::atoi(argv[3]));
  else if (command == "move" && argc == 4) status = Move(display, std::atoi(argv[2]), std::atoi(argv[3]));
  else if (command == "answer") status = Answer(display, argv[2], argc > 3 ? argv[3] : "Return");
  else if (command == "pointer-hidden") status = PointerHidden(display, argv[2]);
  else if (command == "burst" && (argc == 5 || argc == 6))
    status = RunBurst(display, argv[2], argv[3], argv[4], argc == 6 ? argv[5] : nullptr);
  else status = Usage();
  XCloseDisplay(display);
  return status;
}
