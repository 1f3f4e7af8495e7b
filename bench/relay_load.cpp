// A load on valdorik-relay: N rooms of two seats, each seat sending its turn
// inputs (three turns to a message: 20 a second) and a hash once a second, as a
// versus game does,
// spread evenly over the frame. It measures the messages passed a second,
// the added delay (a message's send to its receipt, on one clock), and the
// relay's CPU and memory from /proc. Run by hand (docs/relay.md, "Under load"):
//   build/valdorik-relay --port 6473 --max-rooms 100000 --rooms-per-address 100000 &
//   build/valdorik-relay-load --rooms 1000 --relay-pid $! [--threads 2] [--seconds 20] [HOST [PORT]]
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

#include <unistd.h>

#include "lockstep/peer_messages.h"
#include "loop/game_clock.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "versus/relay_messages.h"

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

constexpr int MessagesPerSecond = FramesPerSecond / TurnsPerMessage;
constexpr auto Frame = std::chrono::nanoseconds(1'000'000'000 / MessagesPerSecond);
constexpr size_t TurnPayloadBytes = 32;  // three turns, one with a key or a pointer move in it

struct Options {
  std::string host = "127.0.0.1";
  uint16_t port = DefaultRelayPort;
  int rooms = 100;
  int threads = 1;
  int seconds = 20;
  int relay_pid = 0;
};

// Delays in 10 us steps up to 2 s; the last step holds everything longer.
struct Histogram {
  std::vector<uint64_t> counts = std::vector<uint64_t>(200'001);
  uint64_t total = 0;
  void Add(Clock::duration delay) {
    const auto step = std::chrono::duration_cast<std::chrono::microseconds>(delay).count() / 10;
    counts[size_t(std::clamp<int64_t>(step, 0, int64_t(counts.size()) - 1))] += 1;
    total += 1;
  }
  void Merge(const Histogram& other) {
    for (size_t i = 0; i < counts.size(); ++i) counts[i] += other.counts[i];
    total += other.total;
  }
  double PercentileMs(double percent) const {
    uint64_t seen = 0;
    const auto wanted = uint64_t(double(total) * percent / 100.0);
    for (size_t i = 0; i < counts.size(); ++i)
      if ((seen += counts[i]) > wanted) return double(i) / 100.0;
    return 0;
  }
};

struct Worker;

struct Player {
  Player(Worker& worker, asio::io_context& io, int room, bool host) : worker(worker), ws(io), room(room), host(host) {}
  Worker& worker;
  // On the io_context's own executor, as the relay's lines are: a type-erased one costs every operation.
  websocket::stream<beast::basic_stream<tcp, asio::io_context::executor_type>> ws;
  int room;
  bool host;
  beast::flat_buffer buffer{};
  std::deque<MessageBytes> outbox{};
  bool writing = false;
  Player* partner = nullptr;
  Clock::time_point due{};
  int frames = 0;
};

struct Worker {
  asio::io_context io{1};
  const Options& options;
  std::vector<int> rooms;  // this worker's share
  std::vector<std::unique_ptr<Player>> players{};  // host, friend, host, friend...
  size_t next_room = 0, cursor = 0;
  std::atomic<int>& ready;
  std::atomic<bool>& measuring;
  Histogram delays{}, lateness{};
  uint64_t sent = 0, received = 0, dropped = 0, failures = 0;
  asio::steady_timer ticker{io};
};

void Write(Player& p);

void Send(Player& p, uint8_t kind, Clock::time_point now) {
  if (p.outbox.size() > 600) {  // ten seconds behind: the line is stuck
    p.worker.dropped += 1;
    return;
  }
  MessageBytes payload(TurnPayloadBytes, 0x5a);
  payload[0] = kind;
  const int64_t stamp = now.time_since_epoch().count();
  std::memcpy(payload.data() + 1, &stamp, sizeof stamp);
  p.outbox.push_back(GameMessage(p.host ? Seat::Host : Seat::Friend, payload));
  if (p.worker.measuring) p.worker.sent += 1;
  if (!p.writing) Write(p);
}

void Write(Player& p) {
  if (p.outbox.empty()) return;
  p.writing = true;
  p.ws.async_write(asio::buffer(p.outbox.front()), [&p](beast::error_code error, size_t) {
    p.writing = false;
    if (error) return void(p.worker.failures += 1);
    p.outbox.pop_front();
    Write(p);
  });
}

void JoinNextRoom(Worker& w);
void Start(Player& p, MessageBytes first);

void Received(Player& p, std::span<const uint8_t> bytes) {
  const auto now = Clock::now();
  if (bytes.empty()) return;
  if (bytes[0] == uint8_t(MessageKind::Game) && bytes.size() >= 2 + 9) {
    int64_t stamp = 0;
    std::memcpy(&stamp, bytes.data() + 3, sizeof stamp);
    if (p.worker.measuring) {
      p.worker.received += 1;
      p.worker.delays.Add(now - Clock::time_point(Clock::duration(stamp)));
    }
    return;
  }
  const auto message = ReadRelayMessage(bytes);
  if (!message || message->kind != MessageKind::Seated) return;
  if (p.host) return Start(*p.partner, JoinMessage(message->code));  // the friend joins with the code
  p.worker.ready += 1;
  JoinNextRoom(p.worker);
}

void ReadNext(Player& p) {
  p.ws.async_read(p.buffer, [&p](beast::error_code error, size_t) {
    if (error) return void(p.worker.failures += 1);
    const auto data = p.buffer.cdata();
    Received(p, {static_cast<const uint8_t*>(data.data()), data.size()});
    p.buffer.consume(p.buffer.size());
    ReadNext(p);
  });
}

// Connects, shakes hands, sends `first` and reads from then on.
void Start(Player& p, MessageBytes first) {
  Worker& w = p.worker;
  auto endpoint = tcp::endpoint(asio::ip::make_address(w.options.host), w.options.port);
  beast::get_lowest_layer(p.ws).async_connect(endpoint, [&p, first = std::move(first)](beast::error_code error) mutable {
    if (error) return void(p.worker.failures += 1);
    beast::get_lowest_layer(p.ws).socket().set_option(tcp::no_delay(true));  // as the game's link does
    p.ws.binary(true);
    p.ws.async_handshake(p.worker.options.host, "/", [&p, first = std::move(first)](beast::error_code error) mutable {
      if (error) return void(p.worker.failures += 1);
      p.outbox.push_back(std::move(first));
      Write(p);
      ReadNext(p);
    });
  });
}

void JoinNextRoom(Worker& w) {
  if (w.next_room == w.rooms.size()) return;
  const size_t index = w.next_room++;
  Start(*w.players[2 * index], OpenMessage());
}

// Every seat whose moment in the frame has come sends its turn (and, every
// 60th, its hash); the seats are spread evenly over the frame.
void Tick(Worker& w) {
  w.ticker.expires_after(std::chrono::milliseconds(1));
  w.ticker.async_wait([&w](beast::error_code error) {
    if (error) return;
    const auto now = Clock::now();
    for (size_t seen = 0; seen < w.players.size(); ++seen) {
      Player& p = *w.players[w.cursor];
      if (p.due > now) break;
      if (w.measuring) w.lateness.Add(now - p.due);
      Send(p, 2, now);
      if (++p.frames % MessagesPerSecond == 0) Send(p, 3, now);
      p.due += Frame;
      w.cursor = (w.cursor + 1) % w.players.size();
    }
    Tick(w);
  });
}

struct ProcessUse {
  double cpu_seconds = 0;
  double rss_mb = 0;
};

ProcessUse UseOf(int pid) {
  ProcessUse use;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  std::istringstream after_name(line.substr(line.rfind(')') + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && after_name >> field; ++i) {
    if (i == 14) utime = std::stoull(field);
    if (i == 15) stime = std::stoull(field);
  }
  use.cpu_seconds = double(utime + stime) / double(sysconf(_SC_CLK_TCK));
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) use.rss_mb = std::stod(line.substr(6)) / 1024.0;
  return use;
}

}  // namespace

int Usage() {
  std::fprintf(stderr,
               "usage: valdorik-relay-load [--rooms N] [--threads 1|2] [--seconds N] [--relay-pid PID] [HOST [PORT]]\n");
  return 2;
}

int main(int argc, char** argv) {
  Options options;
  int place = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view word = argv[i];
    const bool has_value = i + 1 < argc;
    if (word == "--rooms" && has_value) options.rooms = std::max(1, std::atoi(argv[++i]));
    else if (word == "--threads" && has_value) options.threads = std::clamp(std::atoi(argv[++i]), 1, 2);
    else if (word == "--seconds" && has_value) options.seconds = std::max(1, std::atoi(argv[++i]));
    else if (word == "--relay-pid" && has_value) options.relay_pid = std::atoi(argv[++i]);
    else if (word.starts_with("-") || place > 1) return Usage();
    else if (place++ == 0) options.host = argv[i];
    else options.port = uint16_t(std::atoi(argv[i]));
  }

  std::atomic<int> ready{0};
  std::atomic<bool> measuring{false};
  std::vector<std::unique_ptr<Worker>> workers;
  for (int t = 0; t < options.threads; ++t)
    workers.push_back(std::unique_ptr<Worker>(new Worker{.options = options, .rooms = {}, .ready = ready, .measuring = measuring}));
  for (int room = 0; room < options.rooms; ++room) workers[size_t(room % options.threads)]->rooms.push_back(room);
  for (auto& w : workers) {
    for (int room : w->rooms)
      for (bool host : {true, false}) w->players.push_back(std::make_unique<Player>(*w, w->io, room, host));
    for (size_t i = 0; i < w->players.size(); i += 2) {
      w->players[i]->partner = w->players[i + 1].get();
      w->players[i + 1]->partner = w->players[i].get();
    }
    for (int chain = 0; chain < 32; ++chain) JoinNextRoom(*w);
  }
  std::vector<std::thread> threads;
  for (auto& w : workers)
    threads.emplace_back([&w] {
      auto guard = asio::make_work_guard(w->io);
      w->io.run();
    });

  const auto set_up_by = Clock::now() + std::chrono::seconds(120);
  while (ready < options.rooms && Clock::now() < set_up_by) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (ready < options.rooms) {
    std::fprintf(stderr, "valdorik-relay-load: only %d of %d rooms were set up\n", ready.load(), options.rooms);
    for (auto& w : workers) w->io.stop();
    for (auto& t : threads) t.join();
    return 1;
  }
  const auto start = Clock::now();
  for (auto& w : workers) {
    asio::post(w->io, [&w, start] {
      for (size_t i = 0; i < w->players.size(); ++i) w->players[i]->due = start + Frame * i / w->players.size();
      Tick(*w);
    });
  }
  std::this_thread::sleep_for(std::chrono::seconds(2));  // the first messages find the relay's buffers cold
  const ProcessUse relay_before = options.relay_pid ? UseOf(options.relay_pid) : ProcessUse{};
  const ProcessUse self_before = UseOf(getpid());
  measuring = true;
  std::this_thread::sleep_for(std::chrono::seconds(options.seconds));
  measuring = false;
  const ProcessUse relay_after = options.relay_pid ? UseOf(options.relay_pid) : ProcessUse{};
  const ProcessUse self_after = UseOf(getpid());
  for (auto& w : workers) w->io.stop();
  for (auto& t : threads) t.join();

  Histogram delays, lateness;
  uint64_t sent = 0, received = 0, dropped = 0, failures = 0;
  for (auto& w : workers) {
    delays.Merge(w->delays);
    lateness.Merge(w->lateness);
    sent += w->sent, received += w->received, dropped += w->dropped, failures += w->failures;
  }
  const double seconds = options.seconds;
  std::printf("rooms %d, threads %d: %.0f messages/s passed (%.0f sent), delay p50 %.2f ms p99 %.2f ms; "
              "relay CPU %.0f%% of a core, RSS %.1f MB; generator CPU %.0f%%, late p99 %.2f ms; %llu dropped, "
              "%llu failures\n",
              options.rooms, options.threads, double(received) / seconds, double(sent) / seconds,
              delays.PercentileMs(50), delays.PercentileMs(99),
              100.0 * (relay_after.cpu_seconds - relay_before.cpu_seconds) / seconds, relay_after.rss_mb,
              100.0 * (self_after.cpu_seconds - self_before.cpu_seconds) / seconds, lateness.PercentileMs(99),
              (unsigned long long)dropped, (unsigned long long)failures);
  return failures == 0 ? 0 : 1;
}
