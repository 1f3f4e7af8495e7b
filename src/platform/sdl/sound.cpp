#include "platform/sdl/sound.h"

#include <SDL.h>

#include <cstdio>
#include <string>

#include "base/host_path.h"

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

// The game plays on in silence whatever goes wrong; only a sound file that
// is there but unusable, or an audio output that will not open, is told.
void OpenSound(const char* path) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    std::fprintf(stderr, "sound: no audio output: %s\n", SDL_GetError());
    return;
  }
  const std::string host = HostPath(path);
  SDL_RWops* file = SDL_RWFromFile(host.c_str(), "rb");
  if (!file) return;  // no sound installed
  SDL_AudioSpec format;
  if (!SDL_LoadWAV_RW(file, 1, &format, &SoundSamples, &SoundLength)) {
    std::fprintf(stderr, "sound %s: %s\n", host.c_str(), SDL_GetError());
    return;
  }
  format.callback = nullptr;  // samples are queued, not pulled
  SoundDevice = SDL_OpenAudioDevice(nullptr, 0, &format, nullptr, 0);
  if (SoundDevice == 0) {
    std::fprintf(stderr, "sound %s: cannot be played: %s\n", host.c_str(), SDL_GetError());
    ReleaseSamples();
    return;
  }
  SDL_PauseAudioDevice(SoundDevice, 0);
}

}  // namespace

void PlaySdlSound(const char* path) {
  if (!SoundTried) {
    SoundTried = true;
    OpenSound(path);
  }
  if (SoundDevice == 0) return;
  SDL_ClearQueuedAudio(SoundDevice);
  SDL_QueueAudio(SoundDevice, SoundSamples, SoundLength);
}

void StopSdlSound() {
  if (SoundDevice != 0) SDL_CloseAudioDevice(SoundDevice);
  SoundDevice = 0;
  ReleaseSamples();
  if (SoundTried) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  SoundTried = false;
}
