// Preloaded into the game so that every new game deals the same table: the
// calendar clock, which seeds the table's random draws, answers
// FIXED_CLOCK_SECONDS whatever the time.
#include <cstdlib>
#include <ctime>

extern "C" time_t time(time_t* out) {
  const char* fixed = std::getenv("FIXED_CLOCK_SECONDS");
  const time_t seconds = fixed ? static_cast<time_t>(std::strtoll(fixed, nullptr, 10)) : 0;
  if (out) *out = seconds;
  return seconds;
}
