#include "platform/versus_session.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "base/version.h"
#include "host/input.h"
#include "lockstep/lockstep.h"
#include "lockstep/peer_messages.h"
#include "lockstep/versus_playback.h"
#include "lockstep/versus_replay.h"
#include "loop/frame.h"
#include "loop/game_clock.h"
#include "loop/startup.h"
#include "platform/backend.h"
#include "platform/net/relay_link.h"
#include "replay/replay_file.h"
#include "replay/replay_folder.h"
#include "versus/relay_messages.h"
#include "world/world.h"

namespace {

// Lobby: reaching the relay, and the room until both are in. Playing: the
// turns. Over: a player left; the other sees the end until they close.
// Leaving: the last messages on their way before the window closes.
// Failed: no game could start; the frame says why until the player closes.
enum class Phase { Lobby, Playing, Over, Leaving, Failed };

constexpr double WaitingShownAfterMs = 300;
// A line that drops may come back this soon, into the same game at the turn it left.
constexpr double ComeBackWithinMs = 10000;
constexpr double RetryEveryMs = 1000;  // shorter waits are a turn's jitter, not worth a word
constexpr double LeavingForAtMostMs = 2000;
constexpr double WaitingPollMs = 2;

struct Session {
  GameOptions options;
  GameHost window;  // the backend's host: its clock seeds the game
  Phase phase = Phase::Lobby;
  Seat seat = Seat::Host;
  std::string relay;
  double now_ms = 0;
  double waiting_since_ms = -1;
  double next_draw_ms = 0;
  double leaving_until_ms = 0;
  std::string friend_gone;  // why the computer plays the friend's side
  std::string code;         // the room's
  uint64_t ticket = 0;      // what takes our seat back after our line drops
  double friend_away_until = -1;  // the friend's line dropped: they may come back until then
  double back_until = -1;         // our line dropped: we try to come back until then
  double next_try_ms = 0;
  bool failed = false;
  bool replay_failure_told = false;
} S;

int LocalSeat() { return static_cast<int>(S.seat); }

void SendGamePayload(std::span<const uint8_t> payload) { SendOnRelayLink(GameMessage(S.seat, payload)); }

void Fail(const std::string& why) {
  ConnectionWords = why + " Press ESC to close.";
  std::fprintf(stderr, "valdorik: %s\n", why.c_str());
  S.phase = Phase::Failed;
  S.failed = true;
  CloseRelayLink();
}

std::string StemOf(const std::string& path) {
  const size_t dot = path.rfind('.'), slash = path.find_last_of("/\\");
  return dot == std::string::npos || (slash != std::string::npos && dot < slash) ? path : path.substr(0, dot);
}

// Every versus game is recorded, in the replays' own folder "versus" unless --record says where.
void RecordVersusGame(uint32_t seed) {
  std::string path = S.options.record, error;
  if (path.empty()) {
    const std::string folder = ReplayFolder();
    if (folder.empty()) error = NoReplayFolder;
    if (!folder.empty()) path = NewReplayPath(folder + "/versus", std::time(nullptr), KeptReplays, error);
  }
  if (!path.empty() && OpenVersusReplay(path, GameVersion(), seed, error)) {
    SetDesyncReportStem(StemOf(path));
    return;
  }
  std::fprintf(stderr, "valdorik: this game is not recorded: %s\n", error.c_str());
}

void BeginVersusGame(uint32_t seed) {
  BeginLockstep(LocalSeat(), seed, SendGamePayload);
  RecordVersusGame(seed);
  if (S.options.desync_at >= 0) PlantDivergence(S.options.desync_at);
  ClockStarted = false;  // the first turn is due now, not when the lobby opened
  S.phase = Phase::Playing;
  ConnectionWords.clear();
}

void FriendStarts(const RelayMessage& message) {
  const std::optional<PeerMessage> start = ReadPeerMessage(message.payload);
  if (!start || start->kind != PeerKind::Start) return;
  if (start->game_version != GameVersion() || start->input_delay != InputDelay)
    return Fail("The host plays version " + start->game_version + ", this is " + GameVersion() +
                ": you cannot play together.");
  BeginVersusGame(start->seed);
}

void HandOverFriendsSide(const std::string& why) {
  S.friend_gone = why;
  S.friend_away_until = S.back_until = -1;
  PeerGone();
}

// A friend whose line dropped has a while to come back; one who closed it has left.
void FriendLeaves(Departure how) {
  if (S.phase == Phase::Lobby) return Fail("Your friend left before the game began.");
  if (S.phase != Phase::Playing || Lockstep().peer_gone) return;
  if (how == Departure::Closed) return HandOverFriendsSide("Your friend left: the computer plays their side.");
  S.friend_away_until = S.now_ms + ComeBackWithinMs;
}

// Back in the room after a drop, theirs or ours: what they may have missed goes again.
void BackTogether() {
  S.friend_away_until = S.back_until = -1;
  ResendRecentInputs();
}

void TakeRelayMessage(const RelayMessage& message) {
  switch (message.kind) {
    case MessageKind::Seated:
      if (S.back_until >= 0) return BackTogether();
      S.seat = message.seat;
      S.code = message.code;
      if (S.seat == Seat::Host) {
        std::printf("%s\n", message.code.c_str());
        std::fflush(stdout);
        ConnectionWords = "Room " + message.code + ": give your friend this code. Waiting for them...";
      } else {
        ConnectionWords = "In room " + message.code + ": the game starts in a moment...";
      }
      break;
    case MessageKind::FriendJoined: {
      const uint32_t seed = S.window.clock_seconds();
      SendGamePayload(StartPayload(seed, InputDelay, GameVersion()));
      BeginVersusGame(seed);
      break;
    }
    case MessageKind::Game:
      if (message.seat == S.seat) break;  // the relay stamps the sender: never our own seat
      if (S.phase == Phase::Lobby && S.seat == Seat::Friend) FriendStarts(message);
      else if (S.phase == Phase::Playing) TakePeerPayload(message.payload, S.now_ms);
      break;
    case MessageKind::FriendLeft: FriendLeaves(message.departure); break;
    case MessageKind::FriendBack:
      if (S.phase == Phase::Playing && !Lockstep().peer_gone) BackTogether();
      break;
    case MessageKind::Ticket: S.ticket = message.ticket; break;
    case MessageKind::Refused:
      if (S.phase == Phase::Playing) break;  // a seat not taken back: the next try, or the computer, follows
      Fail("The relay refused: " + std::string(RefusalText(message.refusal))); break;
    default: break;
  }
}

// Our line dropped mid-game: it is made again, and the seat taken back with
// its ticket, once a second until ComeBackWithinMs is over.
void LinkClosed() {
  const std::string problem = RelayLinkProblem().empty() ? "the relay closed the line" : RelayLinkProblem();
  if (S.phase == Phase::Lobby) return Fail("No game: " + problem + ".");
  if (S.phase != Phase::Playing || Lockstep().peer_gone) return;
  if (S.back_until < 0) S.back_until = S.now_ms + ComeBackWithinMs;
  if (S.ticket == 0 || S.now_ms >= S.back_until)
    return HandOverFriendsSide("The line to the relay is gone (" + problem + "): the computer plays your friend's side.");
  if (S.now_ms < S.next_try_ms) return;
  S.next_try_ms = S.now_ms + RetryEveryMs;
  std::string host;
  int port = 0;
  SplitRelayAddress(S.relay, host, port);
  StartRelayLink(host, static_cast<uint16_t>(port));
  SendOnRelayLink(RejoinMessage(S.code, S.seat, S.ticket));
}

// A friend who does not come back in time is gone.
void WaitForFriendsReturn() {
  if (S.friend_away_until >= 0 && S.now_ms >= S.friend_away_until)
    HandOverFriendsSide("Your friend's connection dropped: the computer plays their side.");
}

void TakeRelayMessages() {
  PollRelayLink();
  MessageBytes bytes;
  while (TakeRelayLinkMessage(bytes))
    if (const std::optional<RelayMessage> message = ReadRelayMessage(bytes)) TakeRelayMessage(*message);
  if (RelayLinkState() == LinkState::Closed) LinkClosed();
  WaitForFriendsReturn();
}

// The window's events: keys, pointer and buttons go into the player's next
// input; closing the window leaves the game as Escape does, as an input.
// False once the player has left a run that no longer plays.
bool TakeWindowEvents() {
  HostEvent event{};
  while (Host.poll_event(event)) {
    const bool playing = S.phase == Phase::Playing;
    switch (event.kind) {
      case EventKind::Quit: return false;
      case EventKind::Size: Host.keep_frame_viewport(event.a, event.b); break;
      case EventKind::Activate: break;  // a minimised window plays on: the friend is still there
      case EventKind::Close:
        if (!playing) return false;
        AddLocalEvent({.kind = EventKind::KeyDown, .a = KeyEscape});
        break;
      default:
        if (playing) AddLocalEvent(event);
        else if (event.kind == EventKind::KeyDown && event.a == KeyEscape) return false;
    }
  }
  return true;
}

uint16_t SampleInstantKeys() {
  KeyTable held{};
  S.window.sample_keys(held);
  uint16_t mask = 0;
  for (size_t i = 0; i < InstantKeys.size(); ++i)
    if (held[InstantKeys[i]]) mask |= static_cast<uint16_t>(1u << i);
  return mask;
}

void Draw() {
  if (Paused && VersusPlaying) {
    Host.present_paused_frame();
    return;
  }
  DrawStillFrame();
  Host.present_scaled_frame();
}

// A frame that does not move (the lobby, waiting, the end) is still drawn
// at the frame rate, so the window stays live and its words current.
void DrawAtFrameRate() {
  if (S.now_ms < S.next_draw_ms) return;
  S.next_draw_ms = S.now_ms + FramePeriodMs;
  DrawStillFrame();
  Host.present_scaled_frame();
}

void ShowConnection() {
  const LockstepStatus& status = Lockstep();
  if (!status.waiting) S.waiting_since_ms = -1;
  else if (S.waiting_since_ms < 0) S.waiting_since_ms = S.now_ms;
  char words[160];
  // The frame has room for the report's name; stderr has its whole path.
  const std::string report = status.report.substr(status.report.find_last_of("/\\") + 1);
  if (status.desync_turn >= 0)
    std::snprintf(words, sizeof words, "OUT OF STEP at turn %lld: %s", static_cast<long long>(status.desync_turn),
                  report.empty() ? "no report kept" : ("report " + report).c_str());
  else if (S.back_until >= 0)
    std::snprintf(words, sizeof words, "The line to the relay dropped: coming back (%.0f s left)...",
                  std::ceil((S.back_until - S.now_ms) / 1000));
  else if (S.friend_away_until >= 0)
    std::snprintf(words, sizeof words, "Your friend's line dropped: waiting %.0f s for them to come back...",
                  std::ceil((S.friend_away_until - S.now_ms) / 1000));
  else if (S.waiting_since_ms >= 0 && S.now_ms - S.waiting_since_ms >= WaitingShownAfterMs)
    std::snprintf(words, sizeof words, "Waiting for your friend...");
  else if (!S.friend_gone.empty())
    std::snprintf(words, sizeof words, "%s", S.friend_gone.c_str());
  else if (status.round_trip_ms >= 0)
    std::snprintf(words, sizeof words, "Round trip %.0f ms", status.round_trip_ms);
  else
    words[0] = '\0';
  ConnectionWords = words;
}

// A player left: the replay and the final state are written at this turn on both sides.
void EndVersusGame() {
  CloseVersusReplay();
  CloseRelayLink();
  S.leaving_until_ms = S.now_ms + LeavingForAtMostMs;
  // With --dump-final the run ends by itself, as scripts and tests need.
  const bool stays = LeftBy != LocalSeat() && S.options.dump_final.empty();
  S.phase = stays ? Phase::Over : Phase::Leaving;
  ConnectionWords.clear();
}

// A replay that stops taking data is told once; the game plays on.
void TellReplayFailure() {
  if (!VersusReplayFailed() || S.replay_failure_told) return;
  S.replay_failure_told = true;
  std::fprintf(stderr, "valdorik: the replay is no longer recorded: it cannot be written\n");
}

PassKind PlayingPass(bool drawn) {
  PingPeer(S.now_ms);
  const bool ran = TryNextTurn(SampleInstantKeys());
  TellReplayFailure();
  ShowConnection();
  if (!ran) {
    DrawAtFrameRate();
    return PassKind::Waiting;
  }
  if (IsVersusOver()) EndVersusGame();
  if (drawn) Draw();
  return PassKind::Idle;
}

PassKind VersusPass(bool drawn) {
  if (!TakeWindowEvents()) return PassKind::Done;
  TakeRelayMessages();
  if (S.phase == Phase::Playing) return PlayingPass(drawn);
  if (S.phase == Phase::Failed && !S.options.dump_final.empty()) return PassKind::Done;  // scripts end by themselves
  if (S.phase == Phase::Leaving)
    return RelayLinkState() == LinkState::Closed || S.now_ms >= S.leaving_until_ms ? PassKind::Done : PassKind::Waiting;
  DrawAtFrameRate();
  return PassKind::Waiting;
}

std::string UpperCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

// The watched versus replay, and whether its watcher has left.
VersusReplay Watched;

PassKind WatchingPass(bool drawn) {
  if (VersusWatcherLeft()) return PassKind::Done;
  if (!PlayVersusTurn()) return PassKind::Done;
  IdlePasses = VersusTurn;
  if (drawn) Draw();
  return PassKind::Idle;
}

}  // namespace

bool IsVersusRun(const GameOptions& options) { return options.host || !options.join.empty(); }

void StartVersusRun(const GameOptions& options) {
  S = {};
  S.options = options;
  S.window = BackendHost();
  S.relay = options.relay.empty() ? DefaultRelay : options.relay;
  Host = VersusHost(S.window);
  StartWorld();
  std::string host;
  int port = 0;
  SplitRelayAddress(S.relay, host, port);  // the command line has checked it
  const std::string code = UpperCase(options.join);
  if (!options.host && !IsRoomCode(code))
    return Fail("'" + options.join + "' is not a room code: it has " + std::to_string(RoomCodeLength) + " letters, or " +
                std::to_string(NamedRoomCodeLength) + " from a named relay.");
  StartRelayLink(host, static_cast<uint16_t>(port));
  SendOnRelayLink(options.host ? OpenMessage() : JoinMessage(code));
  ConnectionWords = "Reaching the relay at " + S.relay + "...";
}

bool StepVersusRun(double now_ms) {
  S.now_ms = now_ms;
  return StepLoop(now_ms, VersusPass);
}

// A turn waiting for the friend's input runs the moment it comes; the
// lobby and the end look at the network twice a frame.
double NextVersusStepMs(double now_ms) {
  if (S.phase != Phase::Playing) return now_ms + FramePeriodMs / 2;
  return Lockstep().waiting ? now_ms + WaitingPollMs : NextStepMs();
}

bool VersusRunFailed() { return S.failed; }

bool IsVersusReplayFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::string ignored;
  return ReadReplayBytes(path, bytes, ignored) && IsVersusReplay(bytes);
}

bool StartVersusReplay(const GameOptions& options) {
  std::string error;
  if (!ReadVersusReplayFile(options.replay, Watched, error)) {
    std::fprintf(stderr, "valdorik: %s\n", error.c_str());
    return false;
  }
  if (!Watched.complete) std::fprintf(stderr, "valdorik: %s\n", Watched.cut_note.c_str());
  Host = VersusHost(BackendHost());
  StartWorld();
  StartVersusPlayback(Watched, options.seat);
  WatchedReplay = {.shown = true, .passes = Watched.turns, .ended = false};
  ClockStarted = false;
  return true;
}

bool StepVersusReplay(double now_ms) { return StepLoop(now_ms, WatchingPass); }

bool VersusWatcherLeft() {
  HostEvent event{};
  while (Host.poll_event(event)) {
    if (event.kind == EventKind::Size) Host.keep_frame_viewport(event.a, event.b);
    if (event.kind == EventKind::Quit || event.kind == EventKind::Close) return true;
    if (event.kind == EventKind::KeyDown && event.a == KeyEscape) return true;
  }
  return false;
}
