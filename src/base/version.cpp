#include "base/version.h"

const char* GameVersion() { return VALDORIK_VERSION; }
