#include "base/user_folders.h"

#include "base/file_names.h"

#ifdef _WIN32
std::string UserDataFolder() {
  const std::string data = EnvironmentText("APPDATA");
  return data.empty() ? "" : Utf8FromPath(PathFromUtf8(data) / "valdorik");
}

std::string ScreenSettingsFile() {
  const std::string data = UserDataFolder();
  return data.empty() ? "" : Utf8FromPath(PathFromUtf8(data) / "settings.txt");
}
#else
// A relative XDG variable is to be ignored, as the base-directory rules say.
std::string UserDataFolder() {
  const std::string data = EnvironmentText("XDG_DATA_HOME");
  if (data.starts_with('/')) return Utf8FromPath(PathFromUtf8(data) / "valdorik");
  const std::string home = EnvironmentText("HOME");
  if (!home.empty()) return Utf8FromPath(PathFromUtf8(home) / ".local" / "share" / "valdorik");
  return "";
}

std::string ScreenSettingsFile() {
  const std::string config = EnvironmentText("XDG_CONFIG_HOME");
  if (config.starts_with('/')) return Utf8FromPath(PathFromUtf8(config) / "valdorik" / "settings");
  const std::string home = EnvironmentText("HOME");
  if (!home.empty()) return Utf8FromPath(PathFromUtf8(home) / ".config" / "valdorik" / "settings");
  return "";
}
#endif
