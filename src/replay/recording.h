// Recording a game: the host the game runs on is wrapped so that every
// answer it gives (events, the instant key answers that differ from the key
// table, the clock reads that seed new games) and every pass end go to the
// replay file as they happen.
#pragma once

#include <string>
#include <vector>

#include "replay/replay_file.h"

// From now on the game records into `path`, after `past`: the records of a
// continued game, which the file begins with as they are. False with the
// reason, and nothing changed, when the file cannot be made.
bool StartRecording(const std::string& path, std::string& error, const std::vector<ReplayRecord>& past = {});
// The last pass end and the end mark. The recorder's own slots in Host go
// back to the host it wrapped; a slot changed since recording began stays.
void StopRecording();
// The recording on the OS now, up to the pass just played (FlushReplayFile).
void FlushRecording();
