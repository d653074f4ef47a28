#include "mZoom.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>
#include <vector>

#include "cParallel.h"
#include "mPixelLanes.h"
#include "mSimd.h"

namespace brennic {

namespace {

constexpr std::array<sZoom, 21> kLadder{
    {{1, 32}, {1, 24}, {1, 16}, {1, 12}, {1, 8}, {1, 6}, {1, 4},  {1, 3},  {1, 2},  {2, 3}, {1, 1},
     {3, 2},  {2, 1},  {3, 1},  {4, 1},  {6, 1}, {8, 1}, {12, 1}, {16, 1}, {24, 1}, {32, 1}}};

// Rows of the zoomed picture per chunk of work: a chunk should be worth waking a worker for.
constexpr int64_t kRowsPerChunk = 8;

// Columns [first, last) of the picture behind each shown column from lLeft on.
struct sSpans {
  std::vector<int64_t> first;
  std::vector<int64_t> last;
  int64_t lLongest = 0;
};

sSpans Spans(int64_t lLeft, int64_t lCount, int64_t lPictureLength, sZoom zoom) {
  sSpans spans;
  spans.first.resize(static_cast<size_t>(lCount));
  spans.last.resize(static_cast<size_t>(lCount));
  for (int64_t i = 0; i < lCount; ++i) {
    const int64_t x = lLeft + i;
    const int64_t lFirst = std::min(lPictureLength - 1, x * zoom.lDen / zoom.lNum);
    const int64_t lLast = std::clamp((x + 1) * zoom.lDen / zoom.lNum, lFirst + 1, lPictureLength);
    spans.first[static_cast<size_t>(i)] = lFirst;
    spans.last[static_cast<size_t>(i)] = lLast;
    spans.lLongest = std::max(spans.lLongest, lLast - lFirst);
  }
  return spans;
}

// pSums[i] = the sum of ppRows[r][i] over the lRows rows. Each block of columns is summed over
// all rows in registers and stored once.
BRENNIC_SIMD_CLONES
void SumRows(uint16_t* pSums, const uint8_t* const* ppRows, int64_t lRows, int64_t lBytes) {
  int64_t i = 0;
  for (; i + 16 <= lBytes; i += 16) {
    lanes::u16x16 sum{};
    for (int64_t r = 0; r < lRows; ++r)
      sum += __builtin_convertvector(lanes::LoadU<lanes::u8x16>(ppRows[r] + i), lanes::u16x16);
    lanes::StoreU(pSums + i, sum);
  }
  for (; i < lBytes; ++i) {
    uint16_t sum = 0;
    for (int64_t r = 0; r < lRows; ++r)
      sum = static_cast<uint16_t>(sum + ppRows[r][i]);
    pSums[i] = sum;
  }
}

// Only for boxes taller than any step of the ladder: no need to be fast.
void SumRows(uint32_t* pSums, const uint8_t* const* ppRows, int64_t lRows, int64_t lBytes) {
  for (int64_t i = 0; i < lBytes; ++i) {
    uint32_t sum = 0;
    for (int64_t r = 0; r < lRows; ++r)
      sum += ppRows[r][i];
    pSums[i] = sum;
  }
}

// One shown row below 1: column sums over the rows of its box, then the average of each
// shown pixel's box, rounded half up. TSum holds a column sum of the box's rows, TTotal a box's.
template <typename TSum, typename TTotal>
void AverageRow(uint8_t* pOut, hDC hSrc, int64_t lRowFirst, int64_t lRowLast, const sSpans& columns,
                std::vector<TSum>& sums) {
  const int64_t lFirstColumn = columns.first.front();
  const int64_t lBytes = 3 * (columns.last.back() - lFirstColumn);
  sums.resize(static_cast<size_t>(lBytes));
  std::vector<const uint8_t*> boxRows;
  for (int64_t r = lRowFirst; r < lRowLast; ++r)
    boxRows.push_back(hSrc->DisplayRow(static_cast<int32_t>(r)) + 3 * lFirstColumn);
  SumRows(sums.data(), boxRows.data(), lRowLast - lRowFirst, lBytes);
  const auto lRows = static_cast<TTotal>(lRowLast - lRowFirst);
  // Boxes of up to 256 x 256 pixels: x / n is (x * (2^40 / n + 1)) >> 40 for every total x of
  // such a box (x * n < 2^40), a multiplication instead of a division.
  constexpr bool bReciprocal = sizeof(TSum) == 2;
  std::array<uint64_t, 257> reciprocal{};
  if constexpr (bReciprocal) {
    for (int64_t w = 1; w <= columns.lLongest; ++w)
      reciprocal[static_cast<size_t>(w)] =
          (uint64_t{1} << 40) / (static_cast<uint64_t>(lRows) * static_cast<uint64_t>(w)) + 1;
  }
  for (size_t i = 0; i < columns.first.size(); ++i) {
    const int64_t lFirst = columns.first[i] - lFirstColumn;
    const int64_t lLast = columns.last[i] - lFirstColumn;
    TTotal b = 0, g = 0, r = 0;
    for (int64_t c = lFirst; c < lLast; ++c) {
      b += sums[static_cast<size_t>(3 * c)];
      g += sums[static_cast<size_t>(3 * c + 1)];
      r += sums[static_cast<size_t>(3 * c + 2)];
    }
    const TTotal n = lRows * static_cast<TTotal>(lLast - lFirst);
    if constexpr (bReciprocal) {
      const uint64_t m = reciprocal[static_cast<size_t>(lLast - lFirst)];
      pOut[3 * i] = static_cast<uint8_t>(((b + n / 2) * m) >> 40);
      pOut[3 * i + 1] = static_cast<uint8_t>(((g + n / 2) * m) >> 40);
      pOut[3 * i + 2] = static_cast<uint8_t>(((r + n / 2) * m) >> 40);
    } else {
      pOut[3 * i] = static_cast<uint8_t>((b + n / 2) / n);
      pOut[3 * i + 1] = static_cast<uint8_t>((g + n / 2) / n);
      pOut[3 * i + 2] = static_cast<uint8_t>((r + n / 2) / n);
    }
  }
}

}  // namespace

sZoom MakeZoom(int64_t lNum, int64_t lDen) {
  if (lNum < 1 || lDen < 1) return kZoomActual;
  const int64_t g = std::gcd(lNum, lDen);
  const sZoom zoom{lNum / g, lDen / g};
  if (zoom < kZoomMin) return kZoomMin;
  if (zoom > kZoomMax) return kZoomMax;
  return zoom;
}

sZoom ZoomStepIn(sZoom zoom) {
  for (const sZoom& step : kLadder) {
    if (step > zoom) return step;
  }
  return kZoomMax;
}

sZoom ZoomStepOut(sZoom zoom) {
  for (auto it = kLadder.rbegin(); it != kLadder.rend(); ++it) {
    if (*it < zoom) return *it;
  }
  return kZoomMin;
}

sZoom FitZoom(int32_t lWidth, int32_t lHeight, int32_t lRoomWidth, int32_t lRoomHeight) {
  if (lWidth < 1 || lHeight < 1) return kZoomActual;
  if (lRoomWidth < 1 || lRoomHeight < 1) return kZoomMin;
  // The smaller of the two ratios; a fraction of whole pixels, so the fitting side fills the
  // room exactly.
  if (int64_t{lRoomWidth} * lHeight <= int64_t{lRoomHeight} * lWidth)
    return MakeZoom(lRoomWidth, lWidth);
  return MakeZoom(lRoomHeight, lHeight);
}

int64_t ZoomedLength(int64_t lLength, sZoom zoom) {
  if (lLength < 1) return 0;
  return std::max<int64_t>(1, lLength * zoom.lNum / zoom.lDen);
}

std::string ZoomPercentText(sZoom zoom) {
  // Hundredths of a per cent, rounded half up.
  const int64_t lHundredths = (zoom.lNum * 20000 + zoom.lDen) / (2 * zoom.lDen);
  std::string sText = std::to_string(lHundredths / 100);
  const int64_t lFraction = lHundredths % 100;
  if (lFraction != 0) {
    sText += '.';
    sText += static_cast<char>('0' + lFraction / 10);
    if (lFraction % 10 != 0) sText += static_cast<char>('0' + lFraction % 10);
  }
  return sText;
}

void DrawZoomed(hDC hDest, int32_t lDestLeft, int32_t lDestTop, int32_t lWidth, int32_t lHeight,
                hDC hSrc, sZoom zoom, int64_t lLeft, int64_t lTop) {
  if (hDest == nullptr || hSrc == nullptr || zoom.lNum < 1 || zoom.lDen < 1) return;
  const int64_t lPictureWidth = hSrc->SurfaceWidth();
  const int64_t lPictureHeight = hSrc->SurfaceHeight();
  if (lPictureWidth < 1 || lPictureHeight < 1) return;
  // Clip against the zoomed picture and the destination.
  int64_t x0 = lLeft, y0 = lTop, dx = lDestLeft, dy = lDestTop;
  int64_t x1 = lLeft + std::max(0, lWidth), y1 = lTop + std::max(0, lHeight);
  if (x0 < 0) {
    dx -= x0;
    x0 = 0;
  }
  if (y0 < 0) {
    dy -= y0;
    y0 = 0;
  }
  if (dx < 0) {
    x0 -= dx;
    dx = 0;
  }
  if (dy < 0) {
    y0 -= dy;
    dy = 0;
  }
  x1 = std::min({x1, ZoomedLength(lPictureWidth, zoom), x0 + hDest->SurfaceWidth() - dx});
  y1 = std::min({y1, ZoomedLength(lPictureHeight, zoom), y0 + hDest->SurfaceHeight() - dy});
  if (x1 <= x0 || y1 <= y0) return;
  if (zoom == kZoomActual) {
    BitBlt(hDest, static_cast<int32_t>(dx), static_cast<int32_t>(dy), static_cast<int32_t>(x1 - x0),
           static_cast<int32_t>(y1 - y0), hSrc, static_cast<int32_t>(x0), static_cast<int32_t>(y0),
           SRCCOPY);
    return;
  }

  const sSpans columns = Spans(x0, x1 - x0, lPictureWidth, zoom);
  const sSpans rows = Spans(y0, y1 - y0, lPictureHeight, zoom);
  const bool bEnlarge = zoom > kZoomActual;
  // A box column sum of up to 256 rows of bytes fits 16 bits, its box total then 32.
  const bool bNarrowSums = zoom.lDen / zoom.lNum < 256;
  ParallelFor(y1 - y0, kRowsPerChunk, [&](int64_t lFirst, int64_t lLast) {
    std::vector<uint16_t> narrowSums;
    std::vector<uint32_t> wideSums;
    for (int64_t i = lFirst; i < lLast; ++i) {
      uint8_t* pOut = hDest->DisplayRow(static_cast<int32_t>(dy + i)) + 3 * dx;
      const int64_t lRow = rows.first[static_cast<size_t>(i)];
      if (bEnlarge) {
        // Shown rows of the same picture row are copies of the first of them.
        if (i > lFirst && lRow == rows.first[static_cast<size_t>(i - 1)]) {
          std::memcpy(pOut, hDest->DisplayRow(static_cast<int32_t>(dy + i - 1)) + 3 * dx,
                      static_cast<size_t>(3 * (x1 - x0)));
          continue;
        }
        const uint8_t* pIn = hSrc->DisplayRow(static_cast<int32_t>(lRow));
        for (size_t c = 0; c < columns.first.size(); ++c)
          std::memcpy(pOut + 3 * c, pIn + 3 * columns.first[c], 3);
      } else if (bNarrowSums) {
        AverageRow<uint16_t, uint32_t>(pOut, hSrc, lRow, rows.last[static_cast<size_t>(i)], columns,
                                       narrowSums);
      } else {
        AverageRow<uint32_t, uint64_t>(pOut, hSrc, lRow, rows.last[static_cast<size_t>(i)], columns,
                                       wideSums);
      }
    }
  });
}

}  // namespace brennic
