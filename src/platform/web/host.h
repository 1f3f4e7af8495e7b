// The web backend's own calls beyond the contract (backend.h), for the page.
#pragma once

// A Quit after the events already waiting: the page ends the game running.
void QuitWebGameSoon();
// No event waiting and no key held: before the next game on the page.
void ForgetWebInput();
