// The relay link in a browser, on the browser's own WebSocket (Emscripten's
// websocket.h). The browser connects, reads and writes by itself and calls
// back between the page's tasks, never during a game step: the callbacks
// only keep what they hear for the game's next poll, so PollRelayLink has
// nothing to do. A message heard while the tab is hidden also steps the
// game (RelayMessageHeard), as a hidden tab's timers may come once a second.
#include <emscripten.h>
#include <emscripten/websocket.h>

#include <cctype>
#include <cstring>
#include <deque>

#include "platform/net/relay_link.h"
#include "platform/web/host.h"

namespace {

// The relay's own limit unless it was started with another (docs/relay.md).
constexpr uint32_t MaxMessageBytes = 4096;
constexpr unsigned short NormalClose = 1000;

struct Link {
  EMSCRIPTEN_WEBSOCKET_T socket = 0;
  std::string address;  // host:port, for the problem's words
  LinkState state = LinkState::Closed;
  std::string problem;
  bool closing = false;  // CloseRelayLink was called: nothing more is sent
  std::deque<MessageBytes> outgoing;  // sent while Connecting: they go once the line is open
  std::deque<MessageBytes> incoming;
} L;

// The link's end, the first one told: the socket is let go, with its
// callbacks, so that a later link never hears an old one's.
void Finish(std::string problem) {
  if (L.state == LinkState::Closed) return;
  L.state = LinkState::Closed;
  L.problem = std::move(problem);
  L.outgoing.clear();
  if (L.socket > 0) {
    unsigned short ready = 0;
    emscripten_websocket_get_ready_state(L.socket, &ready);
    if (ready < 2) emscripten_websocket_close(L.socket, NormalClose, nullptr);  // CONNECTING or OPEN
    emscripten_websocket_delete(L.socket);
  }
  L.socket = 0;
}

void Send(const MessageBytes& message) {
  if (emscripten_websocket_send_binary(L.socket, const_cast<uint8_t*>(message.data()),
                                       static_cast<uint32_t>(message.size())) != EMSCRIPTEN_RESULT_SUCCESS)
    Finish("lost the connection to " + L.address + ": the browser would not send");
}

EM_BOOL OnOpen(int, const EmscriptenWebSocketOpenEvent*, void*) {
  L.state = LinkState::Open;
  while (!L.outgoing.empty() && L.state == LinkState::Open) {
    Send(L.outgoing.front());
    L.outgoing.pop_front();
  }
  return EM_TRUE;
}

// The relay speaks in binary messages only, no larger than its limit: any
// other is a line that is not the relay's, and ends the link.
EM_BOOL OnMessage(int, const EmscriptenWebSocketMessageEvent* event, void*) {
  if (L.state != LinkState::Open) return EM_TRUE;
  if (event->isText) {
    Finish("the relay at " + L.address + " sent text, not the relay's messages");
  } else if (event->numBytes > MaxMessageBytes) {
    Finish("the relay at " + L.address + " sent a message of " + std::to_string(event->numBytes) + " bytes");
  } else {
    L.incoming.emplace_back(event->data, event->data + event->numBytes);
  }
  RelayMessageHeard();
  return EM_TRUE;
}

// The browser tells nothing of why a line failed (the console has it): the
// close that follows says what it can.
EM_BOOL OnError(int, const EmscriptenWebSocketErrorEvent*, void*) { return EM_TRUE; }

EM_BOOL OnClose(int, const EmscriptenWebSocketCloseEvent* event, void*) {
  const LinkState was = L.state;
  if (was == LinkState::Closed) return EM_TRUE;
  if (L.closing || event->code == NormalClose)
    Finish("");
  else if (was == LinkState::Connecting)
    Finish("no relay answers at " + L.address);
  else if (event->code == 1006)
    Finish("lost the connection to " + L.address);
  else
    Finish("the relay at " + L.address + " closed the connection (code " + std::to_string(event->code) + ")");
  RelayMessageHeard();
  return EM_TRUE;
}

// A name or an address a WebSocket's address can hold as it is: anything
// else would make the browser refuse the address outright.
bool ReachableHost(const std::string& host) {
  if (host.size() > 2 && host.front() == '[' && host.back() == ']')
    return host.find_first_not_of("0123456789abcdefABCDEF:.", 1) == host.size() - 1;
  if (host.empty()) return false;
  for (const char c : host)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-') return false;
  return true;
}

// A page served over https may open only secure lines (wss:), which a
// proxy in front of the relay gives; any other page opens ws: as the
// desktop game does.
EM_JS(int, PageIsSecure, (), { return location.protocol === 'https:' ? 1 : 0; });

}  // namespace

void StartRelayLink(const std::string& host, uint16_t port) {
  Finish("");
  L = {};
  L.address = host + ":" + std::to_string(port);
  if (!ReachableHost(host)) {
    L.problem = "cannot reach " + L.address + ": '" + host + "' is not a host's name or address";
    return;
  }
  const std::string url = (PageIsSecure() ? "wss://" : "ws://") + L.address + "/";
  EmscriptenWebSocketCreateAttributes attributes;
  emscripten_websocket_init_create_attributes(&attributes);
  attributes.url = url.c_str();
  attributes.protocols = nullptr;
  const EMSCRIPTEN_WEBSOCKET_T socket = emscripten_websocket_new(&attributes);
  if (socket <= 0) {
    L.problem = "cannot reach " + L.address + ": this browser has no WebSocket";
    return;
  }
  L.socket = socket;
  L.state = LinkState::Connecting;
  emscripten_websocket_set_onopen_callback(socket, nullptr, OnOpen);
  emscripten_websocket_set_onmessage_callback(socket, nullptr, OnMessage);
  emscripten_websocket_set_onerror_callback(socket, nullptr, OnError);
  emscripten_websocket_set_onclose_callback(socket, nullptr, OnClose);
}

void PollRelayLink() {}

void SendOnRelayLink(std::span<const uint8_t> message) {
  if (L.closing || L.state == LinkState::Closed) return;
  MessageBytes bytes(message.begin(), message.end());
  if (L.state == LinkState::Connecting)
    L.outgoing.push_back(std::move(bytes));
  else
    Send(bytes);
}

bool TakeRelayLinkMessage(MessageBytes& message) {
  if (L.incoming.empty()) return false;
  message = std::move(L.incoming.front());
  L.incoming.pop_front();
  return true;
}

LinkState RelayLinkState() { return L.state; }

const std::string& RelayLinkProblem() { return L.problem; }

// The browser sends what was given it before the close, then closes
// cleanly; the link counts as Closed once the relay has answered.
void CloseRelayLink() {
  if (L.closing || L.state == LinkState::Closed) return;
  L.closing = true;
  if (L.state == LinkState::Connecting) return Finish("");
  emscripten_websocket_close(L.socket, NormalClose, nullptr);
}
