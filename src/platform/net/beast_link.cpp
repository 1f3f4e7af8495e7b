// The relay link on Boost.Beast. Every step is asynchronous, on an
// io_context that only PollRelayLink runs, with poll() (never run()): the
// game's own thread does all the work, a little each step, and no call
// waits. Handlers run only inside PollRelayLink, never inside the call that
// started their operation.
#include "platform/net/relay_link.h"

#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>
#include <chrono>
#include <deque>
#include <memory>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

namespace {

// The relay's own limit unless it was started with another (docs/relay.md).
constexpr size_t MaxMessageBytes = 4096;
constexpr auto ConnectTimeout = std::chrono::seconds(10);
// The relay pings a silent line every 7.5 s, and we ping at half of this:
// a line that says nothing for so long is gone, even when no error says so.
constexpr auto SilenceTimeout = std::chrono::seconds(20);

struct Link {
  asio::io_context io;
  tcp::resolver resolver{io};
  websocket::stream<beast::tcp_stream> ws{io};
  std::string address;  // host:port, for the handshake and the problem's words
  LinkState state = LinkState::Connecting;
  std::string problem;
  bool closing = false;  // CloseRelayLink was called: nothing more is queued
  bool writing = false;  // a write or the close is under way (Beast takes one at a time)
  std::deque<MessageBytes> outgoing;  // the front is the one being written
  beast::flat_buffer reading;
  std::deque<MessageBytes> incoming;
};

// Replaced whole by each StartRelayLink: the old io_context goes with it,
// and its pending handlers are destroyed without being run.
std::unique_ptr<Link> current;

std::string Words(beast::error_code error) {
  if (error == asio::error::eof) return "the relay hung up";
  if (error == beast::error::timeout) return "no answer in time";
  return error.message();
}

// The first ending wins; what is still pending then finishes with nothing to do.
void Finish(Link& l, std::string problem) {
  if (l.state == LinkState::Closed) return;
  l.state = LinkState::Closed;
  l.problem = std::move(problem);
  l.resolver.cancel();
  beast::error_code ignored;
  beast::get_lowest_layer(l.ws).socket().close(ignored);
}

// Why a read ended the link: nothing for our own close, nor for the relay's
// normal one (after a refusal, which the player reads in its message).
std::string ReadProblem(const Link& l, beast::error_code error) {
  if (l.closing) return "";
  if (error != websocket::error::closed) return "lost the connection to " + l.address + ": " + Words(error);
  const auto code = l.ws.reason().code;
  if (code == websocket::close_code::normal) return "";
  return "the relay at " + l.address + " closed the connection (code " + std::to_string(code) + ")";
}

void ReadNext(Link& l) {
  l.ws.async_read(l.reading, [&l](beast::error_code error, size_t) {
    if (l.state == LinkState::Closed) return;
    if (error) return Finish(l, ReadProblem(l, error));
    const auto* first = static_cast<const uint8_t*>(l.reading.cdata().data());
    l.incoming.emplace_back(first, first + l.reading.size());
    l.reading.consume(l.reading.size());
    ReadNext(l);
  });
}

// The next queued message, or the close once the queue is empty.
void WriteNext(Link& l) {
  if (l.state != LinkState::Open || l.writing) return;
  if (l.outgoing.empty() && !l.closing) return;
  l.writing = true;
  if (l.outgoing.empty()) {
    l.ws.async_close(websocket::close_code::normal, [&l](beast::error_code) { Finish(l, ""); });
    return;
  }
  l.ws.async_write(asio::buffer(l.outgoing.front()), [&l](beast::error_code error, size_t) {
    l.writing = false;
    if (l.state == LinkState::Closed) return;
    if (error) return Finish(l, "lost the connection to " + l.address + ": " + Words(error));
    l.outgoing.pop_front();
    WriteNext(l);
  });
}

void Handshake(Link& l) {
  auto& line = beast::get_lowest_layer(l.ws);
  line.expires_never();  // the WebSocket's own timeouts take over from here
  beast::error_code ignored;
  line.socket().set_option(tcp::no_delay(true), ignored);  // a frame's input goes at once
  l.ws.set_option(websocket::stream_base::timeout{ConnectTimeout, SilenceTimeout, true});
  l.ws.read_message_max(MaxMessageBytes);
  l.ws.binary(true);
  l.ws.async_handshake(l.address, "/", [&l](beast::error_code error) {
    if (l.state == LinkState::Closed) return;
    if (error) return Finish(l, "no relay answers at " + l.address + ": " + Words(error));
    l.state = LinkState::Open;
    ReadNext(l);
    WriteNext(l);
  });
}

}  // namespace

void StartRelayLink(const std::string& host, uint16_t port) {
  current = std::make_unique<Link>();
  Link& l = *current;
  l.address = host + ":" + std::to_string(port);
  l.resolver.async_resolve(host, std::to_string(port), [&l](beast::error_code error, tcp::resolver::results_type found) {
    if (l.state == LinkState::Closed) return;
    if (error) return Finish(l, "cannot reach " + l.address + ": " + Words(error));
    beast::get_lowest_layer(l.ws).expires_after(ConnectTimeout);
    beast::get_lowest_layer(l.ws).async_connect(found, [&l](beast::error_code error, const tcp::endpoint&) {
      if (l.state == LinkState::Closed) return;
      if (error) return Finish(l, "cannot reach " + l.address + ": " + Words(error));
      Handshake(l);
    });
  });
}

void PollRelayLink() {
  if (!current) return;
  current->io.restart();  // poll() leaves it stopped whenever it ran out of work
  current->io.poll();
}

void SendOnRelayLink(std::span<const uint8_t> message) {
  if (!current || current->closing || current->state == LinkState::Closed) return;
  current->outgoing.emplace_back(message.begin(), message.end());
  WriteNext(*current);
}

bool TakeRelayLinkMessage(MessageBytes& message) {
  if (!current || current->incoming.empty()) return false;
  message = std::move(current->incoming.front());
  current->incoming.pop_front();
  return true;
}

LinkState RelayLinkState() { return current ? current->state : LinkState::Closed; }

const std::string& RelayLinkProblem() {
  static const std::string none;
  return current ? current->problem : none;
}

void CloseRelayLink() {
  if (!current || current->closing || current->state == LinkState::Closed) return;
  current->closing = true;
  if (current->state == LinkState::Connecting) return Finish(*current, "");
  WriteNext(*current);
}
