// Strict number parsing for the simulator's arguments and script lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A whole decimal number (optional leading '-') within [lo, hi], or nothing.
std::optional<int64_t> ParseInteger(std::string_view text, int64_t lo, int64_t hi);
