// The shortest decimal that reads back to the same float, written exactly as
// std::to_chars(float) writes it: the fewest significant digits (the nearest
// such decimal when several have as few), plain or scientific form, whichever
// is shorter (plain on a tie), "inf", "nan" and "-0" as it spells them. For
// standard libraries without the floating-point std::to_chars (the
// WebAssembly toolchain's); built everywhere so that it is tested against it.
#pragma once

#include <string>

std::string ShortestFloat(float value);

// The same text, from std::to_chars where the standard library has it for
// floats (the faster of the two), else from ShortestFloat.
std::string FormatFloat(float value);
