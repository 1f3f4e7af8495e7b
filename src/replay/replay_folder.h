// Where the game's replays go and how they are named.
#pragma once

#include <string>

// The user's replays/ folder (user_folders.h), empty when there is none;
// NoReplayFolder tells the player why.
std::string ReplayFolder();
extern const char* const NoReplayFolder;

// A new file name in `folder` for a game started at `seconds` (local time),
// made and named so that names sort by start time; the oldest files beyond
// the newest `keep` are removed. Empty with `error` if the folder cannot be
// made.
std::string NewReplayPath(const std::string& folder, long long seconds, int keep, std::string& error);
constexpr int KeptReplays = 50;

// The newest replay in `folder` (names sort by start time), or empty.
std::string NewestReplay(const std::string& folder);
