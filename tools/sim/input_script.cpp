#include "input_script.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "platform/input.h"
#include "sim_args.h"

namespace {

struct KeyName {
  std::string_view name;
  int key;
};

constexpr KeyName KeyNames[] = {
    {"left", ButtonLeft}, {"middle", ButtonMiddle}, {"right", ButtonRight}, {"F1", KeyF1},
    {"F2", KeyF1 + 1},    {"F3", KeyF1 + 2},        {"F4", KeyF1 + 3},      {"F5", KeyF1 + 4},
    {"F6", KeyF1 + 5},    {"F7", KeyF1 + 6},        {"F8", KeyF1 + 7},      {"Backspace", KeyBackspace},
    {"0", Key0},          {"Space", KeySpace},      {"H", KeyH},
};

constexpr size_t LongestQuotedWord = 40;

// A word as it may safely be echoed in a message: control bytes escaped, long words cut.
std::string Quote(std::string_view word) {
  std::string quoted = "'";
  for (size_t i = 0; i < word.size() && i < LongestQuotedWord; ++i) {
    const unsigned char c = static_cast<unsigned char>(word[i]);
    if (c >= 0x20 && c < 0x7F && c != '\'' && c != '\\') {
      quoted += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      quoted += escaped;
    }
  }
  if (word.size() > LongestQuotedWord) quoted += "...";
  return quoted + "'";
}

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

bool ParseNumber(std::string_view word, const char* what, int64_t lo, int64_t hi, int& value, std::string& error) {
  const auto parsed = ParseInteger(word, lo, hi);
  if (!parsed) {
    error = std::string(what) + " must be a whole number from " + std::to_string(lo) + " to " + std::to_string(hi) +
            ", got " + Quote(word);
    return false;
  }
  value = static_cast<int>(*parsed);
  return true;
}

bool ParseKey(std::string_view word, int& key, std::string& error) {
  for (const KeyName& k : KeyNames) {
    if (k.name == word) {
      key = k.key;
      return true;
    }
  }
  error = "unknown key " + Quote(word) + " (keys: left, middle, right, F1..F8, Backspace, 0, Space, H)";
  return false;
}

bool WordCountIs(const std::vector<std::string_view>& words, size_t expected, std::string& error) {
  if (words.size() == expected) return true;
  error = std::string(words.size() < expected ? "missing" : "extra") + " word in '" + std::string(words[1]) +
          "' line (expected: P " + (expected == 4 ? "mouse X Y" : std::string(words[1]) + " KEY") + ")";
  return false;
}

// One non-blank line without its comment.
bool ParseLine(const std::vector<std::string_view>& words, ScriptEvent& event, std::string& error) {
  if (!ParseNumber(words[0], "pass number P", 1, INT32_MAX, event.pass, error)) return false;
  if (words.size() < 2) {
    error = "missing command after the pass number (expected mouse, press or release)";
    return false;
  }
  const std::string_view verb = words[1];
  if (verb == "mouse") {
    event.action = ScriptAction::Mouse;
    return WordCountIs(words, 4, error) && ParseNumber(words[2], "X", 0, 65535, event.x, error) &&
           ParseNumber(words[3], "Y", 0, 65535, event.y, error);
  }
  if (verb == "press" || verb == "release") {
    event.action = verb == "press" ? ScriptAction::Press : ScriptAction::Release;
    return WordCountIs(words, 3, error) && ParseKey(words[2], event.key, error);
  }
  error = "unknown command " + Quote(verb) + " (expected mouse, press or release)";
  return false;
}

void SetButtonOrKey(int key, int held) {
  switch (key) {
    case ButtonLeft: MouseState.left = held; break;
    case ButtonMiddle: MouseState.middle = held; break;
    case ButtonRight: MouseState.right = held; break;
    default: KeyState[key] = static_cast<uint8_t>(held); break;
  }
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

void ApplyScriptEvent(const ScriptEvent& event) {
  switch (event.action) {
    case ScriptAction::Mouse:
      MouseState.x = event.x;
      MouseState.y = event.y;
      break;
    case ScriptAction::Press: SetButtonOrKey(event.key, 1); break;
    case ScriptAction::Release: SetButtonOrKey(event.key, 0); break;
  }
}
