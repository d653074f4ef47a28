#pragma once
// The arithmetic of the neighbourhood filters, as row filters for RunNeighbourhoodPass. Every
// filter made here gives exactly the result of the plain per-pixel loop; which inner loop runs
// (16-bit, 32-bit or 64-bit sums, a dedicated emboss loop) depends only on the kernel.

#include <cstdint>
#include <memory>
#include <vector>

#include "FilterPass.h"

namespace brennic {

// What follows the weighted sum of a convolution, per channel: the quotient clamped to 0..255,
// the unsharp step clamp(2 x input - quotient), or the emboss step clamp(quotient + 127), which
// also adds 127 to every border pixel.
enum class EConvolveStep : int32_t { eQuotient, eUnsharp, eEmboss };

// Convolution with a square kernel of lSize x lSize values, value (i, j) at index
// (j + half) * lSize + i + half, the sum divided by lWeight truncating toward zero (a weight of 0
// counts as 1). Any 32-bit values and weight are exact.
std::unique_ptr<cNeighbourhoodFilter> MakeConvolution(int32_t lSize,
                                                      const std::vector<int32_t>& lValues,
                                                      int32_t lWeight, EConvolveStep eStep);

// The 3 x 3 minimum or maximum, each channel on its own.
std::unique_ptr<cNeighbourhoodFilter> MakeRankFilter(bool bMaximum);

}  // namespace brennic
