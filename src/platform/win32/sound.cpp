// The start sound through winmm's PlaySound, asynchronous, from its file.
//
// Limits: one sound at a time (a new one cuts off the one playing); a file
// Windows cannot play is told once on stderr, a missing one not at all, and
// neither falls back to the system's default sound.
#include <windows.h>

#include <mmsystem.h>

#include <cstdio>

#include "platform/win32/host.h"

namespace {

bool FailureTold = false;

bool FileExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

void PlayWin32Sound(const char* path) {
  if (PlaySoundA(path, nullptr, SND_ASYNC | SND_FILENAME | SND_NODEFAULT) || FailureTold || !FileExists(path)) return;
  FailureTold = true;
  std::fprintf(stderr, "sound %s: cannot be played\n", path);
}

void StopWin32Sound() { PlaySoundA(nullptr, nullptr, 0); }
