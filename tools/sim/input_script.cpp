#include "input_script.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "host/input.h"
#include "sim_args.h"

namespace {

struct KeyName {
  std::string_view name;
  bool button;
  int code;  // MouseButton or virtual-key code
};

constexpr KeyName KeyNames[] = {
    {"left", true, ButtonLeft},      {"middle", true, ButtonMiddle},   {"right", true, ButtonRight},
    {"F1", false, KeyF1},            {"F2", false, KeyF2},             {"F3", false, KeyF3},
    {"F4", false, KeyF4},            {"F5", false, KeyF5},             {"F6", false, KeyF6},
    {"F7", false, KeyF7},            {"F8", false, KeyF8},             {"Backspace", false, KeyBackspace},
    {"0", false, Key0},              {"Space", false, KeySpace},       {"H", false, KeyH},
    {"Left", false, KeyLeft},        {"Right", false, KeyRight},       {"Up", false, KeyUp},
    {"Down", false, KeyDown},        {"Shift", false, KeyShift},       {"PageUp", false, KeyPageUp},
    {"PageDown", false, KeyPageDown}, {"E", false, KeyE},               {"M", false, KeyM},
    {"Pause", false, KeyPause},      {"P", false, KeyP},
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::vector<std::string_view> SplitWords(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    const size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

bool ParseKey(std::string_view word, bool press, HostEvent& event, std::string& error) {
  for (const KeyName& k : KeyNames) {
    if (k.name != word) continue;
    const EventKind kind = k.button ? (press ? EventKind::ButtonDown : EventKind::ButtonUp)
                                    : (press ? EventKind::KeyDown : EventKind::KeyUp);
    event = {kind, k.code};
    return true;
  }
  error = "unknown key " + Quote(word) +
          " (keys: left, middle, right, F1..F8, Backspace, 0, Space, H, Left, Right, Up, Down, Shift, PageUp, "
          "PageDown, E, M, Pause, P)";
  return false;
}

bool WordCountIs(const std::vector<std::string_view>& words, size_t expected, std::string& error) {
  if (words.size() == expected) return true;
  const std::string verb(words[1]);
  const std::string form = verb == "mouse" ? "mouse X Y" : verb == "active" ? "active 0|1" : verb + " KEY";
  error = std::string(words.size() < expected ? "missing" : "extra") + " word in '" + verb +
          "' line (expected: P " + form + ")";
  return false;
}

// One non-blank line without its comment.
bool ParseLine(const std::vector<std::string_view>& words, ScriptEvent& event, std::string& error) {
  if (!ReadWholeNumber(words[0], "pass number P", 1, INT32_MAX, event.pass, error)) return false;
  if (words.size() < 2) {
    error = "missing command after the pass number (expected mouse, press, release or active)";
    return false;
  }
  const std::string_view verb = words[1];
  HostEvent& host = event.event;
  if (verb == "mouse") {
    host.kind = EventKind::PointerMove;
    return WordCountIs(words, 4, error) && ReadWholeNumber(words[2], "X", 0, 65535, host.a, error) &&
           ReadWholeNumber(words[3], "Y", 0, 65535, host.b, error);
  }
  if (verb == "press" || verb == "release")
    return WordCountIs(words, 3, error) && ParseKey(words[2], verb == "press", host, error);
  if (verb == "active") {
    host.kind = EventKind::Activate;
    return WordCountIs(words, 3, error) && ReadWholeNumber(words[2], "active", 0, 1, host.a, error);
  }
  error = "unknown command " + Quote(verb) + " (expected mouse, press, release or active)";
  return false;
}

}  // namespace

bool ParseInputScript(std::string_view text, std::string_view file_name, InputScript& script, std::string& error) {
  script.events.clear();
  size_t line_number = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++line_number;
    line = line.substr(0, line.find('#'));
    const std::vector<std::string_view> words = SplitWords(line);
    if (words.empty()) continue;
    ScriptEvent event{};
    std::string what;
    if (!ParseLine(words, event, what)) {
      error = std::string(file_name) + ":" + std::to_string(line_number) + ": " + what;
      return false;
    }
    script.events.push_back(event);
  }
  std::stable_sort(script.events.begin(), script.events.end(),
                   [](const ScriptEvent& a, const ScriptEvent& b) { return a.pass < b.pass; });
  return true;
}
