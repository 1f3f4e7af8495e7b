// What the simulator's commands share: their synopses, strict number
// parsing for their arguments and script lines, and the search mode they may
// be asked for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// One line per command; "usage: " (or its indent) goes before it.
constexpr const char* RunSynopsis = "valdorik-sim run --seed S --frames N [--input FILE] [--dump-every K]";
constexpr const char* ReplaySynopsis = "valdorik-sim replay FILE [--dump-every K]";
constexpr const char* PathSynopsis =
    "valdorik-sim path FX FY TX TY [--window W] [--code X Y CODE]... [--block ID X Y [SX SY]]...";

// VALDORIK_LITERAL_SEARCH=1 runs every search with the reference scan
// (for measuring the fast search against it; the answers are the same).
// Asked again after each reset for a new run, which restores the fast search.
void ApplySearchModeRequest();

// A whole decimal number (optional leading '-') within [lo, hi], or nothing.
std::optional<int64_t> ParseInteger(std::string_view text, int64_t lo, int64_t hi);

// A word as it may safely be echoed in a message: quoted, control bytes
// escaped, long words cut.
std::string Quote(std::string_view word);

// `word` as a whole number within [lo, hi]; false with "WHAT must be a whole
// number from LO to HI, got 'WORD'" in `error`.
bool ReadWholeNumber(std::string_view word, std::string_view what, int64_t lo, int64_t hi, int64_t& value,
                     std::string& error);
// The same into an int; [lo, hi] lies within int's range.
bool ReadWholeNumber(std::string_view word, std::string_view what, int64_t lo, int64_t hi, int& value,
                     std::string& error);
