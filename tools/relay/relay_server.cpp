#include "relay_server.h"

#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
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
#include <utility>

#include "rooms.h"

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

struct Connection {
  explicit Connection(tcp::socket socket) : ws(std::move(socket)) {}
  websocket::stream<beast::tcp_stream> ws;
  beast::flat_buffer buffer{};
  std::deque<MessageBytes> outbox{};
  bool writing = false;
  std::optional<websocket::close_code> close_when_sent;  // set once: nothing is read or sent after it
  bool close_started = false;
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

// A handshake, or a close, that takes longer gives up. A player's line that
// is silent half the idle time is pinged (browsers answer on their own), and
// dropped when the whole idle time passes with nothing from it.
const websocket::stream_base::timeout Timeouts{
    .handshake_timeout = std::chrono::seconds(10), .idle_timeout = std::chrono::seconds(15), .keep_alive_pings = true};

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

void CarryOut(Relay& relay, ConnectionId sender, RelayActions actions) {
  for (auto& [to, bytes] : actions.sends) {
    if (const auto found = relay.connections.find(to); found != relay.connections.end())
      Send(found->second, std::move(bytes));
  }
  if (actions.close_sender) {
    CloseWhenSent(relay.connections.at(sender), *actions.close_sender == Closing::Malformed
                                                    ? websocket::close_code::policy_error
                                                    : websocket::close_code::normal);
  }
  for (const std::string& line : actions.log) relay.out << "valdorik-relay: " << line << std::endl;
}

RelayActions OnMessageOrCutOff(Relay& relay, ConnectionId from, std::span<const uint8_t> bytes, bool binary) {
  try {
    return OnMessage(relay.rooms, from, bytes, binary);
  } catch (const std::exception& fault) {  // out of memory, or the OS's random source failing
    relay.err << "valdorik-relay: " << fault.what() << "; a connection was closed\n";
    RelayActions actions = OnGone(relay.rooms, from, Departure::Lost);
    actions.close_sender = Closing::Malformed;
    return actions;
  }
}

void ReadNext(Relay& relay, ConnectionId id, const ConnectionPtr& connection) {
  connection->ws.async_read(connection->buffer, [&relay, id, connection](beast::error_code error, size_t) {
    if (error) {
      const Departure how = error == websocket::error::closed ? Departure::Closed : Departure::Lost;
      CarryOut(relay, id, OnGone(relay.rooms, id, how));
      relay.connections.erase(id);
      return;
    }
    if (!connection->close_when_sent) {
      const auto data = connection->buffer.cdata();
      const std::span bytes(static_cast<const uint8_t*>(data.data()), data.size());
      CarryOut(relay, id, OnMessageOrCutOff(relay, id, bytes, connection->ws.got_binary()));
    }
    connection->buffer.consume(connection->buffer.size());
    ReadNext(relay, id, connection);
  });
}

void Serve(Relay& relay, tcp::socket socket) {
  const auto connection = std::make_shared<Connection>(std::move(socket));
  connection->ws.set_option(Timeouts);
  connection->ws.read_message_max(relay.options.max_message);
  connection->ws.binary(true);
  connection->ws.async_accept([&relay, connection](beast::error_code error) {
    if (error) return;
    const ConnectionId id = relay.next_id++;
    relay.connections[id] = connection;
    ReadNext(relay, id, connection);
  });
}

void Listen(Relay& relay, tcp::acceptor& acceptor) {
  acceptor.async_accept([&relay, &acceptor](beast::error_code error, tcp::socket socket) {
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
  asio::io_context io;
  tcp::acceptor acceptor(io);
  beast::error_code error;
  const tcp::endpoint everywhere(tcp::v4(), options.port);
  acceptor.open(everywhere.protocol(), error);
  if (!error) acceptor.set_option(tcp::acceptor::reuse_address(true), error);
  if (!error) acceptor.bind(everywhere, error);
  if (!error) acceptor.listen(asio::socket_base::max_listen_connections, error);
  if (error) {
    err << "valdorik-relay: cannot listen on port " << options.port << ": " << error.message() << "\n";
    return 1;
  }
  out << "valdorik-relay: listening on port " << acceptor.local_endpoint().port() << "; at most "
      << options.max_rooms << " rooms, messages of at most " << options.max_message << " bytes" << std::endl;

  Relay relay{.options = options, .rooms = {.most_rooms = options.max_rooms}, .out = out, .err = err};
  asio::signal_set stop_signals(io, SIGINT, SIGTERM);
  stop_signals.async_wait([&](beast::error_code, int) {
    out << "valdorik-relay: stopped" << std::endl;
    io.stop();
  });
  Listen(relay, acceptor);
  io.run();
  return 0;
}
