// TEMPORARY stub: loads nothing (every slot stays empty) and maps the
// backslash paths by turning the separators round.
#include "platform/bitmap_loader.h"

bool LoadBitmapSlot(const char*, int) { return false; }

std::string HostPath(const char* path) {
  std::string host = path;
  for (char& c : host)
    if (c == '\\') c = '/';
  return host;
}
