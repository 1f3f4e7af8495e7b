// The game in a web page: the page (web/) calls these, one game at a time,
// and may call them at any time: nothing here blocks. A game takes the
// desktop's command line, so recording, watching a replay and the final
// dump are the desktop's own; its files live in the page's memory file
// system, and the page carries them to and from the browser's storage.
// Messages the desktop writes on stderr reach the page.
//
// The game steps in the browser's animation frames: each runs the passes
// due by then (game_entry.h's StepGame). A hidden tab gets no animation
// frames, so there the steps come on timers at the time the next pass is
// due (which the browser may hold back to once a second).
#include <emscripten.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "host/exit_status.h"
#include "host/host.h"
#include "host/input.h"
#include "loop/frame.h"
#include "loop/game_state.h"
#include "loop/main_loop.h"
#include "loop/startup.h"
#include "lockstep/lockstep.h"
#include "lockstep/versus_game.h"
#include "lockstep/versus_playback.h"
#include "lockstep/versus_replay.h"
#include "platform/versus_session.h"
#include "platform/game_entry.h"
#include "platform/net/relay_link.h"
#include "platform/web/host.h"
#include "render/render_buffers.h"
#include "render/view_projection.h"
#include "replay/recording.h"
#include "replay/replay_file.h"
#include "replay/state_dump.h"
#include "world/world.h"

namespace {

bool Stepping = false;  // a game runs, and a step is scheduled

EM_JS(void, TellPageGameEnded, (int status), {
  if (Module['gameEnded']) Module['gameEnded'](status);
});

// The next step, on the animation frame or, in a hidden tab, on a timer.
// A newer schedule replaces one still waiting.
EM_JS(void, ScheduleStep, (double delay_ms), {
  const chain = Module['stepChain'] = (Module['stepChain'] || 0) + 1;
  const step = () => { if (Module['stepChain'] === chain) Module['_WebStep'](); };
  if (document.hidden)
    setTimeout(step, Math.max(0, delay_ms));
  else
    requestAnimationFrame(step);
});

void ScheduleNextStep() { ScheduleStep(NextStepDueMs() - emscripten_get_now()); }

// A desktop game's line to the relay goes with its process; the page's
// stays open until closed, and the friend would wait on it for ever.
void GameEnded(ExitStatus status) {
  Stepping = false;
  CloseRelayLink();
  TellPageGameEnded(ExitCode(status));
}

}  // namespace

void StepsChangeTheirTimer() {
  if (Stepping) ScheduleNextStep();
}

// A hidden tab's timers may wake once a second, or less, which would hold
// the friend's game to a few turns a second; the friend's messages come
// every three turns, so each steps the game (docs in README, "In a browser").
EM_JS(int, TabHidden, (), { return document.hidden ? 1 : 0; });
extern "C" void WebStep();
void RelayMessageHeard() {
  if (Stepping && TabHidden()) WebStep();
}

extern "C" {

// Starts one game with the desktop's options, one word a line, and returns;
// the game then runs in the browser's animation frames, and the page hears
// its end through Module.gameEnded(status).
EMSCRIPTEN_KEEPALIVE void StartWebGame(const char* words) {
  if (Stepping) return;  // one game at a time: the page quits the one running first
  std::vector<std::string> options = {"valdorik"};
  std::istringstream lines(words);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty()) options.push_back(line);
  std::vector<char*> argv;
  for (std::string& option : options) argv.push_back(option.data());
  ResetForNewRun();
  ForgetWebInput();
  ExitStatus status;
  if (!BeginGame(static_cast<int>(argv.size()), argv.data(), status)) return GameEnded(status);
  Stepping = true;
  ScheduleNextStep();
}

EMSCRIPTEN_KEEPALIVE void WebStep() {
  if (!Stepping) return;
  if (StepGame(emscripten_get_now()))
    ScheduleNextStep();
  else
    GameEnded(EndGame());
}

EMSCRIPTEN_KEEPALIVE void QuitWebGame() { QuitWebGameSoon(); }

// The page's touch and on-screen controls (web/touch.js).
EMSCRIPTEN_KEEPALIVE void WebPointerAt(int x, int y) { PointFromPage(x, y); }
EMSCRIPTEN_KEEPALIVE void WebKey(int code, int down) { KeyFromPage(code, down != 0); }
EMSCRIPTEN_KEEPALIVE void WebButton(int button, int down) { ButtonFromPage(button, down != 0); }

// The game's keys, by their names in VirtualKey (host/input.h: "Up",
// "PageDown", "F1"...), to their codes, as a JSON object: the page's
// on-screen controls name the keys they press.
EMSCRIPTEN_KEEPALIVE const char* WebKeyCodes() {
  static const std::string codes = [] {
    std::string json;
#define VALDORIK_KEY_CODE_MEMBER(name, code) \
  json += std::string(json.empty() ? "{" : ",") + "\"" #name "\":" + std::to_string(Key##name);
    VALDORIK_VIRTUAL_KEYS(VALDORIK_KEY_CODE_MEMBER)
#undef VALDORIK_KEY_CODE_MEMBER
    return json + "}";
  }();
  return codes.c_str();
}

// The game's state as `--dump-final` writes it, at any moment between two
// passes: the page reads who won from it, and the tests where things stand.
EMSCRIPTEN_KEEPALIVE const char* WebStateDump() {
  static std::string dump;
  dump.clear();
  if (VersusPlaying)
    AppendVersusDump(VersusTurn, dump);
  else
    AppendStateDump(IdlePasses, dump);
  return dump.c_str();
}

// ---- Aiming through the drawn view (web/aim.js) ----
// The finger at frame pixel (x, y), as a JSON object: "pointer", the pixel
// to put the game's pointer at so that it acts on the cell drawn there;
// "cell", the map cell it acts on; "cut", true when the drawn cell lies
// beyond the pointer's grid and the nearest cell on its edge is taken;
// "unit", the unit drawn there or -1; "square", the frame spot of the red
// square's centre, or null when it is drawn behind the eye.
EMSCRIPTEN_KEEPALIVE const char* WebAimAt(int x, int y) {
  static char answer[200];
  const CameraPose camera = CurrentCamera();
  const DrawnCell drawn = CellDrawnAt(camera, x, y);
  const GridPointer pointer = PointerForCell(drawn.dx, drawn.dy);
  const ScenePoint squareCentre = {static_cast<float>(pointer.dx) + 0.5f, static_cast<float>(pointer.dy) + 0.5f, 0.1f};
  FramePoint square{};
  char squareJson[64] = "null";
  if (ProjectToFrame(camera, squareCentre, square))
    std::snprintf(squareJson, sizeof squareJson, "[%.1f,%.1f]", square.x, square.y);
  std::snprintf(answer, sizeof answer, "{\"pointer\":[%d,%d],\"cell\":[%d,%d],\"cut\":%s,\"unit\":%d,\"square\":%s}",
                pointer.x, pointer.y, map_sx + pointer.dx, map_sy + pointer.dy, pointer.cut ? "true" : "false",
                drawn.unit, squareJson);
  return answer;
}

// The selected unit's spot on the frame, the top middle of its picture, as
// a JSON object {"unit": id, "top": [x, y]}; "top" is null while the unit is
// not drawn (out of view, dead, or behind the eye): the page marks it there.
EMSCRIPTEN_KEEPALIVE const char* WebSelectedSpot() {
  static char answer[100];
  const int id = selected_unit;
  bool drawn = false;
  for (int k = 0; k < VisibleUnitCount && !drawn; ++k) drawn = VisibleUnits[k] == id;
  FramePoint top{};
  if (drawn && UnitTable[id].in_use == 1 && !UnitTable[id].dead) {
    ScenePoint point = UnitAnchorOffset(UnitTable[id]);
    point.z += UnitSize / 2.0f;
    drawn = ProjectToFrame(CurrentCamera(), point, top);
  } else {
    drawn = false;
  }
  if (drawn)
    std::snprintf(answer, sizeof answer, "{\"unit\":%d,\"top\":[%.1f,%.1f]}", id, top.x, top.y);
  else
    std::snprintf(answer, sizeof answer, "{\"unit\":%d,\"top\":null}", id);
  return answer;
}

// The few facts the page tells beside the frame, a few times a second, as a
// small JSON object: the full dump above takes a millisecond or more.
// {"gold": the player's treasury, "selected": [in_use, owner, type, hp,
// hp_max, dead] of the selected unit or null, "victory": [player, computer, tie],
// "empire": the player's (in a versus game, the seat's whose view is shown),
// "replay_ended": 1 once a watched replay has played all its passes,
// "round_trip": a versus game's last round trip to the friend in ms, or -1}.
EMSCRIPTEN_KEEPALIVE const char* WebFacts() {
  static char facts[240];
  if (!UnitTable) return "null";
  const auto number = [](float value) { return std::isfinite(value) ? static_cast<double>(value) : 0.0; };
  char selected[96] = "null";
  if (selected_unit >= 0 && selected_unit < UnitCount) {
    const UnitRecord& u = UnitTable[selected_unit];
    std::snprintf(selected, sizeof selected, "[%d,%d,%d,%.9g,%.9g,%d]", u.in_use, static_cast<int>(u.owner), u.type,
                  number(u.hp), number(u.hp_max), u.dead);
  }
  const double round_trip = VersusPlaying ? Lockstep().round_trip_ms : -1;
  const int empire = VersusPlaying ? ViewSeat : EmpirePlayer;
  std::snprintf(facts, sizeof facts,
                "{\"gold\":%.9g,\"selected\":%s,\"victory\":[%d,%d,%d],\"replay_ended\":%d,\"round_trip\":%.1f,"
                "\"empire\":%d}",
                number(TreasuryOf(empire)), selected, VictoryPlayer, VictoryComputer, VictoryTie,
                WatchedReplay.ended ? 1 : 0, round_trip, empire);
  return facts;
}

// The rules alone, as `valdorik-sim run --seed S --frames N` runs them: the
// milliseconds taken, and the last dump into the page's `/rules-speed.json`.
// Never while a game runs: they share the world.
EMSCRIPTEN_KEEPALIVE double RulesSpeedWeb(unsigned seed, int frames) {
  ResetForNewRun();
  UseHeadlessHost(seed);
  const auto start = std::chrono::steady_clock::now();
  StartGame();
  for (int pass = 0; pass < frames; ++pass) LoopPass();
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  std::string dump;
  AppendStateDump(IdlePasses, dump);
  if (FILE* file = std::fopen("/rules-speed.json", "wb")) {
    std::fwrite(dump.data(), 1, dump.size(), file);
    std::fclose(file);
  }
  ReleaseGame();
  return took.count();
}

// ---- The page's replays: kept whole when the tab goes, and checked before they are watched ----
// The game being recorded, on the page's file system up to its last pass:
// the page calls it before it stores the file, as the tab may be gone
// before the writer's next push.
EMSCRIPTEN_KEEPALIVE void WebFlushReplay() {
  FlushRecording();
  FlushVersusReplay();
}

// The largest replay file the game reads: the page refuses a larger one
// before it reads it at all.
EMSCRIPTEN_KEEPALIVE double WebLargestReplay() { return static_cast<double>(MaxReplayFileBytes); }

// The replay file at `path`, read as --replay and --continue read it, as a
// JSON object: {"error": "PATH: why"} when the game refuses it, else
// {"complete": whether it has its end mark, "passes": its idle passes, or
// a versus game's turns, "versus": whether it is one}.
EMSCRIPTEN_KEEPALIVE const char* WebCheckReplay(const char* path) {
  static std::string answer;
  Replay replay;
  std::string error;
  if (IsVersusReplayFile(path)) {
    VersusReplay versus;
    if (ReadVersusReplayFile(path, versus, error)) {
      answer = std::string("{\"complete\":") + (versus.complete ? "true" : "false") +
               ",\"passes\":" + std::to_string(versus.turns) + ",\"versus\":true}";
      return answer.c_str();
    }
  } else if (ReadReplayFile(path, replay, error)) {
    answer = std::string("{\"complete\":") + (replay.complete ? "true" : "false") +
             ",\"passes\":" + std::to_string(replay.passes) + ",\"versus\":false}";
    return answer.c_str();
  }
  answer = "{\"error\":\"";
  for (const char c : error) {
    if (c == '"' || c == '\\') answer += '\\';
    answer += c;
  }
  answer += "\"}";
  return answer.c_str();
}
}
