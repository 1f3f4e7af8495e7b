// The help page and the README's key table ("How to play") name the same
// keys: a key added to one of them only is a key the player is not told of.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "overlay/hud.h"

namespace {

using Names = std::set<std::string>;

// How the help page words a key, and the README's names for it. The README
// splits "left / right button" into "left" and "right button".
struct KeyWords {
  std::string help;
  Names readme;
};
const KeyWords Keys[] = {
    {"F1", {"F1"}},
    {"F2-F4", {"F2", "F3", "F4"}},
    {"SHIFT-Dir.", {"Shift + arrows"}},
    {"PGDWN-PGUP", {"Page Up", "Page Down"}},
    {"Dir.", {"arrows"}},
    {"Space", {"Space"}},
    {"0 and backspace", {"0", "Backspace"}},
    {"Left click", {"left"}},
    {"Right click", {"right button"}},
    {"ESC", {"Escape"}},
    {"F5-F8", {"F5", "F6", "F7", "F8"}},
    {"M", {"M"}},
    {"P", {"P", "Pause"}},  // Pause pauses as P does
    {"Alt+Enter", {"Alt+Enter"}},
};
// The status lines name the key that opens the help page ("Press H for help.").
const Names OpensTheHelpPage = {"H"};

std::vector<std::string> Split(std::string text, const std::vector<std::string>& separators) {
  std::vector<std::string> parts;
  for (;;) {
    size_t at = std::string::npos, length = 0;
    for (const std::string& s : separators)
      if (const size_t found = text.find(s); found < at) at = found, length = s.size();
    parts.push_back(text.substr(0, at));
    if (at == std::string::npos) return parts;
    text.erase(0, at + length);
  }
}

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(' '), last = text.find_last_not_of(' ');
  return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

// The keys of the README's first table under "## How to play": each row's
// first cell, without its "(hold)", split at " / ", ", " and " or ".
Names ReadmeKeys(std::istream& readme) {
  Names keys;
  std::string line;
  while (std::getline(readme, line) && line != "## How to play") {
  }
  while (std::getline(readme, line) && line.rfind("| Key |", 0) != 0) {
  }
  std::getline(readme, line);  // the table's |---| row
  while (std::getline(readme, line) && line.rfind("|", 0) == 0) {
    std::string cell = line.substr(1, line.find('|', 1) - 1);
    if (const size_t open = cell.find(" ("); open != std::string::npos) cell.erase(open, cell.find(')', open) - open + 1);
    for (const std::string& key : Split(cell, {" / ", ", ", " or "})) keys.insert(Trimmed(key));
  }
  return keys;
}

// The README's names of the key a clause of a help line starts with; null
// when it starts with none.
const Names* ClauseKey(const std::string& clause) {
  const KeyWords* longest = nullptr;
  for (const KeyWords& key : Keys)
    if ((clause == key.help || clause.rfind(key.help + " ", 0) == 0) &&
        (!longest || key.help.size() > longest->help.size()))
      longest = &key;
  return longest ? &longest->readme : nullptr;
}

// The README's names of every key on the help page. Each line below the
// heading starts with its key; a later clause (after ", ") may name another.
Names HelpPageKeys() {
  Names keys = OpensTheHelpPage;
  for (int line = 1; line < HudBlockLines; ++line) {
    const std::vector<std::string> clauses = Split(HelpLines[line], {", "});
    for (size_t k = 0; k < clauses.size(); ++k) {
      const Names* names = ClauseKey(clauses[k]);
      if (names) keys.insert(names->begin(), names->end());
      if (!names && k == 0) ADD_FAILURE() << "the help line \"" << HelpLines[line] << "\" starts with no key whose README name this test knows";
    }
  }
  return keys;
}

std::string Listed(const Names& names) {
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
  return list;
}

Names Without(const Names& names, const Names& taken) {
  Names rest;
  for (const std::string& name : names)
    if (!taken.count(name)) rest.insert(name);
  return rest;
}

TEST(HelpKeys, TheHelpPageAndTheReadmeKeyTableNameTheSameKeys) {
  std::ifstream readme(VALDORIK_README);
  ASSERT_TRUE(readme) << VALDORIK_README;
  const Names in_readme = ReadmeKeys(readme), on_help_page = HelpPageKeys();
  ASSERT_FALSE(in_readme.empty()) << "no key table under \"## How to play\" in " << VALDORIK_README;
  EXPECT_EQ(Listed(Without(on_help_page, in_readme)), "") << "on the help page, not in the README's key table";
  EXPECT_EQ(Listed(Without(in_readme, on_help_page)), "") << "in the README's key table, not on the help page";
}

}  // namespace
