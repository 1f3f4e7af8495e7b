// TEMPORARY stand-in declaration; the real header comes with the picture loader.
#pragma once

#include "platform/host_path.h"

bool LoadBitmapSlot(const char* path, int slot);
