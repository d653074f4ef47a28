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

// Columns processed together; enough independent chains to keep the processor busy.
inline constexpr int32_t kDiffusionBand = 8;

// Calls step(j, y) for every column j < lColumns and row y < lHeight of a band, column j one row
// behind column j - 1. Within a step the higher column comes first, so a value column j - 1
// hands to column j for the next row does not overwrite the one column j is about to use.
template <typename Step>
void VisitSkewedBand(int32_t lColumns, int32_t lHeight, Step&& step) {
  const int64_t lSteps = int64_t{lHeight} + lColumns - 1;
  for (int64_t t = 0; t < lSteps; ++t) {
    const auto jHigh = static_cast<int32_t>(std::min<int64_t>(lColumns - 1, t));
    const auto jLow = static_cast<int32_t>(std::max<int64_t>(0, t - lHeight + 1));
    for (int32_t j = jHigh; j >= jLow; --j)
      step(j, static_cast<int32_t>(t - j));
  }
}

}  // namespace brennic
