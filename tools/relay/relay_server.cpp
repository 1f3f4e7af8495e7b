#include "relay_server.h"

#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <chrono>
#include <csignal>
#include <deque>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <utility>

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;
// The players' lines on the io_context's own executor rather than Asio's
// type-erased one, which every operation copied and destroyed.
using Executor = asio::io_context::executor_type;
using Socket = asio::basic_stream_socket<tcp, Executor>;
using Acceptor = asio::basic_socket_acceptor<tcp, Executor>;

struct Connection {
  explicit Connection(Socket socket) : ws(std::move(socket)) {}
  websocket::stream<beast::basic_stream<tcp, Executor>> ws;
  std::string address{};  // the player's IP address
  beast::flat_buffer buffer{};
  http::request<http::empty_body> request{};  // the opening request: a WebSocket upgrade, or a health check
  std::deque<MessageBytes> outbox{};
  bool writing = false;
  std::optional<websocket::close_code> close_when_sent;  // set once: nothing is read or sent after it
  bool close_started = false;
  Clock::time_point heard{};  // the last frame read from the player, the answer to a ping included
  bool pinged = false;  // since then
};
using ConnectionPtr = std::shared_ptr<Connection>;

struct Relay {
  RelayOptions options;
  Rooms rooms;
  std::map<ConnectionId, ConnectionPtr> connections{};
  ConnectionId next_id = 1;
  std::ostream& out;
  std::ostream& err;
};

// A handshake, or a close, that takes longer gives up. Silent lines are
// looked for once a second (WatchSilentLines), not by Beast's idle timeout,
// which re-arms a timer for every message read: at a thousand rooms that was
// a good part of the relay's work.
websocket::stream_base::timeout Timeouts(const RelayOptions& options) {
  return {.handshake_timeout = options.handshake_time, .idle_timeout = websocket::stream_base::none(),
          .keep_alive_pings = false};
}

void Heard(Connection& c) {
  c.heard = Clock::now();
  c.pinged = false;
}

// A player's line that is silent half the idle time is pinged (browsers
// answer on their own), and dropped when the whole idle time passes with
// nothing from it, the ping unanswered: its reader then sees it end and tells
// its room. A line is never dropped unpinged, however late the look.
void WatchSilentLines(Relay& relay, Clock::time_point now) {
  for (const auto& entry : relay.connections) {
    const ConnectionPtr& connection = entry.second;
    Connection& c = *connection;
    const auto silent = now - c.heard;
    if (silent >= relay.options.idle_time && (c.pinged || c.close_when_sent)) {
      beast::get_lowest_layer(c.ws).close();
    } else if (silent >= relay.options.idle_time / 2 && !c.pinged && !c.close_when_sent) {
      c.pinged = true;
      c.ws.async_ping({}, [connection](beast::error_code) {});  // Beast holds it until a write under way ends
    }
  }
}

websocket::close_code CloseCode(Closing why) {
  switch (why) {
    case Closing::AfterRefusal: return websocket::close_code::normal;
    case Closing::Malformed: return websocket::close_code::policy_error;
    case Closing::TooFast: return websocket::close_code(TooFastCloseCode);
    case Closing::Expired: return websocket::close_code(ExpiredCloseCode);
  }
  return websocket::close_code::policy_error;
}

// One write at a time (Beast's rule): each finished write starts the next,
// and the close goes after the last.
void WriteNext(const ConnectionPtr& connection) {
  Connection& c = *connection;
  if (c.outbox.empty()) {
    if (c.close_when_sent && !c.close_started) {
      c.close_started = true;
      c.ws.async_close(*c.close_when_sent, [connection](beast::error_code) {});
    }
    return;
  }
  c.writing = true;
  c.ws.async_write(asio::buffer(c.outbox.front()), [connection](beast::error_code error, size_t) {
    connection->writing = false;
    if (error) return;  // the connection's reader sees it end and tells its room
    connection->outbox.pop_front();
    WriteNext(connection);
  });
}

void Send(const ConnectionPtr& connection, MessageBytes bytes) {
  if (connection->close_when_sent) return;
  if (connection->outbox.size() >= MostWaitingMessages) {
    beast::get_lowest_layer(connection->ws).close();
    return;
  }
  connection->outbox.push_back(std::move(bytes));
  if (!connection->writing) WriteNext(connection);
}

void CloseWhenSent(const ConnectionPtr& connection, websocket::close_code code) {
  connection->close_when_sent = code;
  if (!connection->writing) WriteNext(connection);
}

void CarryOut(Relay& relay, RelayActions actions) {
  for (auto& [to, bytes] : actions.sends) {
    if (const auto found = relay.connections.find(to); found != relay.connections.end())
      Send(found->second, std::move(bytes));
  }
  for (const auto& [who, why] : actions.closes) {
    if (const auto found = relay.connections.find(who); found != relay.connections.end())
      CloseWhenSent(found->second, CloseCode(why));
  }
  for (const std::string& line : actions.log) relay.out << "valdorik-relay: " << line << std::endl;
}

RelayActions OnMessageOrCutOff(Relay& relay, const Received& message) {
  try {
    return OnMessage(relay.rooms, message);
  } catch (const std::exception& fault) {  // out of memory, or the OS's random source failing
    relay.err << "valdorik-relay: " << fault.what() << "; a connection was closed\n";
    RelayActions actions = OnGone(relay.rooms, message.from, Departure::Lost);
    actions.closes.push_back({message.from, Closing::Malformed});
    return actions;
  }
}

void ReadNext(Relay& relay, ConnectionId id, const ConnectionPtr& connection) {
  connection->ws.async_read(connection->buffer, [&relay, id, connection](beast::error_code error, size_t) {
    if (error) {
      const Departure how = error == websocket::error::closed ? Departure::Closed : Departure::Lost;
      CarryOut(relay, OnGone(relay.rooms, id, how));
      relay.connections.erase(id);
      return;
    }
    Heard(*connection);
    if (!connection->close_when_sent) {
      const auto data = connection->buffer.cdata();
      const std::span bytes(static_cast<const uint8_t*>(data.data()), data.size());
      CarryOut(relay, OnMessageOrCutOff(relay, {.from = id, .address = connection->address, .bytes = bytes,
                                                .binary = connection->ws.got_binary(),
                                                .now = connection->heard}));
    }
    connection->buffer.consume(connection->buffer.size());
    ReadNext(relay, id, connection);
  });
}

// A load balancer's question, answered with one line and the end of the connection.
void AnswerHealthCheck(Relay& relay, const ConnectionPtr& connection) {
  const http::request<http::empty_body>& request = connection->request;
  const bool health = request.method() == http::verb::get && request.target() == "/health";
  const auto response = std::make_shared<http::response<http::string_body>>(
      health ? http::status::ok : http::status::not_found, request.version());
  response->set(http::field::content_type, "text/plain");
  response->body() = health ? "ok " + std::to_string(relay.rooms.by_code.size()) + " rooms\n" : "not found\n";
  response->keep_alive(false);
  response->prepare_payload();
  auto& stream = beast::get_lowest_layer(connection->ws);
  http::async_write(stream, *response, [connection, response](beast::error_code, size_t) {
    beast::error_code ignored;
    beast::get_lowest_layer(connection->ws).socket().shutdown(tcp::socket::shutdown_both, ignored);
  });
}

// The opening request is read by Beast's HTTP parser: a WebSocket upgrade
// becomes a player's connection, anything else is a health check. The whole
// of it must come within the handshake time.
void Serve(Relay& relay, Socket socket) {
  const auto connection = std::make_shared<Connection>(std::move(socket));
  beast::error_code no_address, no_delay;
  connection->address = beast::get_lowest_layer(connection->ws).socket().remote_endpoint(no_address).address().to_string();
  // A message passed on goes at once, not held back to join the next (Nagle).
  beast::get_lowest_layer(connection->ws).socket().set_option(tcp::no_delay(true), no_delay);
  beast::get_lowest_layer(connection->ws).expires_after(relay.options.handshake_time);
  http::async_read(beast::get_lowest_layer(connection->ws), connection->buffer, connection->request,
                   [&relay, connection](beast::error_code error, size_t) {
    if (error) return;
    if (!websocket::is_upgrade(connection->request)) return AnswerHealthCheck(relay, connection);
    beast::get_lowest_layer(connection->ws).expires_never();  // the WebSocket's own timeouts take over
    connection->buffer.consume(connection->buffer.size());  // a client sends nothing more before its answer
    connection->ws.set_option(Timeouts(relay.options));
    connection->ws.read_message_max(relay.options.max_message);
    connection->ws.binary(true);
    connection->ws.async_accept(connection->request, [&relay, connection](beast::error_code error) {
      if (error) return;
      const ConnectionId id = relay.next_id++;
      relay.connections[id] = connection;
      Heard(*connection);
      connection->ws.control_callback([&c = *connection](websocket::frame_type, beast::string_view) { Heard(c); });
      ReadNext(relay, id, connection);
    });
  });
}

// Rooms idle past their limits are closed, and silent lines pinged or
// dropped, looked at once a second.
void ExpireIdle(Relay& relay, asio::steady_timer& timer) {
  timer.expires_after(std::chrono::seconds(1));
  timer.async_wait([&relay, &timer](beast::error_code error) {
    if (error) return;
    const auto now = Clock::now();
    CarryOut(relay, OnTick(relay.rooms, now));
    WatchSilentLines(relay, now);
    ExpireIdle(relay, timer);
  });
}

void Listen(Relay& relay, Acceptor& acceptor) {
  acceptor.async_accept([&relay, &acceptor](beast::error_code error, Socket socket) {
    if (!error) {
      Serve(relay, std::move(socket));
      Listen(relay, acceptor);
      return;
    }
    // Out of file descriptors, say: the connections already served go on,
    // and accepting tries again shortly rather than spinning.
    relay.err << "valdorik-relay: accepting a connection: " << error.message() << "\n";
    const auto pause = std::make_shared<asio::steady_timer>(acceptor.get_executor(), std::chrono::milliseconds(100));
    pause->async_wait([&relay, &acceptor, pause](beast::error_code) { Listen(relay, acceptor); });
  });
}

}  // namespace

int RunRelay(const RelayOptions& options, std::ostream& out, std::ostream& err) {
  // One thread does everything, the signals' handling included: Asio leaves out its locks.
  asio::io_context io{BOOST_ASIO_CONCURRENCY_HINT_UNSAFE};
  Acceptor acceptor(io.get_executor());
  beast::error_code error;
  const tcp::endpoint everywhere(tcp::v4(), options.port);
  acceptor.open(everywhere.protocol(), error);
  if (!error) acceptor.set_option(Acceptor::reuse_address(true), error);
  if (!error) acceptor.bind(everywhere, error);
  if (!error) acceptor.listen(asio::socket_base::max_listen_connections, error);
  if (error) {
    err << "valdorik-relay: cannot listen on port " << options.port << ": " << error.message() << "\n";
    return 1;
  }
  out << "valdorik-relay: listening on port " << acceptor.local_endpoint().port() << "; at most "
      << options.limits.most_rooms << " rooms, messages of at most " << options.max_message << " bytes" << std::endl;

  Relay relay{.options = options, .rooms = {.limits = options.limits}, .out = out, .err = err};
  asio::signal_set stop_signals(io, SIGINT, SIGTERM);
  stop_signals.async_wait([&](beast::error_code, int) {
    out << "valdorik-relay: stopped" << std::endl;
    io.stop();
  });
  Listen(relay, acceptor);
  asio::steady_timer expiry(io);
  ExpireIdle(relay, expiry);
  io.run();
  return 0;
}
