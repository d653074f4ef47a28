#pragma once
// Numeric conventions every engine operation follows: floating-point values become integers by
// rounding to the nearest integer with halves to even, and channel values are clamped to 0..255
// before they are stored. Integer division of signed values truncates toward zero (C++'s own).

#include <cmath>
#include <cstdint>

namespace brennic {

// 128-bit integers for the few sums that 64 bits cannot hold (a GCC and Clang extension).
__extension__ using Int128 = __int128;

// Rounds half to even. The caller guarantees the result fits; the default floating-point
// environment (round to nearest, ties to even) is assumed and never changed by the program.
inline int32_t RoundHalfEven(double v) {
  return static_cast<int32_t>(std::nearbyint(v));
}
inline int32_t RoundHalfEven(float v) {
  return static_cast<int32_t>(std::nearbyintf(v));
}
inline int64_t RoundHalfEven64(double v) {
  return static_cast<int64_t>(std::nearbyint(v));
}

template <typename T>
constexpr uint8_t ClampByte(T v) {
  return static_cast<uint8_t>(v < T(0) ? T(0) : (v > T(255) ? T(255) : v));
}

// Bytes of one 24-bit row padded to a multiple of 4: ((W + 1) * 3) AND NOT 3.
constexpr int64_t BytesPerScanLineFor(int64_t lWidth) {
  return ((lWidth + 1) * 3) & ~int64_t{3};
}

}  // namespace brennic
