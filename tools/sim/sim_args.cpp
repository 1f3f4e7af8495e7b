#include "sim_args.h"

#include <charconv>
#include <cstdio>
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

namespace {

constexpr size_t LongestQuotedWord = 40;

}  // namespace

std::string Quote(std::string_view word) {
  std::string quoted = "'";
  for (size_t i = 0; i < word.size() && i < LongestQuotedWord; ++i) {
    const unsigned char c = static_cast<unsigned char>(word[i]);
    if (c >= 0x20 && c < 0x7F && c != '\'' && c != '\\') {
      quoted += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      quoted += escaped;
    }
  }
  if (word.size() > LongestQuotedWord) quoted += "...";
  return quoted + "'";
}

bool ReadWholeNumber(std::string_view word, std::string_view what, int64_t lo, int64_t hi, int64_t& value,
                     std::string& error) {
  const std::optional<int64_t> parsed = ParseInteger(word, lo, hi);
  if (!parsed) {
    error = std::string(what) + " must be a whole number from " + std::to_string(lo) + " to " + std::to_string(hi) +
            ", got " + Quote(word);
    return false;
  }
  value = *parsed;
  return true;
}

bool ReadWholeNumber(std::string_view word, std::string_view what, int64_t lo, int64_t hi, int& value,
                     std::string& error) {
  int64_t wide = 0;
  if (!ReadWholeNumber(word, what, lo, hi, wide, error)) return false;
  value = static_cast<int>(wide);
  return true;
}
