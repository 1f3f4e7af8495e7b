// The start sound through SDL audio. Without an audio device, or with a
// missing or unreadable sound file, the game runs silently.
#pragma once

void InstallSdlSound();  // Host.play_sound_async plays through SDL from now on
void StopSdlSound();     // closes the device and frees the sound
