#include "room_code.h"

#include <sys/random.h>

#include <array>
#include <cerrno>
#include <system_error>

#include "versus/relay_messages.h"

namespace {

uint8_t RandomByte() {
  static std::array<uint8_t, 64> pool;
  static size_t used = pool.size();
  if (used == pool.size()) {
    ssize_t got;
    do got = getrandom(pool.data(), pool.size(), 0);
    while (got < 0 && errno == EINTR);
    if (got != ssize_t(pool.size()))
      throw std::system_error(got < 0 ? errno : EIO, std::generic_category(), "getrandom");
    used = 0;
  }
  return pool[used++];
}

}  // namespace

std::string NewRoomCode(char first) {
  // Bytes from the top of the range would make the first letters likelier:
  // only the largest whole number of rounds through the letters is taken.
  const unsigned letters = RoomCodeLetters.size();
  const unsigned fair_bytes = 256 / letters * letters;
  std::string code = first ? std::string(1, first) : "";
  while (code.size() < (first ? NamedRoomCodeLength : RoomCodeLength)) {
    const unsigned byte = RandomByte();
    if (byte < fair_bytes) code += RoomCodeLetters[byte % letters];
  }
  return code;
}

uint64_t NewTicket() {
  uint64_t ticket = 0;
  for (int i = 0; i < 8; ++i) ticket = ticket << 8 | RandomByte();
  return ticket;
}
