// The state dump's own shortest float form (for standard libraries without
// the floating-point std::to_chars) against std::to_chars itself.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "base/bit_cast.h"
#include "base/shortest_float.h"

namespace {

std::string Native(float value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// The first float whose form differs, with both forms; empty when none does.
std::string FirstDifference(const std::vector<float>& values) {
  for (float value : values) {
    const std::string ours = ShortestFloat(value), theirs = Native(value);
    if (ours != theirs) return theirs + " written as " + ours;
  }
  return "";
}

// Each value with its neighbours a few steps either way, both signs.
std::vector<float> WithNeighbours(const std::vector<float>& centres, int steps) {
  std::vector<float> out;
  for (float centre : centres) {
    for (float sign : {1.0f, -1.0f}) {
      float up = centre * sign, down = centre * sign;
      out.push_back(up);
      for (int i = 0; i < steps; ++i) {
        up = std::nextafter(up, std::numeric_limits<float>::infinity());
        down = std::nextafter(down, -std::numeric_limits<float>::infinity());
        out.push_back(up);
        out.push_back(down);
      }
    }
  }
  return out;
}

TEST(ShortestFloat, SpreadOverEveryBitPattern) {
  // About 1.4 million patterns, every exponent and both signs, with the
  // low mantissa bits varying from one to the next.
  std::vector<float> values;
  for (uint64_t bits = 0; bits <= 0xFFFFFFFFu; bits += 3079) values.push_back(BitCast<float>(static_cast<uint32_t>(bits)));
  EXPECT_EQ(FirstDifference(values), "");
}

TEST(ShortestFloat, PowersOfTenAndTwoAndTheirNeighbours) {
  std::vector<float> centres;
  for (int e = -45; e <= 38; ++e) centres.push_back(std::strtof(("1e" + std::to_string(e)).c_str(), nullptr));
  for (int e = -149; e <= 127; ++e) centres.push_back(std::ldexp(1.0f, e));
  EXPECT_EQ(FirstDifference(WithNeighbours(centres, 40)), "");
}

TEST(ShortestFloat, ZeroSubnormalsWholeNumbersAndSpecials) {
  std::vector<float> values = {0.0f, -0.0f, std::numeric_limits<float>::infinity(),
                               -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::max(),
                               std::numeric_limits<float>::min(), std::numeric_limits<float>::denorm_min()};
  for (uint32_t bits = 1; bits < 0x00800000u; bits += 97) values.push_back(BitCast<float>(bits));
  for (int n = -70000; n <= 70000; ++n) values.push_back(static_cast<float>(n));
  for (int n = 0; n < 20000; ++n) values.push_back(static_cast<float>(n) / 100.0f);  // the game's money and hit points
  EXPECT_EQ(FirstDifference(values), "");
  EXPECT_EQ(ShortestFloat(std::numeric_limits<float>::quiet_NaN()), Native(std::numeric_limits<float>::quiet_NaN()));
}

}  // namespace
