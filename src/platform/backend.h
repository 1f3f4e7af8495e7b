// What a backend supplies: the whole contract between the game and the
// system it runs on, in one place.
//
// A backend is one folder under platform/ (sdl/, win32/, web/, and null/,
// the template: copy it to start a new one) and one value of the build's
// VALDORIK_BACKEND. It defines every function declared below; the game's
// entry (game_entry.h), the command line and the screen arithmetic
// (screen.h) are shared by all of them, and so is the OpenGL renderer in
// gl/ for the backends that draw with OpenGL. A name left out is a link
// error in that backend's build.
//
// Everything a backend hands the game reaches it through one table of
// calls, the GameHost (host/host.h), made here from two tables of the
// backend's: its input, clock and window calls, and its render calls.
#pragma once

#include <string>

#include "host/host.h"

// Input, clock and window: the backend's own calls.
struct BackendCalls {
  bool (*poll_event)(HostEvent& event);        // takes one waiting event at once, in frame pixels; false when none waits
  int (*key_held_now)(int key);                // 1 while the virtual key is held at this instant
  void (*post_quit)();                         // a Quit event follows the events already waiting
  void (*move_game_window_to_pointer)();       // M: the window's top-left corner under the pointer
  void (*play_sound_async)(const char* path);  // starts a sound, cutting off one still playing
};

// The picture: the frame's drawing stretches and how a frame reaches the
// screen. A backend that draws with OpenGL takes GlRenderCalls() (gl/renderer.h).
struct RenderCalls {
  void (*present_scaled_frame)();             // shows the frame drawn (or the last one again) on the window
  void (*present_paused_frame)();             // shows the last frame drawn, dimmed, with PAUSED
  void (*load_pictures_and_floors)();         // hides the system pointer, reads the pictures, floor textures
  void (*set_fixed_gl_state)();               // the render state kept for the whole run
  void (*keep_frame_viewport)(int width, int height);  // the client area is now width x height
  void (*begin_scene)();                      // clears, camera
  void (*draw_terrain)();                     // mesh, visible units, terrain pass
  void (*draw_units)();                       // unit pictures and labels
  void (*draw_cursor_mark)(int dx, int dy);   // the red square on the pointed cell
  void (*draw_overlay)();                     // HUD, help page, messages, composite
};

// A host's render slots as a backend's render table: RenderCallsOf(
// HeadlessHost(0)) draws nothing, for a backend without a picture.
RenderCalls RenderCallsOf(const GameHost& host);

// The game's host: the backend's two tables and the calendar clock, which
// seeds new games. Defined once for every backend (backend.cpp).
GameHost HostOf(const BackendCalls& own, const RenderCalls& render);
// The running backend's host: HostOf(OwnCalls(), OwnRenderCalls()).
GameHost BackendHost();

// ---- Defined by every backend ----

BackendCalls OwnCalls();          // the backend's input, clock and window calls
RenderCalls OwnRenderCalls();     // the backend's render calls

// The game's only window and its drawing context, `width` x `height` frame
// pixels shown at the chosen scale (screen.h). A failure is told in a
// message box titled "ERROR" and answers false.
bool CreateGameWindow(const char* title, int width, int height);
void DestroyGameWindow();  // safe on a partly built state, and when nothing was made

// A modal message box with no owner window; the text also goes to stderr.
enum class BoxIcon { Exclamation, Stop, Information };
void ShowMessageBox(const char* text, const char* caption, BoxIcon icon);

std::string OwnFolder();  // the executable's folder, UTF-8; empty when unknown
void ShutDownBackend();   // after the window is gone: the backend's own libraries

// Alt+Enter (event_queue.h): the window between covering its screen and its
// own size; nothing where the backend has no such choice.
void SwitchFullscreen();

// The game's time and the wait between passes (game_entry.h's GameMain):
// a steady clock in milliseconds, and the window's events handled for up
// to `milliseconds` (into the event queue, event_queue.h), returning early
// once a Close or Quit waits there. A backend driven by its system's
// callbacks (the browser) steps the game itself and never waits here.
double NowMs();
void WaitForWindow(double milliseconds);

// ---- Defined by every backend that draws with the shared renderer (gl/);
// PresentFrame and GlFunction only where it shows the scaled frame
// (gl/scaled_frame.h), which the browser's canvas does not ----

// Shows the back buffer. It never paces the game: the game's clock does
// (loop/game_clock.h), so a display above 60 Hz does not speed it up.
void PresentFrame();
void HideSystemPointer();            // the game draws its own cursor mark
void* GlFunction(const char* name);  // a GL entry point beyond GL 1.1; null if none
