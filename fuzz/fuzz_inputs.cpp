#include "fuzz_inputs.h"

#include <algorithm>
#include <sstream>
#include <string_view>
#include <vector>

#include "host/input.h"
#include "input_script.h"
#include "loop/main_loop.h"
#include "path_command.h"
#include "pictures/bitmap_loader.h"
#include "pictures/image_slots.h"
#include "run_command.h"

namespace {

constexpr int FuzzSlot = 7;

// A 2 x 2 picture that sits in the slot before every input, so a refused
// input can be seen to leave it alone.
const std::vector<uint8_t>& TinyPicture() {
  static const std::vector<uint8_t> bytes = [] {
    std::vector<uint8_t> b(54 + 2 * 8, 0x40);
    std::fill(b.begin(), b.begin() + 54, 0);
    b[0] = 'B';
    b[1] = 'M';
    b[10] = 54;
    b[14] = 40;
    b[18] = b[22] = 2;
    b[26] = 1;
    b[28] = 24;
    return b;
  }();
  return bytes;
}

bool IsPrintable(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

std::vector<std::string> SplitLines(const uint8_t* data, size_t size) {
  std::vector<std::string> words;
  std::string word;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') {
      words.push_back(word);
      word.clear();
    } else {
      word += static_cast<char>(data[i]);
    }
  }
  if (size > 0 && data[size - 1] != '\n') words.push_back(word);
  return words;
}

// argv for `words`: pointers into them, then the closing null.
std::vector<char*> ArgvOf(std::vector<std::string>& words) {
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  return argv;
}

std::string CheckRunArgs(int argc, char** argv) {
  RunOptions options;
  std::string error;
  if (!ParseRunArgs(argc, argv, options, error))
    return error.empty() ? "run arguments refused without a reason" : "";
  if (options.frames < 0 || options.dump_every < 0) return "negative frame count accepted";
  return "";
}

std::string CheckPathArgs(int argc, char** argv) {
  static PathArgs parsed;
  parsed = PathArgs{};
  std::string error;
  if (!ParsePathArgs(argc, argv, parsed, error))
    return error.empty() ? "path arguments refused without a reason" : "";
  if (parsed.window < 3 || parsed.window > 64) return "window out of range accepted";
  for (int code : parsed.codes)
    if (code < 0 || code > 255) return "terrain code out of range accepted";
  // A command line the parser takes must also run: the search itself.
  std::ostringstream out, err;
  if (RunPathCommand(argc, argv, out, err) != ExitStatus::Ok) return "accepted arguments failed to run: " + err.str();
  if (out.str().empty() || out.str().back() != '\n') return "the search printed no line";
  return "";
}

}  // namespace

std::string CheckBitmapInput(const uint8_t* data, size_t size) {
  AllocateTextureSlots();
  const std::vector<uint8_t>& tiny = TinyPicture();
  if (!LoadBitmapSlotFromMemory(tiny.data(), tiny.size(), FuzzSlot)) return "the tiny picture did not load";
  const uint8_t* before = TextureSlots[FuzzSlot].pixels.get();

  const bool loaded = LoadBitmapSlotFromMemory(data, size, FuzzSlot);
  const ImageSlot& s = TextureSlots[FuzzSlot];
  if (!loaded) {
    if (LastBitmapError().empty()) return "refused without a reason";
    const bool kept = s.pixels.get() == before && s.width == 2;
    const bool emptied = s.pixels == nullptr && s.width == 0 && s.height == 0;
    return kept || emptied ? "" : "a refused picture left the slot half changed";
  }
  if (s.pixels == nullptr || s.width != s.height || s.width < 1 || s.width > MaxBitmapSide || s.bytesPerPixel != 3)
    return "loaded slot is not a square RGB picture";
  const uint64_t side = uint64_t(s.width);
  if (size < 54 + side * side * 3) return "more pixels loaded than the input holds";
  // Every byte the consumers will read must be there (the sanitizers watch this).
  volatile uint8_t sink = 0;
  for (uint64_t i = 0; i < side * side * 3; ++i) sink = s.pixels[i];
  (void)sink;
  return "";
}

std::string CheckScriptInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  InputScript script;
  std::string error;
  if (!ParseInputScript(text, "fuzz.txt", script, error)) {
    if (error.rfind("fuzz.txt:", 0) != 0) return "error does not name the file: " + error;
    if (!IsPrintable(error)) return "error echoes unprintable bytes";
    return "";
  }
  ResetInput();
  for (size_t i = 0; i < script.events.size(); ++i) {
    const ScriptEvent& e = script.events[i];
    if (e.pass < 1 || (i > 0 && e.pass < script.events[i - 1].pass)) return "events out of pass order";
    const HostEvent& event = e.event;
    const bool pointer = event.kind == EventKind::PointerMove;
    if (pointer && (event.a < 0 || event.a > 65535 || event.b < 0 || event.b > 65535))
      return "pointer outside 0..65535 accepted";
    if (!pointer && (event.a < 0 || event.a > 255)) return "key code outside the key table";
    HandleHostEvent(event);
  }
  return "";
}

std::string CheckArgsInput(const uint8_t* data, size_t size) {
  std::vector<std::string> words = SplitLines(data, size);
  const bool run = !words.empty() && words[0] == "run";
  const bool path = !words.empty() && words[0] == "path";
  if (run || path) words.erase(words.begin());
  std::vector<char*> argv = ArgvOf(words);
  const int argc = static_cast<int>(words.size());
  std::string problem;
  if (!path) problem = CheckRunArgs(argc, argv.data());
  if (problem.empty() && !run) problem = CheckPathArgs(argc, argv.data());
  return problem;
}
