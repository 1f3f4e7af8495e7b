// TEMPORARY stand-in declaration; the real header comes with the picture loader.
#pragma once

#include <string>

std::string HostPath(const char* path);
