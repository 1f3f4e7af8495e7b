// The game always draws a 640 x 480 frame; the window shows it scaled.
// This is the window-system-free part of that: the window's size as a whole
// multiple of the frame, the rectangle of the client area the frame fills
// (the stage: the largest 4:3 rectangle, centred, black bars around it), the
// pointer mapped back onto frame pixels, and the player's last choice kept
// in a small settings file.
#pragma once

#include <optional>
#include <string>

#include "host/input.h"  // FrameWidth, FrameHeight

constexpr int MaxScale = 8;

// The window as it is now: set by the entry point before the window is
// made, changed by Alt+Enter and, on Windows, by a move onto a display of
// another scaling.
extern int WindowScale;        // 1..MaxScale: the window is WindowScale x the frame; 0 until chosen
extern bool DesktopFullscreen;  // the window covers the screen, in the desktop's own mode

// The largest whole multiple of the frame that fits width x height; at least 1.
int LargestScaleFitting(int width, int height);
// The scale a window opens at on a display whose usable area (its work area
// where the system tells one) is width x height: the one chosen, or with
// none chosen (0) the largest that fits, and never larger than fits, since a
// scale kept from a larger display, asked on the command line or worked out
// from a size the system got wrong would put part of the frame off the
// screen. A display of unknown size (0 x 0) leaves the choice as it is.
int ScaleOnDisplay(int chosen, int width, int height);
// The whole multiple of the frame nearest to a window `width` wide, from 1
// to `largest_fitting`: on a display of another scaling Windows suggests
// the width that would look as large there, and the frame's pixels stay
// squares of whole pixels.
int ScaleNearest(int width, int largest_fitting);

struct Stage {
  int x, y, width, height;  // in client pixels, origin top-left
  int client_width, client_height;
};
// The largest 4:3 rectangle inside a client area of width x height, centred.
Stage StageIn(int width, int height);

// The client area's size as the window system last told it. The window
// backends set it from their size messages, before the events that follow.
void SetClientArea(int width, int height);
Stage CurrentStage();

// The frame pixel a client pixel shows (nearest-neighbour, the same pixel
// the picture puts there). False on the black bars and outside the client area.
bool FramePixelAt(int client_x, int client_y, int& frame_x, int& frame_y);

// What the player chose; an unset field was not chosen.
struct ScreenChoice {
  std::optional<int> scale;
  std::optional<bool> fullscreen;
  bool operator==(const ScreenChoice&) const = default;
};

// The settings file's text: "scale=N" and "fullscreen=0|1" lines. False
// with the reason for anything else.
bool ParseScreenSettings(const std::string& text, ScreenChoice& choice, std::string& error);
std::string ScreenSettingsText(const ScreenChoice& choice);

// The choice kept in `path`; none when there is no file. A file that cannot
// be read or is damaged is named on stderr and counts as none.
ScreenChoice ReadScreenSettings(const std::string& path);
// Writes the window as it is now (scale and fullscreen) to `path`; a failure
// is told on stderr and changes nothing else.
void SaveScreenSettings(const std::string& path);
// The same into ScreenSettingsFile(), the player's own.
void KeepScreenChoice();

// The window the game opens with (WindowScale, DesktopFullscreen): the
// command line's choice over the file's. A scale given on the command line
// alone asks for a window. With no scale chosen WindowScale stays 0; the
// window backend settles it with ScaleOnDisplay for the display the window
// opens on.
void ChooseScreen(const ScreenChoice& command_line, const ScreenChoice& file);
