// Combination of two images: weighted sum with offsets, and selection by brightness key.
//
// Every pixel is independent, so rows are shared among the worker threads and 16 or 32 bytes
// are combined at once. The results are those of the plain loops (kept in the tests as the
// reference): the weighted sum is exact integer arithmetic in lanes wide enough for the largest
// possible value, and the selection compares the same integer keys.

#include <algorithm>
#include <chrono>
#include <vector>

#include "cError.h"
#include "cImageProcessDIB.h"
#include "cParallel.h"
#include "mConventions.h"
#include "mPixelLanes.h"
#include "mSimd.h"

namespace brennic {

using namespace lanes;

namespace {

// cFrom must cover every pixel of cTo.
bool CheckSizes(const cDIBSection& cFrom, const cDIBSection& cTo) {
  if (cTo.DIBSectionBitsPtr() == nullptr) return false;  // nothing to write
  if (cFrom.DIBSectionBitsPtr() == nullptr || cFrom.Width() < cTo.Width() ||
      cFrom.Height() < cTo.Height()) {
    throw cError(kErrSizesDoNotMatch, ErrorSource(".cImageProcess"), "Image sizes do not match.");
  }
  return true;
}

// Runs rowFn(pFromRow, pToRow, lWidth) over the rows of cTo on the worker threads.
template <typename RowFn>
void ForEachRowPair(const cDIBSection& cFrom, cDIBSection& cTo, const RowFn& rowFn) {
  const uint8_t* pFrom = cFrom.DIBSectionBitsPtr();
  uint8_t* pTo = cTo.DIBSectionBitsPtr();
  const int64_t lFromStride = cFrom.BytesPerScanLine();
  const int64_t lToStride = cTo.BytesPerScanLine();
  const int32_t lWidth = cTo.Width();
  const int64_t lGrain = std::max<int64_t>(1, (int64_t{1} << 16) / lToStride);
  ParallelFor(cTo.Height(), lGrain, [&](int64_t lFirst, int64_t lLast) {
    for (int64_t y = lFirst; y < lLast; ++y)
      rowFn(pFrom + y * lFromStride, pTo + y * lToStride, lWidth);
  });
}

// --- Weighted sum -------------------------------------------------------------------------------
// value = (from + oF) mF + (to + oT) mT = from mF + to mT + (oF mF + oT mT). When every such sum
// and its parts fit a lane type (the caller checks the bound), the regrouped sum is the same
// exact integer. The constant depends on the channel, so it is laid out once per byte of a row.

// Lanes of 16 bits: every term below 2^15 in magnitude.
BRENNIC_SIMD_CLONES void AddRow16(const uint8_t* pFrom, uint8_t* pTo, int64_t lBytes,
                                  const int16_t* pConstant, int16_t mF, int16_t mT) {
  int64_t i = 0;
  for (; i + 32 <= lBytes; i += 32) {
    i16x32 v = __builtin_convertvector(LoadU<u8x32>(pFrom + i), i16x32) * mF +
               LoadU<i16x32>(pConstant + i);
    if (mT != 0) v += __builtin_convertvector(LoadU<u8x32>(pTo + i), i16x32) * mT;
    v = v < 0 ? 0 : v;
    v = v > 255 ? 255 : v;
    StoreU(pTo + i, __builtin_convertvector(v, u8x32));
  }
  for (; i < lBytes; ++i)
    pTo[i] = ClampByte(pFrom[i] * mF + pTo[i] * mT + pConstant[i]);
}

// Lanes of 32 bits: every term within the 32-bit range.
BRENNIC_SIMD_CLONES void AddRow32(const uint8_t* pFrom, uint8_t* pTo, int64_t lBytes,
                                  const int32_t* pConstant, int32_t mF, int32_t mT) {
  int64_t i = 0;
  for (; i + 16 <= lBytes; i += 16) {
    i32x16 v = Widen(LoadU<u8x16>(pFrom + i)) * mF + LoadU<i32x16>(pConstant + i);
    if (mT != 0) v += Widen(LoadU<u8x16>(pTo + i)) * mT;
    StoreU(pTo + i, Narrow(Clamp255(v)));
  }
  for (; i < lBytes; ++i)
    pTo[i] = ClampByte(pFrom[i] * mF + pTo[i] * mT + pConstant[i]);
}

// Beyond 32 bits: plain per-byte arithmetic in a type wide enough for the exact sum.
template <typename Wide>
void AddRowWide(const uint8_t* pFrom, uint8_t* pTo, int64_t lBytes, Wide mF, const Wide oF[3],
                Wide mT, const Wide oT[3]) {
  for (int64_t i = 0; i < lBytes; ++i) {
    const int64_t c = i % 3;
    pTo[i] = ClampByte((Wide(pFrom[i]) + oF[c]) * mF + (Wide(pTo[i]) + oT[c]) * mT);
  }
}

template <typename Wide>
void AddImagesWide(const cDIBSection& cFrom, cDIBSection& cTo, Wide mF, const int32_t oF[3],
                   Wide mT, const int32_t oT[3]) {
  const Wide oFw[3] = {oF[0], oF[1], oF[2]}, oTw[3] = {oT[0], oT[1], oT[2]};
  ForEachRowPair(cFrom, cTo, [&](const uint8_t* pF, uint8_t* pT, int32_t lWidth) {
    AddRowWide<Wide>(pF, pT, 3 * int64_t{lWidth}, mF, oFw, mT, oTw);
  });
}

// --- Selection by key ---------------------------------------------------------------------------
// The key of a pixel is 929 G + 71 B; cFrom's pixel replaces cTo's when its key is smaller
// (bFromIfSmaller) or larger.

int32_t Key(const uint8_t* p) {
  return 929 * p[1] + 71 * p[0];
}

BRENNIC_LANE i32x16 Key16(u32x16 w) {
  return ChannelOf(w, 1) * 929 + ChannelOf(w, 0) * 71;
}

BRENNIC_SIMD_CLONES void SelectRow(const uint8_t* pFrom, uint8_t* pTo, int64_t lWidth,
                                   bool bFromIfSmaller) {
  int64_t c = 0;
  for (; c + kQuadsReach <= lWidth; c += 16) {
    const u32x16 f = LoadQuads16(pFrom + 3 * c);
    const u32x16 t = LoadQuads16(pTo + 3 * c);
    const i32x16 kf = Key16(f), kt = Key16(t);
    // Compare "smaller" either way round (a choice between two comparisons is not vectorised).
    const i32x16 lLow = bFromIfSmaller ? kf : kt, lHigh = bFromIfSmaller ? kt : kf;
    const i32x16 bTake = lLow < lHigh;
    StoreQuads16(pTo + 3 * c, bTake ? f : t);
  }
  for (; c < lWidth; ++c) {
    const uint8_t* f = pFrom + 3 * c;
    uint8_t* t = pTo + 3 * c;
    if (bFromIfSmaller ? Key(f) < Key(t) : Key(f) > Key(t)) {
      t[0] = f[0];
      t[1] = f[1];
      t[2] = f[2];
    }
  }
}

}  // namespace

int64_t TickCountMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool cImageProcessDIB::AddImages(cDIBSection& cFrom, cDIBSection& cTo, int32_t lFromMultiplier,
                                 int32_t lFromOffsetR, int32_t lFromOffsetG, int32_t lFromOffsetB,
                                 int32_t lToMultiplier, int32_t lToOffsetR, int32_t lToOffsetG,
                                 int32_t lToOffsetB) {
  if (!CheckSizes(cFrom, cTo)) return true;
  // Channel order in memory is blue, green, red.
  const int32_t oF[3] = {lFromOffsetB, lFromOffsetG, lFromOffsetR};
  const int32_t oT[3] = {lToOffsetB, lToOffsetG, lToOffsetR};
  // The largest magnitude any partial sum can reach decides the arithmetic: 16 bits for what the
  // menus use, 32, 64 or 128 bits for extreme dialog entries, so the sum is always exact before
  // it is clamped.
  Int128 lBound = 0;
  for (int c = 0; c < 3; ++c) {
    const Int128 f = (Int128{255} + (oF[c] < 0 ? -Int128{oF[c]} : Int128{oF[c]})) *
                     (lFromMultiplier < 0 ? -Int128{lFromMultiplier} : lFromMultiplier);
    const Int128 t = (Int128{255} + (oT[c] < 0 ? -Int128{oT[c]} : Int128{oT[c]})) *
                     (lToMultiplier < 0 ? -Int128{lToMultiplier} : lToMultiplier);
    if (f + t > lBound) lBound = f + t;
  }
  const int64_t lRowBytes = 3 * int64_t{cTo.Width()};
  if (lBound <= INT32_MAX) {
    std::vector<int32_t> lConstant(static_cast<size_t>(lRowBytes));
    for (int64_t i = 0; i < lRowBytes; ++i) {
      lConstant[static_cast<size_t>(i)] = oF[i % 3] * lFromMultiplier + oT[i % 3] * lToMultiplier;
    }
    if (lBound <= INT16_MAX) {
      const std::vector<int16_t> lConstant16(lConstant.begin(), lConstant.end());
      const auto mF = static_cast<int16_t>(lFromMultiplier);
      const auto mT = static_cast<int16_t>(lToMultiplier);
      ForEachRowPair(cFrom, cTo, [&](const uint8_t* pF, uint8_t* pT, int32_t lWidth) {
        AddRow16(pF, pT, 3 * int64_t{lWidth}, lConstant16.data(), mF, mT);
      });
    } else {
      ForEachRowPair(cFrom, cTo, [&](const uint8_t* pF, uint8_t* pT, int32_t lWidth) {
        AddRow32(pF, pT, 3 * int64_t{lWidth}, lConstant.data(), lFromMultiplier, lToMultiplier);
      });
    }
  } else if (lBound <= INT64_MAX) {
    AddImagesWide<int64_t>(cFrom, cTo, lFromMultiplier, oF, lToMultiplier, oT);
  } else {
    AddImagesWide<Int128>(cFrom, cTo, lFromMultiplier, oF, lToMultiplier, oT);
  }
  return true;
}

void cImageProcessDIB::AddLightest(cDIBSection& cFrom, cDIBSection& cTo) {
  if (!CheckSizes(cFrom, cTo)) return;
  ForEachRowPair(cFrom, cTo, [](const uint8_t* pF, uint8_t* pT, int32_t lWidth) {
    SelectRow(pF, pT, lWidth, true);
  });
}

void cImageProcessDIB::AddDarkest(cDIBSection& cFrom, cDIBSection& cTo) {
  if (!CheckSizes(cFrom, cTo)) return;
  ForEachRowPair(cFrom, cTo, [](const uint8_t* pF, uint8_t* pT, int32_t lWidth) {
    SelectRow(pF, pT, lWidth, false);
  });
}

}  // namespace brennic
