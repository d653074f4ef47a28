#pragma once
// The visiting order of the column-by-column error diffusions (black and white, palettes).
//
// The plain loops run down each column (outer loop over columns, inner over rows) and pass a
// pixel's error to the next row of its column and to the column on its right. Pixel (c, y) so
// depends only on (c - 1, y), (c - 1, y - 1) and (c, y - 1). Within a band of columns, column j
// can therefore run one row behind column j - 1: all pixels of one step are independent, and the
// processor overlaps their chains of dependent arithmetic instead of waiting on each in turn.
// Every pixel still sees exactly the values the plain order gives it.

#include <algorithm>
#include <cstdint>

namespace brennic {

// Columns processed together: enough independent chains to keep the processor busy, and a
// band's piece of a row (3 bytes per column) fills most of a cache line.
inline constexpr int32_t kDiffusionBand = 16;
// The rows of a band are far apart in memory, too far for the processor to guess the next one:
// they are fetched this many rows ahead.
inline constexpr int32_t kPrefetchRows = 24;

// Calls step(j, y) for every column j < lColumns and row y < lHeight of a band, column j one row
// behind column j - 1, and before each step prefetch(y) for a row the band will reach soon.
// Within a step the higher column comes first, so a value column j - 1 hands to column j for the
// next row does not overwrite the one column j is about to use.
template <typename Step, typename Prefetch>
inline __attribute__((always_inline)) void VisitSkewedBand(int32_t lColumns, int32_t lHeight,
                                                           Step&& step, Prefetch&& prefetch) {
  const int64_t lSteps = int64_t{lHeight} + lColumns - 1;
  for (int64_t t = 0; t < lSteps; ++t) {
    if (t + kPrefetchRows < lHeight) prefetch(static_cast<int32_t>(t + kPrefetchRows));
    const auto jHigh = static_cast<int32_t>(std::min<int64_t>(lColumns - 1, t));
    const auto jLow = static_cast<int32_t>(std::max<int64_t>(0, t - lHeight + 1));
    for (int32_t j = jHigh; j >= jLow; --j)
      step(j, static_cast<int32_t>(t - j));
  }
}

// Prefetches, for writing, the bytes [lFirst, lLast] of a row of each image.
inline void PrefetchRowPiece(uint8_t* pA, uint8_t* pB, int64_t lFirst, int64_t lLast) {
  for (int64_t o = lFirst; o <= lLast; o += 64) {
    __builtin_prefetch(pA + o, 1);
    __builtin_prefetch(pB + o, 1);
  }
  __builtin_prefetch(pA + lLast, 1);
  __builtin_prefetch(pB + lLast, 1);
}

}  // namespace brennic
