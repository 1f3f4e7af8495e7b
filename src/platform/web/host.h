// The web backend's own calls beyond the contract (backend.h), for the page.
#pragma once

// The tab was hidden or shown: the game's steps move between animation
// frames and timers (web/main.cpp).
void StepsChangeTheirTimer();
// The relay link heard something: in a hidden tab the game steps at once,
// so that its inputs keep flowing to the friend (web/main.cpp).
void RelayMessageHeard();

// A Quit after the events already waiting: the page ends the game running.
void QuitWebGameSoon();
// No event waiting and no key held: before the next game on the page.
void ForgetWebInput();

// The page's own controls and the canvas's touch (web/touch.js) speak in the
// game's events, as the mouse and the keyboard do.
void PointFromPage(int x, int y);  // frame pixels; outside the frame is ignored
void KeyFromPage(int code, bool down);
void ButtonFromPage(int button, bool down);
