#include "sim_args.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

#include "pathfinding/pathfinder.h"

void ApplySearchModeRequest() {
  const char* value = std::getenv("VALDORIK_LITERAL_SEARCH");
  if (value != nullptr && std::strcmp(value, "1") == 0) DefaultSearchMode = SearchLiteral;
}

std::optional<int64_t> ParseInteger(std::string_view text, int64_t lo, int64_t hi) {
  if (text.empty() || text.size() > 20) return std::nullopt;
  int64_t value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || value < lo || value > hi) return std::nullopt;
  return value;
}
