// The simulator's own settings: strict number parsing for its arguments and
// script lines, and the search mode it may be asked for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// VALDORIK_LITERAL_SEARCH=1 runs every search with the reference scan
// (for measuring the fast search against it; the answers are the same).
// Asked again after each reset for a new run, which restores the fast search.
void ApplySearchModeRequest();

// A whole decimal number (optional leading '-') within [lo, hi], or nothing.
std::optional<int64_t> ParseInteger(std::string_view text, int64_t lo, int64_t hi);
