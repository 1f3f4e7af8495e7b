// valdorik-assets ASSETS_DIR GAME_DIR [ICON_DIR]
// Builds the game's pictures and start sound from the readable sources in
// ASSETS_DIR into GAME_DIR, laid out as the game expects to find them; with
// ICON_DIR also the desktop icon, from the title's emblem, in the icon
// theme's layout (ICON_DIR/48x48/apps/valdorik.png, ...), and those an .ico
// holds in ICON_DIR/valdorik.ico for the Windows exe. The browser game's
// manifest names the 192 and 512 ones.
#include <cstdio>
#include <filesystem>
#include <string>

#include "base/host_path.h"
#include "image.h"
#include "pictures/asset_table.h"
#include "pixel_art.h"
#include "procedural.h"
#include "world/new_game.h"

namespace fs = std::filesystem;

namespace {

std::string PictureSource(const fs::path& assets, const std::string& name) {
  return (assets / "pictures" / (name + ".txt")).string();
}

// A hand-drawn picture must be usable as it stands: square, side a multiple of 4.
std::string LoadDrawnPicture(const std::string& source, Image& image) {
  PixelArt art = ReadPixelArt(source);
  if (!art.error.empty()) return art.error;
  if (art.image.width != art.image.height || art.image.width % 4 != 0)
    return source + ": picture is " + std::to_string(art.image.width) + "x" + std::to_string(art.image.height) +
           ", must be square with a side that is a multiple of 4";
  image = std::move(art.image);
  return {};
}

std::string BuildTitle(const fs::path& assets, Image& image) {
  PixelArt emblem = ReadPixelArt(PictureSource(assets, "intro1_emblem"));
  if (!emblem.error.empty()) return emblem.error;
  PixelArt word = ReadPixelArt(PictureSource(assets, "intro1_word"));
  if (!word.error.empty()) return word.error;
  image = TitlePicture(emblem.image, word.image);
  return {};
}

std::string BuildPictureOfAnySize(const PictureAsset& asset, const fs::path& assets, Image& image) {
  switch (asset.slot) {
    case BrickFloorSlot:
      image = BrickFloor();
      return {};
    case GrassFloorSlot:
      image = GrassFloor();
      return {};
    case IntroPictureSlot:
      return BuildTitle(assets, image);
    default:
      return LoadDrawnPicture(PictureSource(assets, fs::path(HostPath(asset.path)).stem().string()), image);
  }
}

// The game refuses a unit picture larger than it can draw every frame.
std::string BuildPicture(const PictureAsset& asset, const fs::path& assets, Image& image) {
  std::string error = BuildPictureOfAnySize(asset, assets, image);
  if (error.empty() && image.width > MaxPictureSide(asset.slot))
    error = std::string(asset.path) + ": picture side " + std::to_string(image.width) + " exceeds " +
            std::to_string(MaxPictureSide(asset.slot)) + ", the most the game loads for it";
  return error;
}

// The game's relative path, placed under the game folder.
fs::path GamePath(const fs::path& game, const char* table_path) {
  const fs::path target = game / fs::path(HostPath(table_path)).lexically_normal();
  fs::create_directories(target.parent_path());
  return target;
}

constexpr int IconSides[] = {32, 48, 64, 128, 192, 256, 512};
constexpr int LargestIcoSide = 256;

std::string BuildIcons(const fs::path& assets, const fs::path& icons) {
  PixelArt emblem = ReadPixelArt(PictureSource(assets, "intro1_emblem"));
  if (!emblem.error.empty()) return emblem.error;
  std::vector<Image> ico_sizes;
  for (int side : IconSides) {
    const std::string size = std::to_string(side) + "x" + std::to_string(side);
    const fs::path folder = icons / size / "apps";
    fs::create_directories(folder);
    const Image icon = Icon(emblem.image, side);
    if (std::string error = WritePng((folder / "valdorik.png").string(), icon); !error.empty()) return error;
    if (side <= LargestIcoSide) ico_sizes.push_back(icon);
  }
  // The Windows exe's icon (packaging/valdorik.rc.in).
  return WriteIco((icons / "valdorik.ico").string(), ico_sizes);
}

bool Report(const std::string& error) {
  if (error.empty()) return true;
  std::fprintf(stderr, "valdorik-assets: %s\n", error.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: valdorik-assets ASSETS_DIR GAME_DIR [ICON_DIR]\n");
    return 2;
  }
  const fs::path assets = argv[1], game = argv[2];
  try {
    bool ok = true;
    for (const PictureAsset& asset : PictureAssets) {
      Image image;
      if (!Report(BuildPicture(asset, assets, image))) {
        ok = false;
        continue;
      }
      ok &= Report(WriteBmp24(GamePath(game, asset.path).string(), image));
    }
    ok &= Report(WriteWav16(GamePath(game, StartSoundPath).string(), ExplosionSound(), SoundSampleRate));
    if (argc == 4) ok &= Report(BuildIcons(assets, argv[3]));
    return ok ? 0 : 1;
  } catch (const fs::filesystem_error& e) {
    Report(e.what());
    return 1;
  }
}
