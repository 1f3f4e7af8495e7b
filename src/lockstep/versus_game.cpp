#include "lockstep/versus_game.h"

#include <cmath>
#include <utility>

#include "base/shortest_float.h"
#include "loop/game_clock.h"
#include "loop/main_loop.h"
#include "replay/state_dump.h"
#include "rules/combat_economy.h"
#include "rules/commands.h"
#include "rules/computer.h"
#include "rules/frame_rules.h"
#include "rules/orders.h"
#include "world/new_game.h"
#include "world/random.h"
#include "world/world.h"

namespace {

void SwapView(PlayerView& view) {
#define VALDORIK_SWAP_VIEW(type, name) std::swap(name, view.name);
  VALDORIK_PLAYER_VIEW(VALDORIK_SWAP_VIEW)
#undef VALDORIK_SWAP_VIEW
}

uint32_t VersusClock() { return VersusSeed + VersusGames; }

// Every player's view starts on their own leader, with a new game's camera.
void PlaceViewsOnLeaders() {
  for (int seat = 0; seat < SeatCount; ++seat) {
    ShowView(seat);
    CameraTilt = NewGameTilt;
    CameraTurn = NewGameTurn;
    CameraZoom = NewGameZoom;
    CameraSpin = NewGameSpin;
    selected_unit = seat;
    map_sx = UnitTable[seat].cell_x;  // the view's centre
    map_sy = UnitTable[seat].cell_y;
  }
}

void NextGame() {
  NewGameAsked = {};
  ++VersusGames;
  NewGame();
  PlaceViewsOnLeaders();
}

// The turn's events into the seat's view; P and Pause pause both players.
void TakeInput(int seat, const TurnInput& input) {
  ShowView(seat);
  for (const HostEvent& event : input.events) {
    const int was_paused = Paused;
    HandleHostEvent(event);
    if (Paused != was_paused) PausedBy = seat;
  }
  KeySample = KeyState;
  for (size_t i = 0; i < InstantKeys.size(); ++i) KeySample[InstantKeys[i]] = (input.instant_keys >> i) & 1;
  if (KeyState[KeyEscape] && LeftBy < 0) LeftBy = seat;
}

bool IsPlayed(int seat) { return PlayedBy[seat] != 0; }

// The seat's player's pointer, buttons and function keys.
void PlayerCommands(int seat) {
  ShowView(seat);
  SpinFromPointer();
  MouseCell();
  LeftButtonCommand(seat);
  RightButtonCommand(seat);
  if (IsKeyDown(KeyF1)) NewGameAsked[seat] = 1;
  UnitSizeKeys();
  SpeedKeys();
}

// Each player's Backspace and 0 jump their own view; the count is the game's.
void VersusVictoryCheck() {
  for (int seat = 0; seat < SeatCount; ++seat) {
    ShowView(seat);
    CountFightingUnits(seat, KeyBackspace);
    CountFightingUnits(OpponentOf(seat), Key0);
  }
  const int host_units = CountFightingUnits(EmpirePlayer, -1), friend_units = CountFightingUnits(EmpireComputer, -1);
  RaiseOutcomeFlags(host_units, friend_units);
}

// The second half of the frame's rules, as the one-player game has them,
// with the commands of each player and the computer on a side nobody plays.
void VersusRules() {
  for (int seat = 0; seat < SeatCount; ++seat)
    if (IsPlayed(seat)) PlayerCommands(seat);
  const bool everyone_asks = (NewGameAsked[0] || !IsPlayed(0)) && (NewGameAsked[1] || !IsPlayed(1));
  if (everyone_asks) NextGame();
  if (IsPeriodDue(EconomyPeriod)) VersusVictoryCheck();
  if (IsGameDecided()) return;
  if (IsPeriodDue(EconomyPeriod)) {
    EconomyTick();
    for (int seat = 0; seat < SeatCount; ++seat)
      if (!IsPlayed(seat)) ComputerRecruit(seat);
  }
  for (int seat = 0; seat < SeatCount; ++seat)
    if (!IsPlayed(seat) && IsPeriodDue(DecisionPeriod)) ComputerOrders(seat);
}

// The help page, the camera and scrolling keys, as the one-player game
// reads them. Their pauses (a scroll step, H, E) would hold the shared game
// for both players: a player's own keys rest that long instead.
void ViewKeys(int seat) {
  ShowView(seat);
  if (ViewKeysResting[seat] > 0) {
    --ViewKeysResting[seat];
    ClearHelpAfterGameOver();
    return;
  }
  const int paused_before = PauseAskedMs;
  HelpKey();
  ClearHelpAfterGameOver();
  ApplyLoopKeys();
  const int rest_ms = PauseAskedMs - paused_before;
  PauseAskedMs = paused_before;
  ViewKeysResting[seat] = static_cast<int32_t>(std::ceil(rest_ms / FramePeriodMs));
}

void AppendViewFields(const PlayerView& view, std::string& out) {
  out += "{\"selected_unit\":" + std::to_string(view.selected_unit);
  out += ",\"map_sx\":" + std::to_string(view.map_sx) + ",\"map_sy\":" + std::to_string(view.map_sy);
  out += ",\"map_ex\":" + std::to_string(view.map_ex) + ",\"map_ey\":" + std::to_string(view.map_ey);
  out += ",\"unit_size\":" + FormatFloat(view.UnitSize) + ",\"help\":" + std::to_string(view.HelpVisible);
  out += ",\"camera\":[" + FormatFloat(view.CameraZoom) + ',' + FormatFloat(view.CameraTilt) + ',' +
         FormatFloat(view.CameraTurn) + ',' + FormatFloat(view.CameraSpin) + "]}";
}

std::string Pair(const SeatFlags& flags) { return '[' + std::to_string(flags[0]) + ',' + std::to_string(flags[1]) + ']'; }

void Mix(uint64_t& hash, const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 0x100000001B3ull;
}

}  // namespace

GameHost VersusHost(const GameHost& inner) {
  GameHost host = inner;
  host.key_held_now = SampledKeyHeld;
  host.clock_seconds = VersusClock;
  return host;
}

void ShowView(int seat) {
  if (seat == ViewSeat) return;
  SwapView(SeatViews[ViewSeat]);
  ViewSeat = seat;
  SwapView(SeatViews[ViewSeat]);
}

void StartVersusGame(uint32_t seed, int view_seat) {
  VALDORIK_VERSUS_STATE(VALDORIK_RESET_STATE)
  for (PlayerView& view : SeatViews) view.UnitSize = LoadUnitSize;
  VersusPlaying = true;
  VersusSeed = seed;
  NewGame();
  PlaceViewsOnLeaders();
  ShowView(view_seat);
}

void RunVersusTurn(const std::array<TurnInput, SeatCount>& inputs) {
  const int view_seat = ViewSeat;
  ++VersusTurn;
  for (int seat = 0; seat < SeatCount; ++seat) TakeInput(seat, IsPlayed(seat) ? inputs[seat] : TurnInput{});
  if (!IsVersusOver() && !Paused) {
    ThrottleFrame();
    RulesFirstHalf();
    VersusRules();
    for (int seat = 0; seat < SeatCount; ++seat) ViewKeys(seat);
  }
  ShowView(view_seat);
}

void HandOverToComputer(int seat) {
  PlayedBy[seat] = 0;
  const int view_seat = ViewSeat;
  ShowView(seat);
  KeyState = {};
  KeySample = {};
  MouseState = {};
  ShowView(view_seat);
}

bool IsVersusOver() { return LeftBy >= 0; }

void AppendVersusDump(int64_t turn, std::string& out) {
  const int view_seat = ViewSeat;
  ShowView(0);
  AppendStateDump(turn, out);
  out.resize(out.size() - 2);  // the closing brace and the line's end
  out += ",\"seat1\":";
  AppendViewFields(SeatViews[1], out);
  out += ",\"played_by\":" + Pair(PlayedBy) + ",\"new_game_asked\":" + Pair(NewGameAsked);
  out += ",\"paused_by\":" + std::to_string(PausedBy) + ",\"left_by\":" + std::to_string(LeftBy);
  out += ",\"games\":" + std::to_string(VersusGames);
  out += ",\"view_keys_resting\":[" + std::to_string(ViewKeysResting[0]) + ',' + std::to_string(ViewKeysResting[1]) +
         "]}\n";
  ShowView(view_seat);
}

uint64_t VersusStateHash() {
  std::string dump;
  AppendVersusDump(VersusTurn, dump);
  uint64_t hash = 0xCBF29CE484222325ull;
  Mix(hash, dump.data(), dump.size());
  Mix(hash, &RandomState, sizeof RandomState);
  const int view_seat = ViewSeat;
  for (int seat = 0; seat < SeatCount; ++seat) {
    ShowView(seat);
    Mix(hash, KeyState.data(), KeyState.size());
    Mix(hash, &MouseState, sizeof MouseState);
  }
  ShowView(view_seat);
  return hash;
}
