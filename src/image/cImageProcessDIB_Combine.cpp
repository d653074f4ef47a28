// Combination of two images: weighted sum with offsets, and selection by brightness key.

#include <chrono>

#include "cError.h"
#include "cImageProcessDIB.h"
#include "mConventions.h"

namespace brennic {

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

// Runs op(from pixel, to pixel) over every pixel of cTo, column by column.
template <typename Op>
void ForEachPixelPair(const cDIBSection& cFrom, cDIBSection& cTo, Op op) {
  const uint8_t* pFrom = cFrom.DIBSectionBitsPtr();
  uint8_t* pTo = cTo.DIBSectionBitsPtr();
  const int64_t lFromStride = cFrom.BytesPerScanLine();
  const int64_t lToStride = cTo.BytesPerScanLine();
  const int64_t xEnd = 3 * (int64_t{cTo.Width()} - 1);
  for (int64_t x = 0; x <= xEnd; x += 3) {
    for (int64_t y = 0; y < cTo.Height(); ++y) {
      op(pFrom + y * lFromStride + x, pTo + y * lToStride + x);
    }
  }
}

template <typename Wide>
void AddImagesWith(const cDIBSection& cFrom, cDIBSection& cTo, Wide mF, const Wide oF[3], Wide mT,
                   const Wide oT[3]) {
  ForEachPixelPair(cFrom, cTo, [&](const uint8_t* f, uint8_t* t) {
    for (int c = 0; c < 3; ++c) {
      const Wide v = (Wide(f[c]) + oF[c]) * mF + (Wide(t[c]) + oT[c]) * mT;
      t[c] = ClampByte(v);
    }
  });
}

int32_t Key(const uint8_t* p) {
  return 929 * p[1] + 71 * p[0];
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
  // The widest intermediate value decides the arithmetic: 32 bits for everything the menus use,
  // 64 or 128 bits for extreme dialog entries, so that the sum is always exact before clamping.
  Int128 lBound = 0;
  for (int c = 0; c < 3; ++c) {
    const Int128 f = (Int128{255} + (oF[c] < 0 ? -Int128{oF[c]} : Int128{oF[c]})) *
                     (lFromMultiplier < 0 ? -Int128{lFromMultiplier} : lFromMultiplier);
    const Int128 t = (Int128{255} + (oT[c] < 0 ? -Int128{oT[c]} : Int128{oT[c]})) *
                     (lToMultiplier < 0 ? -Int128{lToMultiplier} : lToMultiplier);
    if (f + t > lBound) lBound = f + t;
  }
  if (lBound <= INT32_MAX) {
    AddImagesWith<int32_t>(cFrom, cTo, lFromMultiplier, oF, lToMultiplier, oT);
  } else if (lBound <= INT64_MAX) {
    const int64_t oF64[3] = {oF[0], oF[1], oF[2]}, oT64[3] = {oT[0], oT[1], oT[2]};
    AddImagesWith<int64_t>(cFrom, cTo, lFromMultiplier, oF64, lToMultiplier, oT64);
  } else {
    const Int128 oFw[3] = {oF[0], oF[1], oF[2]}, oTw[3] = {oT[0], oT[1], oT[2]};
    AddImagesWith<Int128>(cFrom, cTo, lFromMultiplier, oFw, lToMultiplier, oTw);
  }
  return true;
}

void cImageProcessDIB::AddLightest(cDIBSection& cFrom, cDIBSection& cTo) {
  if (!CheckSizes(cFrom, cTo)) return;
  ForEachPixelPair(cFrom, cTo, [](const uint8_t* f, uint8_t* t) {
    if (Key(f) < Key(t)) {
      t[0] = f[0];
      t[1] = f[1];
      t[2] = f[2];
    }
  });
}

void cImageProcessDIB::AddDarkest(cDIBSection& cFrom, cDIBSection& cTo) {
  if (!CheckSizes(cFrom, cTo)) return;
  ForEachPixelPair(cFrom, cTo, [](const uint8_t* f, uint8_t* t) {
    if (Key(f) > Key(t)) {
      t[0] = f[0];
      t[1] = f[1];
      t[2] = f[2];
    }
  });
}

}  // namespace brennic
