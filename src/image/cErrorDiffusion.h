#pragma once
// What the column-by-column error diffusions (black and white, palettes) share.
//
// The plain loops run down each column (outer loop over columns, inner over rows) and pass a
// pixel's error to the next row of its column and to the column on its right. Pixel (c, y) so
// depends only on (c - 1, y), (c - 1, y - 1) and (c, y - 1). A band of 16 columns is therefore
// worked in vector lanes, lane j on column c0 + j, each lane one row behind the lane to its left:
// at step t lane j is at row t - j, and all lanes of a step are independent. Every pixel still
// sees exactly the values the plain order gives it. A lane's inputs and outputs are staged in
// small skewed buffers, lane j of step t at t x 16 + j.
//
// Only the engine's .cpp files include this header.

#include <algorithm>
#include <cstdint>

#include "mPixelLanes.h"

namespace brennic::diffusion {

using lanes::i16x16;

inline constexpr int32_t kLanes = 16;
// A band's rows are far apart in memory, too far for the processor to guess the next one: the
// staging loops fetch this many rows ahead.
inline constexpr int32_t kPrefetchRows = 24;

BRENNIC_LANE i16x16 Clamp255(i16x16 v) {
  v = v < 0 ? 0 : v;
  return v > 255 ? 255 : v;
}
BRENNIC_LANE i16x16 Abs(i16x16 v) {
  return v < 0 ? -v : v;
}
// (w e) / 16, truncating toward zero.
BRENNIC_LANE i16x16 Share(i16x16 e, int16_t w) {
  const i16x16 t = e * w;
  return (t + ((t >> 15) & 15)) >> 4;
}

// The lanes whose row t - j lies within 0 .. lHeight - 1, for a band of lColumns.
BRENNIC_LANE i16x16 ActiveLanes(int64_t t, int32_t lColumns, int32_t lHeight) {
  const i16x16 lLane = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  const auto jLow = static_cast<int16_t>(std::max<int64_t>(0, t - lHeight + 1));
  const auto jHigh = static_cast<int16_t>(std::min<int64_t>(lColumns - 1, t));
  return (lLane >= jLow) & (lLane <= jHigh);
}

// Which lanes' columns pass error down (columns 1 .. last - 1) and to the right (up to
// last - 2) in the band starting at column c0.
struct EdgeLanes {
  i16x16 bDown{}, bRight{};
  __attribute__((always_inline)) EdgeLanes(int32_t c0, int32_t lLast) {
    for (int32_t j = 0; j < kLanes; ++j) {
      const int32_t c = c0 + j;
      bDown[j] = c >= 1 && c <= lLast - 1 ? -1 : 0;
      bRight[j] = c <= lLast - 2 ? -1 : 0;
    }
  }
};

// What lane j hands right becomes lane j + 1's input at the next step; lane 0's is filled in
// from the band to the left.
BRENNIC_LANE i16x16 HandRight(i16x16 v) {
  return __builtin_shuffle(v, i16x16{0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14});
}

}  // namespace brennic::diffusion
