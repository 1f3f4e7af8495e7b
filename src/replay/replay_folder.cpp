#include "replay/replay_folder.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/file_names.h"
#include "base/user_folders.h"

namespace fs = std::filesystem;

#ifdef _WIN32
const char* const NoReplayFolder = "no folder for replays (APPDATA is not set)";
static void LocalTime(const std::time_t& when, std::tm& local) { localtime_s(&local, &when); }
#else
const char* const NoReplayFolder = "no folder for replays (neither XDG_DATA_HOME nor HOME is set)";
static void LocalTime(const std::time_t& when, std::tm& local) { localtime_r(&when, &local); }
#endif

std::string ReplayFolder() {
  const std::string data = UserDataFolder();
  return data.empty() ? "" : Utf8FromPath(PathFromUtf8(data) / "replays");
}

namespace {

constexpr const char* ReplayExtension = ".vrp";

// Replays of this game, oldest first (their names sort by start time).
std::vector<fs::path> ReplaysIn(const std::string& folder) {
  std::vector<fs::path> files;
  std::error_code ignored;
  for (const fs::directory_entry& entry : fs::directory_iterator(PathFromUtf8(folder), ignored))
    if (entry.path().extension() == ReplayExtension && entry.is_regular_file(ignored)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

std::string NewReplayPath(const std::string& folder, long long seconds, int keep, std::string& error) {
  std::error_code failure;
  const fs::path where = PathFromUtf8(folder);
  fs::create_directories(where, failure);
  if (failure) {
    error = folder + ": " + failure.message();
    return "";
  }
  const std::time_t when = static_cast<std::time_t>(seconds);
  std::tm local{};
  LocalTime(when, local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &local);
  // Games started in the same second get _02, _03, ...: names still sort in start order.
  fs::path path = where / (std::string(stamp) + ReplayExtension);
  for (int n = 2; fs::exists(path, failure); ++n) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "_%02d", n);
    path = where / (std::string(stamp) + suffix + ReplayExtension);
  }
  // Room for the new one among the kept.
  const std::vector<fs::path> old = ReplaysIn(folder);
  for (size_t i = 0; i + keep <= old.size(); ++i) fs::remove(old[i], failure);
  return Utf8FromPath(path);
}

std::string NewestReplay(const std::string& folder) {
  const std::vector<fs::path> files = ReplaysIn(folder);
  return files.empty() ? "" : Utf8FromPath(files.back());
}
