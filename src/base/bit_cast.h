// A value's bits read as another type of the same size. The WebAssembly
// toolchain's library has no std::bit_cast; the compiler builtin behind it
// is there, and in g++ too.
#pragma once

template <class To, class From>
constexpr To BitCast(const From& from) {
  return __builtin_bit_cast(To, from);
}
