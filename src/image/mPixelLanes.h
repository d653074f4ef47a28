#pragma once
// Fixed-width vectors for the engine's per-pixel loops, written with the compiler's vector
// extensions so that one source gives AVX-512, AVX2, SSE2 or NEON code (see mSimd.h for the
// run-time choice). Every lane does exactly the scalar operation of the plain algorithm: integer
// arithmetic is exact, and each single-precision operation is one IEEE operation rounded to
// nearest, never fused or reassociated, so results are bit-identical to the scalar code.
//
// Only the engine's .cpp files include this header; the types never cross a function boundary
// that is not inlined. Nor are they kept in memory that code compiled for another target
// allocates or reads: a vector wider than the baseline's is aligned to 16 bytes there and to its
// full size in a dispatched copy. Memory is read and written with LoadU and StoreU instead.

#include <cstdint>
#include <cstring>

// Vectors wider than the baseline ABI are only used inside inlined helpers; the note that their
// calling convention changed long ago is noise here.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace brennic::lanes {

using u8x16 = uint8_t __attribute__((vector_size(16)));
using u8x32 = uint8_t __attribute__((vector_size(32)));
using u8x64 = uint8_t __attribute__((vector_size(64)));
using u16x16 = uint16_t __attribute__((vector_size(32)));
using i16x16 = int16_t __attribute__((vector_size(32)));
using u16x32 = uint16_t __attribute__((vector_size(64)));
using i16x32 = int16_t __attribute__((vector_size(64)));
using i16x8 = int16_t __attribute__((vector_size(16)));
using u16x8 = uint16_t __attribute__((vector_size(16)));
using i32x4 = int32_t __attribute__((vector_size(16)));
using i32x8 = int32_t __attribute__((vector_size(32)));
using f64x4 = double __attribute__((vector_size(32)));
using i32x16 = int32_t __attribute__((vector_size(64)));
using u32x16 = uint32_t __attribute__((vector_size(64)));
using f32x16 = float __attribute__((vector_size(64)));
using u64x8 = uint64_t __attribute__((vector_size(64)));
using i64x8 = int64_t __attribute__((vector_size(64)));
using f64x8 = double __attribute__((vector_size(64)));

#define BRENNIC_LANE inline __attribute__((always_inline))
// For lambdas that must be compiled into the (vectorised) function that calls them.
#define BRENNIC_LANE_BODY __attribute__((always_inline))

template <typename V>
BRENNIC_LANE V LoadU(const void* p) {
  V v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <typename V>
BRENNIC_LANE void StoreU(void* p, const V& v) {
  std::memcpy(p, &v, sizeof v);
}

// Widening and narrowing in steps of two: the compiler maps each step to one instruction pair,
// where a four-fold conversion in one go can end up element by element.
BRENNIC_LANE i32x16 Widen(u8x16 v) {
  return __builtin_convertvector(__builtin_convertvector(v, u16x16), i32x16);
}
// Lanes must already hold 0..255.
BRENNIC_LANE u8x16 Narrow(i32x16 v) {
  return __builtin_convertvector(__builtin_convertvector(v, u16x16), u8x16);
}
BRENNIC_LANE f32x16 ToFloat(u8x16 v) {
  return __builtin_convertvector(Widen(v), f32x16);
}
BRENNIC_LANE i32x16 Clamp255(i32x16 v) {
  v = v < 0 ? 0 : v;
  return v > 255 ? 255 : v;
}

// Rounds to the nearest integer, halves to even, for |v| <= 2^22: adding 1.5 x 2^23 leaves no
// fraction bits, so the addition itself rounds (in the default rounding mode), and the
// subtraction is exact.
BRENNIC_LANE f32x16 RoundEven(f32x16 v) {
  return (v + 12582912.0F) - 12582912.0F;
}

// The byte a single-precision channel value becomes: clamped to 0..255 (NaN gives 0), then
// rounded half to even. Clamping first gives the same byte as rounding first, since rounding is
// monotonic and 0 and 255 are integers.
BRENNIC_LANE i32x16 ToByte(f32x16 v) {
  v = v >= 0.0F ? v : 0.0F;
  v = v <= 255.0F ? v : 255.0F;
  return __builtin_convertvector(RoundEven(v), i32x16);
}

// Sixteen pixels as they lie in memory: three blocks of 16 bytes.
struct Raw48 {
  u8x16 v0, v1, v2;
};
BRENNIC_LANE Raw48 LoadRaw48(const uint8_t* p) {
  return {LoadU<u8x16>(p), LoadU<u8x16>(p + 16), LoadU<u8x16>(p + 32)};
}
BRENNIC_LANE void StoreRaw48(uint8_t* p, const Raw48& x) {
  StoreU(p, x.v0);
  StoreU(p + 16, x.v1);
  StoreU(p + 32, x.v2);
}

// One channel of sixteen pixels: first its bytes among the first 32, then those of the last 16.
BRENNIC_LANE u8x16 BlueOf(const Raw48& x) {
  const u8x16 b1 = {0, 3, 6, 9, 12, 15, 18, 21, 24, 27, 30, 0, 0, 0, 0, 0};
  const u8x16 b2 = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 17, 20, 23, 26, 29};
  return __builtin_shuffle(__builtin_shuffle(x.v0, x.v1, b1), x.v2, b2);
}
BRENNIC_LANE u8x16 GreenOf(const Raw48& x) {
  const u8x16 g1 = {1, 4, 7, 10, 13, 16, 19, 22, 25, 28, 31, 0, 0, 0, 0, 0};
  const u8x16 g2 = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 18, 21, 24, 27, 30};
  return __builtin_shuffle(__builtin_shuffle(x.v0, x.v1, g1), x.v2, g2);
}
BRENNIC_LANE u8x16 RedOf(const Raw48& x) {
  const u8x16 r1 = {2, 5, 8, 11, 14, 17, 20, 23, 26, 29, 0, 0, 0, 0, 0, 0};
  const u8x16 r2 = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 16, 19, 22, 25, 28, 31};
  return __builtin_shuffle(__builtin_shuffle(x.v0, x.v1, r1), x.v2, r2);
}

// Sixteen pixels split into their blue, green and red bytes.
struct Pixels16 {
  u8x16 b, g, r;
};

BRENNIC_LANE Pixels16 LoadPixels16(const uint8_t* p) {
  const Raw48 x = LoadRaw48(p);
  return {BlueOf(x), GreenOf(x), RedOf(x)};
}

BRENNIC_LANE void StorePixels16(uint8_t* p, const Pixels16& x) {
  // Each 16-byte block takes its blue and green bytes first, then its red ones.
  const u8x16 a1 = {0, 16, 0, 1, 17, 0, 2, 18, 0, 3, 19, 0, 4, 20, 0, 5};
  const u8x16 a2 = {0, 1, 16, 3, 4, 17, 6, 7, 18, 9, 10, 19, 12, 13, 20, 15};
  const u8x16 b1 = {21, 0, 6, 22, 0, 7, 23, 0, 8, 24, 0, 9, 25, 0, 10, 26};
  const u8x16 b2 = {0, 21, 2, 3, 22, 5, 6, 23, 8, 9, 24, 11, 12, 25, 14, 15};
  const u8x16 c1 = {0, 11, 27, 0, 12, 28, 0, 13, 29, 0, 14, 30, 0, 15, 31, 0};
  const u8x16 c2 = {26, 1, 2, 27, 4, 5, 28, 7, 8, 29, 10, 11, 30, 13, 14, 31};
  StoreU(p, __builtin_shuffle(__builtin_shuffle(x.b, x.g, a1), x.r, a2));
  StoreU(p + 16, __builtin_shuffle(__builtin_shuffle(x.b, x.g, b1), x.r, b2));
  StoreU(p + 32, __builtin_shuffle(__builtin_shuffle(x.b, x.g, c1), x.r, c2));
}

// Each byte of a 16-pixel value repeated for the three channels of its pixel.
BRENNIC_LANE Raw48 Spread16(u8x16 v) {
  const u8x16 m0 = {0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5};
  const u8x16 m1 = {5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10};
  const u8x16 m2 = {10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15};
  return {__builtin_shuffle(v, m0), __builtin_shuffle(v, m1), __builtin_shuffle(v, m2)};
}

// Sixteen pixels as one 32-bit lane each: blue | green << 8 | red << 16 (the top byte is
// arbitrary). This layout needs no widening: a channel is a shift and a mask away. LoadQuads16
// reads 64 bytes, 16 more than the pixels: the caller keeps 22 pixels from the end of the row.
BRENNIC_LANE u32x16 LoadQuads16(const uint8_t* p) {
  // Four pixels' twelve bytes into each 16-byte block, then each pixel into its lane.
  const u32x16 w = __builtin_shuffle(LoadU<u32x16>(p),
                                     u32x16{0, 1, 2, 3, 3, 4, 5, 6, 6, 7, 8, 9, 9, 10, 11, 12});
  const u8x64 m = {0,  1,  2,  2,  3,  4,  5,  5,  6,  7,  8,  8,  9,  10, 11, 11,
                   16, 17, 18, 18, 19, 20, 21, 21, 22, 23, 24, 24, 25, 26, 27, 27,
                   32, 33, 34, 34, 35, 36, 37, 37, 38, 39, 40, 40, 41, 42, 43, 43,
                   48, 49, 50, 50, 51, 52, 53, 53, 54, 55, 56, 56, 57, 58, 59, 59};
  return reinterpret_cast<u32x16>(__builtin_shuffle(reinterpret_cast<u8x64>(w), m));
}
// Writes the low three bytes of each lane: 48 bytes.
BRENNIC_LANE void StoreQuads16(uint8_t* p, u32x16 w) {
  const u8x64 m = {0,  1,  2,  4,  5,  6,  8,  9,  10, 12, 13, 14, 15, 15, 15, 15,
                   16, 17, 18, 20, 21, 22, 24, 25, 26, 28, 29, 30, 31, 31, 31, 31,
                   32, 33, 34, 36, 37, 38, 40, 41, 42, 44, 45, 46, 47, 47, 47, 47,
                   48, 49, 50, 52, 53, 54, 56, 57, 58, 60, 61, 62, 63, 63, 63, 63};
  w = reinterpret_cast<u32x16>(__builtin_shuffle(reinterpret_cast<u8x64>(w), m));
  w = __builtin_shuffle(w, u32x16{0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, 15, 15, 15, 15});
  std::memcpy(p, &w, 48);
}
// Channel k (0 blue, 1 green, 2 red) of sixteen quads.
BRENNIC_LANE i32x16 ChannelOf(u32x16 w, int k) {
  return reinterpret_cast<i32x16>((w >> (8 * k)) & 255U);
}
// Quads of three channels that already hold 0..255.
BRENNIC_LANE u32x16 MakeQuads(i32x16 b, i32x16 g, i32x16 r) {
  return reinterpret_cast<u32x16>(b | (g << 8) | (r << 16));
}
// The row loops below take sixteen quads at a time while this many pixels are left.
inline constexpr int64_t kQuadsReach = 22;

// Sixteen gray pixels: each byte of v written to all three channels.
BRENNIC_LANE void StoreGray16(uint8_t* p, u8x16 v) {
  StoreRaw48(p, Spread16(v));
}

}  // namespace brennic::lanes
