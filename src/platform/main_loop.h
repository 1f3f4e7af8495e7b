// The message loop: the game's only clock. Events feed KeyState and
// MouseState; each idle pass draws one frame, presents it and applies the
// camera and scrolling keys.
#pragma once

extern bool AppActive;   // false while the window is minimised: no frames then
extern int SpareToggle;  // flipped by E; nothing reads it

void InstallSdlInput();  // IsKeyDown/IsKeyUp answer for the keyboard at this instant
int MainLoop();          // until a quit request or Escape; returns the exit status
void MoveWindowKey();    // while M is held the window follows the pointer
void ApplyLoopKeys();    // zoom, E, tilt and turn, scroll
