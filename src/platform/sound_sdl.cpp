#include "platform/sound.h"

#include <SDL.h>

#include <string>

#include "platform/host_path.h"
#include "world/services.h"

namespace {

// The game has one sound; it is loaded on its first play and kept.
bool SoundTried = false;
SDL_AudioDeviceID SoundDevice = 0;
Uint8* SoundSamples = nullptr;
Uint32 SoundLength = 0;

void ReleaseSamples() {
  SDL_FreeWAV(SoundSamples);
  SoundSamples = nullptr;
  SoundLength = 0;
}

void OpenSound(const char* path) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
  SDL_AudioSpec format;
  if (!SDL_LoadWAV(HostPath(path).c_str(), &format, &SoundSamples, &SoundLength)) return;
  format.callback = nullptr;  // samples are queued, not pulled
  SoundDevice = SDL_OpenAudioDevice(nullptr, 0, &format, nullptr, 0);
  if (SoundDevice == 0) {
    ReleaseSamples();
    return;
  }
  SDL_PauseAudioDevice(SoundDevice, 0);
}

// Returns at once; a sound still playing is cut off by the new one.
void PlaySoundAsync(const char* path) {
  if (!SoundTried) {
    SoundTried = true;
    OpenSound(path);
  }
  if (SoundDevice == 0) return;
  SDL_ClearQueuedAudio(SoundDevice);
  SDL_QueueAudio(SoundDevice, SoundSamples, SoundLength);
}

}  // namespace

void InstallSdlSound() { Host.play_sound_async = PlaySoundAsync; }

void StopSdlSound() {
  if (SoundDevice != 0) SDL_CloseAudioDevice(SoundDevice);
  SoundDevice = 0;
  ReleaseSamples();
  if (SoundTried) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  SoundTried = false;
}
