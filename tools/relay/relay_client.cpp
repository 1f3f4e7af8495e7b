#include "relay_client.h"

#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;

struct RelayClient::Line {
  asio::io_context io;
  websocket::stream<beast::tcp_stream> ws{io};
  beast::flat_buffer buffer;
  bool reading = false;  // a read was started and has not been taken yet
  bool read_done = false;
  beast::error_code read_error;
};

RelayClient::RelayClient(const std::string& host, uint16_t port) : line_(std::make_unique<Line>()) {
  asio::ip::tcp::resolver resolver(line_->io);
  beast::get_lowest_layer(line_->ws).connect(resolver.resolve(host, std::to_string(port)));
  line_->ws.handshake(host + ":" + std::to_string(port), "/");
}

RelayClient::~RelayClient() = default;

void RelayClient::Send(std::span<const uint8_t> bytes, bool binary) {
  line_->ws.binary(binary);
  line_->ws.write(asio::buffer(bytes.data(), bytes.size()));
}

RelayReceipt RelayClient::Receive(std::chrono::milliseconds timeout) {
  Line& line = *line_;
  if (!line.reading) {
    line.reading = true;
    line.read_done = false;
    line.ws.async_read(line.buffer, [&line](beast::error_code error, size_t) {
      line.read_error = error;
      line.read_done = true;
    });
  }
  line.io.restart();
  line.io.run_for(timeout);
  if (!line.read_done) return {};
  line.reading = false;
  if (line.read_error) return {.what = RelayReceipt::What::Closed, .close_code = int(line.ws.reason().code)};
  const auto data = line.buffer.cdata();
  const auto* first = static_cast<const uint8_t*>(data.data());
  RelayReceipt receipt{.what = RelayReceipt::What::Message, .bytes = MessageBytes(first, first + data.size())};
  line.buffer.consume(line.buffer.size());
  return receipt;
}

void RelayClient::Close() {
  line_->ws.async_close(websocket::close_code::normal, [](beast::error_code) {});
  line_->io.restart();
  line_->io.run_for(std::chrono::seconds(3));
}
