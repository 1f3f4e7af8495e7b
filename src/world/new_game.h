#pragma once

// Sets up the starting position of a game: 85 entries in use, two leaders,
// 83 creatures, up to five mines; resets the frame count, outcome flags,
// camera and view origin; starts the start sound.
void NewGame();

constexpr const char* StartSoundPath = ".\\sound\\explosion3b.wav";
