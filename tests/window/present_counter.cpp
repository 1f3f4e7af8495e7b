// Preloaded into the game to measure how often it presents a frame:
// counts SDL_GL_SwapWindow calls and prints the rate when the game exits.
// It can also pretend to be another display: PRESENT_COUNTER_CLAIM_SYNC=1
// tells the game that the driver synchronises with the display, and
// PRESENT_COUNTER_REFRESH_HZ=N that the display refreshes N times a second.
// PRESENT_COUNTER_GAME_CLOCK=1 stops the performance counter the game reads
// but for the game's own waits (SDL_WaitEventTimeout, SDL_Delay), each
// counted whole: the rate on that clock is the game clock's alone, however
// busy the machine is. PRESENT_COUNTER_SLOW_MS=N makes every present take N
// ms longer, as a slow screen or driver would (window.slow_screen).
#include <SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
long Presented = 0;
Clock::time_point FirstPresent, LastPresent;
double LongestGapMs = 0;  // a stall of the machine shows here, not as a slow pace

bool Setting(const char* name) {
  const char* value = std::getenv(name);
  return value && value[0] == '1';
}

bool ClaimSync() { return Setting("PRESENT_COUNTER_CLAIM_SYNC"); }

// The game's clock: the counter's ticks the game has slept, and its reading
// at the first and the last present.
const bool GameClock = Setting("PRESENT_COUNTER_GAME_CLOCK");
std::atomic<Uint64> SleptTicks = 0;
Uint64 FirstPresentSlept = 0, LastPresentSlept = 0;

const char* ClaimedRefresh() { return std::getenv("PRESENT_COUNTER_REFRESH_HZ"); }

template <typename Function>
Function Real(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

struct Report {
  ~Report() {
    if (Presented < 2) return;
    const double seconds = std::chrono::duration<double>(LastPresent - FirstPresent).count();
    std::fprintf(stderr, "present_counter: %ld frames in %.2f s: %.1f frames per second%s, longest gap %.1f ms\n",
                 Presented, seconds, (Presented - 1) / seconds, ClaimSync() ? " (sync claimed)" : "",
                 LongestGapMs);
    if (GameClock)
      std::fprintf(stderr, "present_counter: on the game's clock: %ld frames in %.4f s\n", Presented,
                   static_cast<double>(LastPresentSlept - FirstPresentSlept) / SDL_GetPerformanceFrequency());
  }
} AtExit;

// PRESENT_COUNTER_EVERY=N: a line on stderr after every N frames, for a
// watcher that waits for a number of frames (memcheck.sh).
long ReportEvery() {
  const char* every = std::getenv("PRESENT_COUNTER_EVERY");
  return every ? std::atol(every) : 0;
}

}  // namespace

extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
  static auto real = Real<void (*)(SDL_Window*)>("SDL_GL_SwapWindow");
  static const long every = ReportEvery();
  static const char* slow = std::getenv("PRESENT_COUNTER_SLOW_MS");
  real(window);
  // Not SDL_Delay: that one counts on the game's clock above.
  if (slow) std::this_thread::sleep_for(std::chrono::milliseconds(std::atol(slow)));
  const Clock::time_point now = Clock::now();
  if (Presented > 0)
    LongestGapMs = std::max(LongestGapMs, std::chrono::duration<double, std::milli>(now - LastPresent).count());
  LastPresent = now;
  LastPresentSlept = SleptTicks;
  if (Presented++ == 0) {
    FirstPresent = LastPresent;
    FirstPresentSlept = LastPresentSlept;
  }
  if (every > 0 && Presented % every == 0) std::fprintf(stderr, "present_counter: %ld frames\n", Presented);
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

extern "C" int SDL_GetCurrentDisplayMode(int display, SDL_DisplayMode* mode) {
  static auto real = Real<int (*)(int, SDL_DisplayMode*)>("SDL_GetCurrentDisplayMode");
  const int result = real(display, mode);
  if (result == 0 && mode) {
    std::fprintf(stderr, "present_counter: the display refreshes at %d Hz%s\n", mode->refresh_rate,
                 ClaimedRefresh() ? ", claimed otherwise" : "");
    if (ClaimedRefresh()) mode->refresh_rate = std::atoi(ClaimedRefresh());
  }
  return result;
}

extern "C" Uint64 SDL_GetPerformanceCounter() {
  static auto real = Real<Uint64 (*)()>("SDL_GetPerformanceCounter");
  static const Uint64 start = real();
  return GameClock ? start + SleptTicks : real();
}

extern "C" int SDL_WaitEventTimeout(SDL_Event* event, int timeout) {
  static auto real = Real<int (*)(SDL_Event*, int)>("SDL_WaitEventTimeout");
  if (timeout > 0) SleptTicks += Uint64(timeout) * SDL_GetPerformanceFrequency() / 1000;
  return real(event, timeout);
}

extern "C" void SDL_Delay(Uint32 ms) {
  static auto real = Real<void (*)(Uint32)>("SDL_Delay");
  SleptTicks += ms * SDL_GetPerformanceFrequency() / 1000;
  real(ms);
}
