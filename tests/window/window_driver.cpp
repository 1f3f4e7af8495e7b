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
//   window_driver new-game-view              prints the view centre a new game starts with
//   window_driver cell-pixel DX DY           prints the frame pixel "X Y" in the middle of
//                                            the squares DX, DY cells from the view centre
//                                            (exit 1 when none is in the frame)
//   window_driver recruit-odds TYPE          prints the one-in-N odds of winning a creature
//   window_driver replay-keys FILE           prints the key events a replay took, in order:
//                                            "down CODE" or "up CODE" (virtual-key codes)
//   window_driver burst TITLE SEED SECONDS [LOG]
//                                            random keys, buttons, pointer moves,
//                                            resizes, minimise and restore
//                                            (input_burst.h)
//
// The commands that read the window's pixels (expect, hold-until, read-line,
// screenshot, point-at) are described in screen_checks.cpp.
//
// Exit status 0 on success, 1 when the check or the wait failed, 2 on bad use.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "input_burst.h"
#include "replay/replay_file.h"
#include "world/world.h"
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

int Usage() {
  std::fprintf(stderr, "window_driver: see the comment at the top of window_driver.cpp\n");
  return 2;
}

}  // namespace

int PrintRecruitOdds(int type) {
  const UnitTypeInfo* info = FindUnitType(type);
  if (info == nullptr) return 1;
  std::printf("%d\n", info->recruit_odds);
  return 0;
}

namespace {

// What the game took from the keyboard, as its replay holds it.
int PrintReplayKeys(const char* path) {
  Replay replay;
  std::string error;
  if (!ReadReplayFile(path, replay, error)) {
    std::fprintf(stderr, "window_driver: %s\n", error.c_str());
    return 1;
  }
  for (const ReplayRecord& record : replay.records) {
    if (record.kind != RecordKind::Event) continue;
    if (record.event.kind == EventKind::KeyDown) std::printf("down %d\n", record.event.a);
    if (record.event.kind == EventKind::KeyUp) std::printf("up %d\n", record.event.a);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "write-wav" && argc == 3) return WriteWav(argv[2]);
  if (command == "new-game-view" && argc == 2) return PrintNewGameView();
  if (command == "cell-pixel" && argc == 4) return PrintCellPixel(std::atoi(argv[2]), std::atoi(argv[3]));
  if (command == "recruit-odds" && argc == 3) return PrintRecruitOdds(std::atoi(argv[2]));
  if (command == "replay-keys" && argc == 3) return PrintReplayKeys(argv[2]);
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
