#include "sim_args.h"

#include <charconv>

std::optional<int64_t> ParseInteger(std::string_view text, int64_t lo, int64_t hi) {
  if (text.empty() || text.size() > 20) return std::nullopt;
  int64_t value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || value < lo || value > hi) return std::nullopt;
  return value;
}
