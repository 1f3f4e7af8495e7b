// What the driver's commands share: finding the game's window and playing
// keys, buttons and the pointer through XTest.
#pragma once

#include <X11/Xlib.h>

#include <string>

void Pause(int milliseconds);
// The mapped window with this title, waited for; 0 (after a message) if none comes.
Window WaitForWindow(Display* display, const std::string& title);
// A key by keysym name, or a pointer button "Button1" to "Button3"; 2 for an unknown name.
int Key(Display* display, const char* name, bool down);
// XTest motion: the pointer goes there as if the mouse moved.
int Move(Display* display, int x, int y);

// Prints the view centre every game starts with, "X Y".
int PrintNewGameView();
// Prints the frame pixel "X Y" in the middle of the pointer positions whose
// square lies (DX, DY) cells from the view centre; 1 when none does.
int PrintCellPixel(int dx, int dy);
// Prints the one-in-N odds of recruiting a unit of this type; 1 for no such type.
int PrintRecruitOdds(int type);

// The commands that look at the window's pixels (screen_checks.cpp); -1 for
// a command that is not one of them.
int RunScreenCommand(Display* display, int argc, char** argv);
