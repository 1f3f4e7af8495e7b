// One colour of a picture or a label, 8 bits a channel.
#pragma once

#include <cstdint>

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};
