// Where the game keeps a user's own files. UTF-8, as every file name in the
// game (file_names.h); empty when no environment variable says where.
#pragma once

#include <string>

// $XDG_DATA_HOME/valdorik, or ~/.local/share/valdorik; on Windows
// %APPDATA%\valdorik.
std::string UserDataFolder();

// Where the window's last size is kept: $XDG_CONFIG_HOME/valdorik/settings,
// or ~/.config/valdorik/settings; on Windows %APPDATA%\valdorik\settings.txt.
std::string ScreenSettingsFile();
