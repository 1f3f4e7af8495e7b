// The game's only window and its OpenGL context: creation, projection,
// presentation and the ordered teardown. Every failure is told in a modal
// message box (and on stderr).
#pragma once

#include "render/projection.h"  // SetInitialProjection, ResizeScene

constexpr int ColorBits = 16;  // colour depth asked of the context

// A display-mode switch to the window's size; the entry point never asks for
// one (--fullscreen keeps the desktop's mode: DesktopFullscreen in screen.h).
extern bool Fullscreen;

// Creation failures show their "ERROR" box and return false.
bool CreateGameWindow(const char* title, int width, int height, int bits, bool fullscreen);
void DestroyGameWindow();  // safe on a partly built state

// Shows the back buffer. The game's clock is its frame count and the loop
// draws as fast as frames are presented, so presentation is held to at most
// PacedFramesPerSecond wherever the swap alone would go faster: no swap
// interval, a display above 60 Hz or one that does not tell its rate.
void PresentFrame();
void CheckPresentPacing();  // again, once the window is on another display

// The top-left corner under the pointer, the window WindowScale times the
// frame; nothing while the window covers the screen.
void MoveGameWindowToPointer();
// Alt+Enter: between the window and the whole screen (in the desktop's own
// mode); the new choice is kept for the next game.
void SwitchFullscreen();
void HideSystemPointer();
// An OpenGL entry point beyond GL 1.1, from the current context's driver; null if none.
void* GlFunction(const char* name);

// Message boxes with no owner window; the text also goes to stderr.
enum class BoxIcon { Exclamation, Stop, Information };
void ShowMessageBox(const char* text, const char* caption, BoxIcon icon);
bool AskYesNo(const char* text, const char* caption);  // true for Yes

// The display refused the fullscreen mode: the player is asked whether to go
// on in a window. True for Yes; No is told that the program closes.
bool GoOnWindowed();
