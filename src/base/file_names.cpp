#include "base/file_names.h"

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#endif

#include <cstdlib>

namespace fs = std::filesystem;

fs::path PathFromUtf8(const std::string& name) { return fs::path(std::u8string(name.begin(), name.end())); }

std::string Utf8FromPath(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

#ifdef _WIN32
std::string EnvironmentText(const char* variable) {
  const wchar_t* value = _wgetenv(PathFromUtf8(variable).c_str());
  return value ? Utf8FromPath(fs::path(value)) : "";
}

std::FILE* OpenFile(const std::string& name, const char* mode) {
  return _wfopen(PathFromUtf8(name).c_str(), PathFromUtf8(mode).c_str());
}

int OpenFileDescriptor(const std::string& name, int flags, int permissions) {
  return _wopen(PathFromUtf8(name).c_str(), flags, permissions);
}
#else
std::string EnvironmentText(const char* variable) {
  const char* value = std::getenv(variable);
  return value ? value : "";
}

std::FILE* OpenFile(const std::string& name, const char* mode) { return std::fopen(name.c_str(), mode); }

int OpenFileDescriptor(const std::string& name, int flags, int permissions) {
  return ::open(name.c_str(), flags, permissions);
}
#endif
