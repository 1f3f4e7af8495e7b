// The game reads its pictures and sound by paths relative to its working
// folder (asset_table.h). Started from anywhere else (a command prompt in
// another folder, a shortcut, build/valdorik from the source tree) it moves
// to its own folder first.
#pragma once

#include <string>

// Stays in the working folder when that holds any of the game's pictures or
// its sound (the Linux launcher and the tests start it in such a folder);
// otherwise moves to the first of `own_folder` (where the executable is) and
// `own_folder`/game (the build tree's picture folder) that holds them.
// Returns the folder it was started in when it moved, else empty; `note`
// tells the player when no folder holds them. Folders are UTF-8.
std::string EnterGameFolder(const std::string& own_folder, std::string& note);
