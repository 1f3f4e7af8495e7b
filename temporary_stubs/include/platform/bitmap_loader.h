// TEMPORARY stand-in declaration; the real header comes with the picture loader.
#pragma once

#include <string>

bool LoadBitmapSlot(const char* path, int slot);
std::string HostPath(const char* path);
