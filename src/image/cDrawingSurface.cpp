#include "cDrawingSurface.h"

#include <algorithm>
#include <cstring>

#include "cParallel.h"
#include "mConventions.h"

namespace brennic {

namespace {

// Below this many bytes a copy is not worth waking the workers for.
constexpr int64_t kParallelCopyBytes = int64_t{4} << 20;

void CopyRows(uint8_t* pDest, int64_t lDestStep, const uint8_t* pSrc, int64_t lSrcStep,
              int64_t lRowBytes, int32_t lRows) {
  const int64_t lTotal = lRowBytes * lRows;
  // Same layout and whole rows back to back: one contiguous block.
  if (lDestStep == lSrcStep && (lDestStep == lRowBytes || lDestStep == -lRowBytes)) {
    uint8_t* d = lDestStep > 0 ? pDest : pDest + lDestStep * (lRows - 1);
    const uint8_t* s = lSrcStep > 0 ? pSrc : pSrc + lSrcStep * (lRows - 1);
    if (lTotal < kParallelCopyBytes) {
      std::memcpy(d, s, static_cast<size_t>(lTotal));
      return;
    }
    constexpr int64_t kChunk = int64_t{1} << 20;
    ParallelFor((lTotal + kChunk - 1) / kChunk, 1, [&](int64_t lFirst, int64_t lLast) {
      const int64_t lBegin = lFirst * kChunk;
      const int64_t lEnd = std::min(lTotal, lLast * kChunk);
      std::memcpy(d + lBegin, s + lBegin, static_cast<size_t>(lEnd - lBegin));
    });
    return;
  }
  auto copy = [&](int64_t lFirst, int64_t lLast) {
    for (int64_t y = lFirst; y < lLast; ++y) {
      std::memcpy(pDest + y * lDestStep, pSrc + y * lSrcStep, static_cast<size_t>(lRowBytes));
    }
  };
  if (lTotal < kParallelCopyBytes) {
    copy(0, lRows);
  } else {
    ParallelFor(lRows, std::max<int64_t>(1, (int64_t{1} << 20) / std::max<int64_t>(1, lRowBytes)),
                copy);
  }
}

}  // namespace

void BitBlt(hDC hDest, int32_t lDestLeft, int32_t lDestTop, int32_t lWidth, int32_t lHeight,
            hDC hSrc, int32_t lSrcLeft, int32_t lSrcTop, int32_t eRop) {
  if (hDest == nullptr || hSrc == nullptr || eRop != SRCCOPY) return;
  // Clip the rectangle against both surfaces, in 64 bits so that no sum can overflow.
  int64_t dx = lDestLeft, dy = lDestTop, sx = lSrcLeft, sy = lSrcTop, w = lWidth, h = lHeight;
  if (dx < 0) {
    w += dx;
    sx -= dx;
    dx = 0;
  }
  if (dy < 0) {
    h += dy;
    sy -= dy;
    dy = 0;
  }
  if (sx < 0) {
    w += sx;
    dx -= sx;
    sx = 0;
  }
  if (sy < 0) {
    h += sy;
    dy -= sy;
    sy = 0;
  }
  w = std::min({w, int64_t{hDest->SurfaceWidth()} - dx, int64_t{hSrc->SurfaceWidth()} - sx});
  h = std::min({h, int64_t{hDest->SurfaceHeight()} - dy, int64_t{hSrc->SurfaceHeight()} - sy});
  if (w <= 0 || h <= 0) return;
  const int64_t lRowBytes = 3 * w;
  uint8_t* pDest = hDest->DisplayRow(static_cast<int32_t>(dy)) + 3 * dx;
  const uint8_t* pSrc = hSrc->DisplayRow(static_cast<int32_t>(sy)) + 3 * sx;
  int64_t lDestStep = hDest->DisplayRowStep();
  int64_t lSrcStep = hSrc->DisplayRowStep();
  // A full-width copy between equal layouts includes the row padding, so it stays one block.
  const int64_t lFullRow = BytesPerScanLineFor(w);
  const bool bWholeRows = dx == 0 && sx == 0 && w == hDest->SurfaceWidth() &&
                          w == hSrc->SurfaceWidth() && lDestStep == lSrcStep &&
                          (lDestStep == lFullRow || lDestStep == -lFullRow);
  if (hDest == hSrc) {
    // A surface onto itself: rows may overlap, so move them in an order that reads each row
    // before it is overwritten.
    if (pDest == pSrc) return;
    const bool bForward = pDest < pSrc;
    for (int64_t i = 0; i < h; ++i) {
      const int64_t y = bForward == (lDestStep > 0) ? i : h - 1 - i;
      std::memmove(pDest + y * lDestStep, pSrc + y * lSrcStep, static_cast<size_t>(lRowBytes));
    }
    return;
  }
  CopyRows(pDest, lDestStep, pSrc, lSrcStep, bWholeRows ? lFullRow : lRowBytes,
           static_cast<int32_t>(h));
}

cMemorySurface::cMemorySurface(int32_t lWidth, int32_t lHeight) {
  if (lWidth < 1 || lHeight < 1) return;
  m_lWidth = lWidth;
  m_lHeight = lHeight;
  m_lStride = BytesPerScanLineFor(lWidth);
  m_bytes.assign(static_cast<size_t>(m_lStride * lHeight), 0);
}

}  // namespace brennic
