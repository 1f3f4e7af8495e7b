#pragma once

// The game's version, as the build names it; written into every replay.
const char* GameVersion();
