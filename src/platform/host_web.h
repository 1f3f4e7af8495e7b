// The game's host in a web browser.
#pragma once

#include "host/host.h"

GameHost WebHost();

// A Quit after the events already waiting: the page ends the game running.
void QuitWebGameSoon();
// No event waiting and no key held: before the next game on the page.
void ForgetWebInput();
