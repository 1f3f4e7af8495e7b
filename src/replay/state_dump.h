// One JSON line with the world globals and every in-use unit entry.
#pragma once

#include <cstdint>
#include <string>

// Appends the dump of the current state after pass `pass`, newline included.
void AppendStateDump(int64_t pass, std::string& out);
