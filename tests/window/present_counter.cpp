// Preloaded into the game to measure how often it presents a frame:
// counts SDL_GL_SwapWindow calls and prints the rate when the game exits.
// With PRESENT_COUNTER_CLAIM_SYNC=1 it also tells the game that the driver
// synchronises with the display, which turns the game's own pacing off.
#include <SDL.h>
#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;
long Presented = 0;
Clock::time_point FirstPresent, LastPresent;

bool ClaimSync() {
  const char* claim = std::getenv("PRESENT_COUNTER_CLAIM_SYNC");
  return claim && claim[0] == '1';
}

template <typename Function>
Function Real(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

struct Report {
  ~Report() {
    if (Presented < 2) return;
    const double seconds = std::chrono::duration<double>(LastPresent - FirstPresent).count();
    std::fprintf(stderr, "present_counter: %ld frames in %.2f s: %.1f frames per second%s\n",
                 Presented, seconds, (Presented - 1) / seconds,
                 ClaimSync() ? " (sync claimed, pacing off)" : "");
  }
} AtExit;

}  // namespace

extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
  static auto real = Real<void (*)(SDL_Window*)>("SDL_GL_SwapWindow");
  real(window);
  LastPresent = Clock::now();
  if (Presented++ == 0) FirstPresent = LastPresent;
}

extern "C" int SDL_GL_SetSwapInterval(int interval) {
  static auto real = Real<int (*)(int)>("SDL_GL_SetSwapInterval");
  const int result = real(interval);
  std::fprintf(stderr, "present_counter: SDL_GL_SetSwapInterval(%d) gave %d\n", interval, result);
  return ClaimSync() ? 0 : result;
}

extern "C" int SDL_GL_GetSwapInterval() {
  static auto real = Real<int (*)()>("SDL_GL_GetSwapInterval");
  return ClaimSync() ? 1 : real();
}
