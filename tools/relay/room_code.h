// Room codes drawn from the OS's random source (getrandom), so that nobody
// guesses a room from earlier codes or from when the relay started.
#pragma once

#include <cstdint>
#include <string>

// A new code of RoomCodeLength letters from RoomCodeLetters, each letter
// equally likely; when `first` is a letter, the code begins with it (a relay's
// name, see docs/relay.md) and RoomCodeLength random letters follow. Throws
// std::system_error when the OS gives no random bytes.
std::string NewRoomCode(char first = 0);

// A seat's ticket: 64 random bits that take the seat back after a drop.
uint64_t NewTicket();
