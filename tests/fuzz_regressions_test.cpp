// Replays every saved fuzz input (the seed corpora and the inputs that once
// broke something) through the same checks the fuzz targets run. Under the
// sanitizer build this is where an old memory fault would show up again.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_inputs.h"
#include "pictures/image_slots.h"

namespace {

namespace fs = std::filesystem;

using Check = std::string (*)(const uint8_t*, size_t);

// Every file under fuzz/corpus/<target> and fuzz/regressions/<target>.
std::vector<fs::path> SavedInputs(const std::string& target) {
  std::vector<fs::path> files;
  for (const char* kind : {"corpus", "regressions"}) {
    const fs::path dir = fs::path(VALDORIK_FUZZ_DIR) / kind / target;
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::directory_iterator(dir))
      if (entry.is_regular_file()) files.push_back(entry.path());
  }
  return files;
}

void ReplayAll(const std::string& target, Check check) {
  const std::vector<fs::path> files = SavedInputs(target);
  ASSERT_FALSE(files.empty()) << "no saved inputs for " << target;
  for (const fs::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(check(bytes.data(), bytes.size()), "") << file;
  }
}

TEST(FuzzRegressions, PictureInputs) {
  ReplayAll("bitmap", CheckBitmapInput);
  ReleaseTextureSlots();
}

TEST(FuzzRegressions, ScriptInputs) { ReplayAll("script", CheckScriptInput); }

TEST(FuzzRegressions, ArgumentInputs) { ReplayAll("args", CheckArgsInput); }

TEST(FuzzRegressions, ReplayInputs) { ReplayAll("replay", CheckReplayInput); }

TEST(FuzzRegressions, RelayInputs) { ReplayAll("relay", CheckRelayInput); }

}  // namespace
