#pragma once

// Sets up the starting position of a game: 85 entries in use, two leaders,
// 83 creatures, up to five mines; resets the frame count, outcome flags,
// camera and view origin; starts the start sound.
void NewGame();

// The camera and view centre every game starts with.
constexpr float NewGameZoom = -30.0f;
constexpr float NewGameTilt = -45.0f;
constexpr float NewGameTurn = 0.0f;
constexpr float NewGameSpin = 0.0f;
constexpr int NewGameViewX = 32, NewGameViewY = 32;

constexpr const char* StartSoundPath = ".\\sound\\explosion3b.wav";
