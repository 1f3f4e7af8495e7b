// The game names its files the way its asset table spells them: relative to
// the working directory with backslashes (".\bmp_unit\unit_mage.bmp").
#pragma once

#include <string>

// The same path with every backslash turned into '/', for the host's file calls.
std::string HostPath(const char* path);
