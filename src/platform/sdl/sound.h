// The start sound through SDL audio. Without an audio device, or with a
// missing or unreadable sound file, the game runs silently.
#pragma once

void PlaySdlSound(const char* path);  // returns at once; a sound still playing is cut off
void StopSdlSound();                  // closes the device and frees the sound
