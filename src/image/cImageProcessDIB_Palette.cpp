// Palette reduction: error diffusion towards the nearest palette colour, column by column.
//
// The result is that of the plain loop, which asks cPalette::ClosestIndex for every pixel. The
// search here is faster but finds the same entry: the colour cube is cut into cells, and each
// cell keeps only the entries that can be nearest to some colour inside it (an entry whose
// smallest possible distance exceeds another entry's largest is never nearest nor tied). The
// candidates keep their palette order, and the nearest is the one of smallest (distance, index),
// which is what the linear search with its early exact match and strict improvement returns.

#include <algorithm>
#include <cstring>
#include <vector>

#include "cColumnProgress.h"
#include "cError.h"
#include "cErrorDiffusion.h"
#include "cImageProcessDIB.h"
#include "cPalette.h"
#include "cParallel.h"
#include "cPixelPass.h"
#include "mConventions.h"
#include "mPixelLanes.h"

namespace brennic {

using namespace lanes;

namespace {

class cNearestColour {
 public:
  static constexpr int32_t kCellBits = 4;  // cells of 16 x 16 x 16 colours
  static constexpr int32_t kCells = 256 >> kCellBits;
  static constexpr int32_t kLanes = 8;
  // The search packs (distance, index) into one number.
  static constexpr int32_t kMaxEntries = 0xFFFF;

  static bool Handles(const cPalette& cPal) { return cPal.Count() <= kMaxEntries; }

  explicit cNearestColour(const cPalette& cPal) {
    const int32_t n = cPal.Count();
    std::vector<int32_t> lRed(static_cast<size_t>(n)), lGreen(lRed), lBlue(lRed);
    for (int32_t i = 0; i < n; ++i) {
      lRed[static_cast<size_t>(i)] = cPal.Red(i + 1);
      lGreen[static_cast<size_t>(i)] = cPal.Green(i + 1);
      lBlue[static_cast<size_t>(i)] = cPal.Blue(i + 1);
    }
    // Candidate lists per cell, each padded to whole vectors with entries that never win.
    std::vector<std::vector<int32_t>> lLists(kCells * kCells * kCells);
    ParallelFor(static_cast<int64_t>(lLists.size()), 64, [&](int64_t lFirst, int64_t lLast) {
      std::vector<int32_t> lMin(static_cast<size_t>(n));
      for (int64_t cell = lFirst; cell < lLast; ++cell) {
        const int32_t lo[3] = {static_cast<int32_t>(cell / (kCells * kCells)) << kCellBits,
                               static_cast<int32_t>(cell / kCells % kCells) << kCellBits,
                               static_cast<int32_t>(cell % kCells) << kCellBits};
        const int32_t lSize = (1 << kCellBits) - 1;
        int32_t lBound = INT32_MAX;
        for (int32_t i = 0; i < n; ++i) {
          const int32_t e[3] = {lRed[static_cast<size_t>(i)], lGreen[static_cast<size_t>(i)],
                                lBlue[static_cast<size_t>(i)]};
          int32_t dMin = 0, dMax = 0;
          for (int k = 0; k < 3; ++k) {
            const int32_t a = lo[k] - e[k], b = e[k] - (lo[k] + lSize);
            dMin += std::max({a, b, 0});
            dMax += std::max(std::abs(a), std::abs(b));
          }
          lMin[static_cast<size_t>(i)] = dMin;
          lBound = std::min(lBound, dMax);
        }
        auto& list = lLists[static_cast<size_t>(cell)];
        for (int32_t i = 0; i < n; ++i) {
          if (lMin[static_cast<size_t>(i)] <= lBound) list.push_back(i);
        }
      }
    });
    m_lStart.resize(lLists.size() + 1);
    for (size_t cell = 0; cell < lLists.size(); ++cell) {
      m_lStart[cell] = static_cast<int32_t>(m_lRed.size());
      const auto& list = lLists[cell];
      const size_t lPadded = (list.size() + kLanes - 1) / kLanes * kLanes;
      for (size_t k = 0; k < lPadded; ++k) {
        if (k < list.size()) {
          const auto i = static_cast<size_t>(list[k]);
          m_lRed.push_back(lRed[i]);
          m_lGreen.push_back(lGreen[i]);
          m_lBlue.push_back(lBlue[i]);
          m_lIndex.push_back(static_cast<int32_t>(i) + 1);
        } else {
          m_lRed.push_back(kFar);
          m_lGreen.push_back(kFar);
          m_lBlue.push_back(kFar);
          m_lIndex.push_back(kMaxEntries);
        }
      }
    }
    m_lStart.back() = static_cast<int32_t>(m_lRed.size());
  }

  // cPalette::ClosestIndex(lRed, lGreen, lBlue): 0 when no entry lies closer than 765.
  int32_t ClosestIndex(int32_t lRed, int32_t lGreen, int32_t lBlue) const {
    const size_t lCell = (static_cast<size_t>(lRed >> kCellBits) * kCells +
                          static_cast<size_t>(lGreen >> kCellBits)) *
                             kCells +
                         static_cast<size_t>(lBlue >> kCellBits);
    i32x8 lBest = i32x8{} + INT32_MAX;
    for (int32_t k = m_lStart[lCell]; k < m_lStart[lCell + 1]; k += kLanes) {
      const i32x8 dr = LoadU<i32x8>(&m_lRed[static_cast<size_t>(k)]) - lRed;
      const i32x8 dg = LoadU<i32x8>(&m_lGreen[static_cast<size_t>(k)]) - lGreen;
      const i32x8 db = LoadU<i32x8>(&m_lBlue[static_cast<size_t>(k)]) - lBlue;
      const i32x8 d = (dr < 0 ? -dr : dr) + (dg < 0 ? -dg : dg) + (db < 0 ? -db : db);
      const i32x8 lKey = (d << 16) | LoadU<i32x8>(&m_lIndex[static_cast<size_t>(k)]);
      lBest = lKey < lBest ? lKey : lBest;
    }
    int32_t lMin = lBest[0];
    for (int32_t k = 1; k < kLanes; ++k)
      lMin = std::min(lMin, lBest[k]);
    return (lMin >> 16) < 765 ? (lMin & 0xFFFF) : 0;
  }

 private:
  static constexpr int32_t kFar = 4000;  // a padding colour farther than any real one
  std::vector<int32_t> m_lStart;         // first candidate of each cell, and the end
  std::vector<int32_t> m_lRed, m_lGreen, m_lBlue, m_lIndex;
};

// One channel set of a pixel in the diffusion, red, green, blue.
struct Rgb {
  int32_t r = 0, g = 0, b = 0;
};

// The plain loop: for each pixel the nearest entry (entry 1 when none is nearer than 765) is
// written; an error of city-block size 4 or more goes 7/16 to the right (except from the last two
// columns) and 4/16 down (within columns 1 .. last - 1), each addition clamped at once. The
// weight-0 diagonals change nothing. The result is written to both images as it is made.
template <typename Closest, typename OnColumns>
void DiffusePalette(cDIBSection& cFrom, cDIBSection& cTo, const cPalette& cPal,
                    const Closest& closest, OnColumns onColumns) {
  const int32_t lWidth = cTo.Width();
  const int32_t lHeight = cTo.Height();
  const int32_t lLast = lWidth - 1;
  const int64_t lStride = cTo.BytesPerScanLine();
  uint8_t* pFrom = cFrom.DIBSectionBitsPtr();
  uint8_t* pTo = cTo.DIBSectionBitsPtr();
  std::vector<Rgb> lBandIn(static_cast<size_t>(lHeight));
  std::vector<Rgb> lBandOut(static_cast<size_t>(lHeight));
  for (int32_t y = 0; y < lHeight; ++y) {
    const uint8_t* p = pFrom + y * lStride;
    lBandIn[static_cast<size_t>(y)] = {p[2], p[1], p[0]};
  }
  for (int32_t c0 = 0; c0 < lWidth; c0 += kDiffusionBand) {
    const int32_t lColumns = std::min(kDiffusionBand, lWidth - c0);
    Rgb lSlot[kDiffusionBand];
    Rgb lDown[kDiffusionBand];
    VisitSkewedBand(lColumns, lHeight, [&](int32_t j, int32_t y) {
      const int32_t c = c0 + j;
      const Rgb& q = j == 0 ? lBandIn[static_cast<size_t>(y)] : lSlot[j];
      const int32_t r = ClampByte(q.r + lDown[j].r);
      const int32_t g = ClampByte(q.g + lDown[j].g);
      const int32_t b = ClampByte(q.b + lDown[j].b);
      int32_t i = closest(r, g, b);
      if (i == 0) i = 1;  // every entry at distance 765: the first one
      const int32_t lRed = cPal.Red(i), lGreen = cPal.Green(i), lBlue = cPal.Blue(i);
      uint8_t* pT = pTo + y * lStride + 3 * c;
      uint8_t* pF = pFrom + y * lStride + 3 * c;
      pT[0] = pF[0] = static_cast<uint8_t>(lBlue);
      pT[1] = pF[1] = static_cast<uint8_t>(lGreen);
      pT[2] = pF[2] = static_cast<uint8_t>(lRed);
      const Rgb e{r - lRed, g - lGreen, b - lBlue};
      const bool bPass = std::abs(e.r) + std::abs(e.g) + std::abs(e.b) >= 4;
      if (bPass && c >= 1 && c <= lLast - 1 && y < lHeight - 1) {
        lDown[j] = {4 * e.r / 16, 4 * e.g / 16, 4 * e.b / 16};
      } else {
        lDown[j] = {};
      }
      if (c < lLast) {
        Rgb lNext{pF[5], pF[4], pF[3]};
        if (bPass && c < lLast - 1) {
          lNext = {ClampByte(lNext.r + 7 * e.r / 16), ClampByte(lNext.g + 7 * e.g / 16),
                   ClampByte(lNext.b + 7 * e.b / 16)};
        }
        if (j + 1 < lColumns) {
          lSlot[j + 1] = lNext;
        } else {
          lBandOut[static_cast<size_t>(y)] = lNext;
        }
      }
    });
    lBandIn.swap(lBandOut);
    onColumns(c0 + lColumns);
  }
  const int64_t lUsed = 3 * int64_t{lWidth};
  for (int32_t y = 0; y < lHeight; ++y) {
    std::memcpy(pFrom + y * lStride + lUsed, pTo + y * lStride + lUsed,
                static_cast<size_t>(lStride - lUsed));
  }
}

}  // namespace

void cImageProcessDIB::ApplyPalette(cDIBSection& cFrom, cDIBSection& cTo, const cPalette& cPal) {
  if (cFrom.Width() != cTo.Width() || cFrom.Height() != cTo.Height() ||
      (cFrom.DIBSectionBitsPtr() == nullptr) != (cTo.DIBSectionBitsPtr() == nullptr)) {
    throw cError(kErrSizesDoNotMatch, ErrorSource(".cImageProcess"), "Image sizes do not match.");
  }
  if (&cFrom == &cTo) {
    // The diffusion needs a second image; the result ends up in both anyway.
    cDIBSection cWork;
    if (!cWork.Create(cTo.Width(), cTo.Height())) {
      throw cError(7, ErrorSource(".cImageProcess"), "Out of memory");
    }
    ApplyPalette(cFrom, cWork, cPal);
    return;
  }
  const int64_t lStart = TickCountMs();
  const int32_t xLast = 3 * (cTo.Width() - 1);
  if (Listener() != nullptr) Listener()->InitProgress(xLast);
  cColumnProgress progress(Listener(), 0, xLast, cTo.Width());
  auto onColumns = [&](int32_t lColumnsDone) { progress.Advance(lColumnsDone); };
  if (cTo.DIBSectionBitsPtr() == nullptr) {
    // Nothing to reduce.
  } else if (cPal.Count() == 0) {
    // No colours to reduce to: the picture stays as it is, and both images hold it.
    cTo.LoadPictureBlt(cFrom.hdc(), 0, 0, -1, -1, SRCCOPY);
  } else if (cNearestColour::Handles(cPal)) {
    const cNearestColour nearest(cPal);
    DiffusePalette(
        cFrom, cTo, cPal,
        [&nearest](int32_t r, int32_t g, int32_t b) { return nearest.ClosestIndex(r, g, b); },
        onColumns);
  } else {
    DiffusePalette(
        cFrom, cTo, cPal,
        [&cPal](int32_t r, int32_t g, int32_t b) { return cPal.ClosestIndex(r, g, b); }, onColumns);
  }
  progress.Finish();
  cOperationEvents::Complete(Listener(), lStart);
}

}  // namespace brennic
