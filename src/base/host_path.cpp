#include "base/host_path.h"

#include <algorithm>

std::string HostPath(const char* path) {
  std::string host = path ? path : "";
  std::replace(host.begin(), host.end(), '\\', '/');
  return host;
}
