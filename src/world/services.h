// What the game needs from its host beyond the window: the calendar clock,
// sleeping and the start sound. The platform fills these in; the headless
// simulator and the tests replace them (fixed clock, sleeps skipped, silence).
#pragma once

#include <cstdint>

struct HostServices {
  uint32_t (*clock_seconds)();                 // calendar time in seconds, truncated to 32 bits
  void (*sleep_ms)(int milliseconds);          // a plain blocking sleep
  void (*play_sound_async)(const char* path);  // starts a sound, cutting off one still playing
};

extern HostServices Host;

// Installs the headless host: the clock always answers `seed`, sleeps are
// skipped, no sound is played.
void UseHeadlessHost(uint32_t seed);

// Every sleep the game asks for goes through here.
inline void GameSleep(int milliseconds) { Host.sleep_ms(milliseconds); }
