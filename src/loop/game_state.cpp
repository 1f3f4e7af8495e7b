#include "loop/game_state.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace {

// Rows are compared by their bits, so a float's sign of zero counts. A row
// whose type has padding would compare bytes that mean nothing: refused.
template <class T>
bool SameBits(const T& a, const T& b) {
  static_assert(std::has_unique_object_representations_v<T> || std::is_floating_point_v<T>,
                "a state row must be a type without padding");
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

bool SameBits(const PlayerView& a, const PlayerView& b);

template <class T, size_t N>
bool SameBits(const std::array<T, N>& a, const std::array<T, N>& b) {
  for (size_t i = 0; i < N; ++i)
    if (!SameBits(a[i], b[i])) return false;
  return true;
}

// A player's view holds floats: compared row by row, as the state's rows are.
bool SameBits(const PlayerView& a, const PlayerView& b) {
#define VALDORIK_SAME_VIEW_ROW(type, name) \
  if (!SameBits(a.name, b.name)) return false;
  VALDORIK_PLAYER_VIEW(VALDORIK_SAME_VIEW_ROW)
#undef VALDORIK_SAME_VIEW_ROW
  return true;
}

}  // namespace

GameState TakeGameState() {
  GameState state;
#define VALDORIK_TAKE_STATE(type, name, initial) state.name = name;
  VALDORIK_GAME_STATE(VALDORIK_TAKE_STATE)
#undef VALDORIK_TAKE_STATE
  if (UnitTable != nullptr) state.units.assign(UnitTable.get(), UnitTable.get() + UnitCount);
  return state;
}

void RestoreGameState(const GameState& state) {
#define VALDORIK_RESTORE_STATE(type, name, initial) name = state.name;
  VALDORIK_GAME_STATE(VALDORIK_RESTORE_STATE)
#undef VALDORIK_RESTORE_STATE
  if (UnitTable != nullptr && !state.units.empty()) std::copy(state.units.begin(), state.units.end(), UnitTable.get());
}

std::vector<std::string> GameStateDifferences(const GameState& a, const GameState& b) {
  std::vector<std::string> names;
#define VALDORIK_COMPARE_STATE(type, name, initial) \
  if (!SameBits(a.name, b.name)) names.push_back(#name);
  VALDORIK_GAME_STATE(VALDORIK_COMPARE_STATE)
#undef VALDORIK_COMPARE_STATE
  if (a.units.size() != b.units.size()) {
    names.push_back("UnitTable");
    return names;
  }
  for (size_t id = 0; id < a.units.size(); ++id)
    if (a.units[id] != b.units[id]) names.push_back("UnitTable[" + std::to_string(id) + "]");
  return names;
}

void ResetForNewRun() { VALDORIK_GAME_STATE(VALDORIK_RESET_STATE) }
