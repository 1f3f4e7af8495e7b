// What one fuzz input must survive, for each fuzzed entry point. The fuzz
// targets and the regression test both call these, so a crash found by the
// fuzzer replays in the ordinary test run.
//
// Each returns an empty string when the input was handled soundly, otherwise
// the broken promise. Memory faults are left to the sanitizers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Any bytes as a picture file.
std::string CheckBitmapInput(const uint8_t* data, size_t size);

// Any bytes as the simulator's input script.
std::string CheckScriptInput(const uint8_t* data, size_t size);

// Any bytes as a simulator command line, one argument per line. A first line
// "run" or "path" picks the parser; otherwise both parsers get every line.
std::string CheckArgsInput(const uint8_t* data, size_t size);

// Any bytes as a replay file.
std::string CheckReplayInput(const uint8_t* data, size_t size);

// Any bytes as a script of players meeting the relay's rooms (and as a
// versus replay file); built into its own target (fuzz/relay_input.cpp).
std::string CheckRelayInput(const uint8_t* data, size_t size);
