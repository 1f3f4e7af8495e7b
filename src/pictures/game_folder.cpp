#include "pictures/game_folder.h"

#include <filesystem>
#include <system_error>

#include "base/file_names.h"
#include "base/host_path.h"
#include "pictures/asset_table.h"
#include "world/new_game.h"

namespace fs = std::filesystem;

namespace {

bool Holds(const fs::path& folder, const char* table_path) {
  std::error_code ignored;
  return fs::exists(folder / PathFromUtf8(HostPath(table_path)), ignored);
}

bool HoldsGameFiles(const fs::path& folder) {
  for (const PictureAsset& asset : PictureAssets)
    if (Holds(folder, asset.path)) return true;
  return Holds(folder, StartSoundPath);
}

}  // namespace

std::string EnterGameFolder(const std::string& own_folder, std::string& note) {
  std::error_code failure;
  const fs::path start = fs::current_path(failure);
  if (!failure && HoldsGameFiles(start)) return "";
  if (!own_folder.empty()) {
    const fs::path own = PathFromUtf8(own_folder);
    for (const fs::path& folder : {own, own / "game"}) {
      if (!HoldsGameFiles(folder)) continue;
      fs::current_path(folder, failure);
      if (!failure) return Utf8FromPath(start);
    }
  }
  note = "no pictures or sound in " + Utf8FromPath(start) + (own_folder.empty() ? "" : " nor in " + own_folder) +
         ": the game runs without them";
  return "";
}
