#include "base/shortest_float.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// mantissa x 10^exponent, the mantissa without trailing zeros.
struct Decimal {
  uint64_t mantissa;
  int exponent;
};

bool ReadsBack(Decimal d, float magnitude) {
  char text[40];
  std::snprintf(text, sizeof text, "%llue%d", static_cast<unsigned long long>(d.mantissa), d.exponent);
  return std::strtof(text, nullptr) == magnitude;
}

Decimal Trimmed(Decimal d) {
  while (d.mantissa != 0 && d.mantissa % 10 == 0) {
    d.mantissa /= 10;
    ++d.exponent;
  }
  return d;
}

// A decimal of `digits` significant digits that reads back to `magnitude`,
// the nearest one there is; false when none has so few. The correctly
// rounded one is the nearest; when it falls just outside the float's
// rounding interval (the interval is lopsided at powers of two) the one a
// step further on the other side of the value may still fall inside.
bool WithDigits(float magnitude, int digits, Decimal& out) {
  char text[40];
  std::snprintf(text, sizeof text, "%.*e", digits - 1, static_cast<double>(magnitude));
  char* exponent_text = nullptr;
  uint64_t mantissa = 0;
  for (char* c = text; *c; ++c) {
    if (*c == 'e') {
      exponent_text = c + 1;
      break;
    }
    if (*c != '.') mantissa = mantissa * 10 + static_cast<uint64_t>(*c - '0');
  }
  const int exponent = std::atoi(exponent_text) - (digits - 1);
  for (uint64_t candidate : {mantissa, mantissa + 1, mantissa - 1}) {
    const Decimal d{candidate, exponent};
    if (candidate != 0 && ReadsBack(d, magnitude)) {
      out = Trimmed(d);
      return true;
    }
  }
  return false;
}

// Nine significant digits always read back; if some count does, every
// larger one does too, so the fewest is found by halving.
Decimal Shortest(float magnitude) {
  int low = 1, high = 9;
  Decimal best{};
  while (low < high) {
    const int middle = (low + high) / 2;
    Decimal d;
    if (WithDigits(magnitude, middle, d)) {
      best = d;
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  if (low == 9) WithDigits(magnitude, 9, best);
  return best;
}

std::string Scientific(const std::string& digits, int point) {
  std::string out(1, digits[0]);
  if (digits.size() > 1) out += '.' + digits.substr(1);
  char exponent[16];
  std::snprintf(exponent, sizeof exponent, "e%c%02d", point < 0 ? '-' : '+', std::abs(point));
  return out + exponent;
}

// A whole number is written with all its digits, exact: as short as any
// other plain form and the nearest.
std::string Plain(const std::string& digits, int point, float magnitude) {
  const int count = static_cast<int>(digits.size());
  if (point >= count - 1) {
    char text[48];
    std::snprintf(text, sizeof text, "%.0f", static_cast<double>(magnitude));
    return text;
  }
  if (point >= 0) return digits.substr(0, point + 1) + '.' + digits.substr(point + 1);
  return "0." + std::string(-point - 1, '0') + digits;
}

}  // namespace

std::string ShortestFloat(float value) {
  const std::string sign = std::signbit(value) ? "-" : "";
  if (std::isnan(value)) return sign + "nan";
  if (std::isinf(value)) return sign + "inf";
  if (value == 0) return sign + "0";
  const float magnitude = std::fabs(value);
  const Decimal d = Shortest(magnitude);
  const std::string digits = std::to_string(d.mantissa);
  // The decimal point's place: the value is d.ddd x 10^point.
  const int point = d.exponent + static_cast<int>(digits.size()) - 1;
  const std::string plain = Plain(digits, point, magnitude);
  const std::string scientific = Scientific(digits, point);
  return sign + (plain.size() <= scientific.size() ? plain : scientific);
}

std::string FormatFloat(float value) {
#if defined(__cpp_lib_to_chars)
  char buffer[64];
  auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, ec == std::errc() ? ptr : buffer);
#else
  return ShortestFloat(value);
#endif
}
