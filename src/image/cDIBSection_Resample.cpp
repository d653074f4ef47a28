// Bilinear resampling into a new image.
//
// Single precision throughout, each product and sum rounded as it is formed (the engine is built
// without fused multiply-adds): sx = (W - 1) / W', sy = (H - 1) / H'; destination (c', y') reads
// source columns x0 = floor(c' sx), x0 + 1 and rows y0 = floor(y' sy), y0 + 1; first the two
// columns are interpolated vertically, A = round((1 - ty) P00 + ty P01) and likewise B, then
// round((1 - tx) A + tx B), rounding half to even. The +1 neighbour is clamped to the last column
// or row; it carries weight 0 whenever the clamp changes it (a source 1 pixel wide or high), so
// nothing outside the picture is read and the result is unchanged.
//
// The vertical step of a destination row depends only on the two source rows and ty, so it is
// done once per source column for the whole row (sixteen bytes at a time, channel by channel
// alike), and the horizontal step then picks from that row. Rows are shared among the worker
// threads.

#include <algorithm>
#include <cmath>
#include <vector>

#include "cDIBSection.h"
#include "cParallel.h"
#include "mConventions.h"
#include "mPixelLanes.h"
#include "mSimd.h"

namespace brennic {

using namespace lanes;

namespace {

// Where a destination column or row samples the source.
struct Sample {
  int32_t lNear;  // x0 or y0
  int32_t lFar;   // x0 + 1 or y0 + 1, clamped to the picture
  float fT;       // tx or ty
  float fOneMinusT;
};

Sample SampleAt(int32_t lDest, float fScale, int32_t lSourceSize) {
  const float f = static_cast<float>(lDest) * fScale;
  const float fFloor = std::floor(f);
  Sample s;
  s.lNear = std::min(static_cast<int32_t>(fFloor), lSourceSize - 1);
  s.lFar = std::min(s.lNear + 1, lSourceSize - 1);
  s.fT = f - fFloor;
  s.fOneMinusT = 1.0F - s.fT;
  return s;
}

// pV[i] = round((1 - ty) p0[i] + ty p1[i]) for the bytes of a source row.
BRENNIC_SIMD_CLONES void InterpolateRows(const uint8_t* p0, const uint8_t* p1, int64_t lBytes,
                                         float fOneMinusT, float fT, float* pV) {
  int64_t i = 0;
  for (; i + 16 <= lBytes; i += 16) {
    const f32x16 a = ToFloat(LoadU<u8x16>(p0 + i)) * fOneMinusT;
    const f32x16 b = ToFloat(LoadU<u8x16>(p1 + i)) * fT;
    StoreU(pV + i, RoundEven(a + b));
  }
  for (; i < lBytes; ++i) {
    const float a = static_cast<float>(p0[i]) * fOneMinusT;
    const float b = static_cast<float>(p1[i]) * fT;
    pV[i] = std::nearbyintf(a + b);
  }
}

// The horizontal step of one destination row from the vertically interpolated source row.
BRENNIC_SIMD_CLONES void InterpolateColumns(const float* pV, const Sample* pColumns, int32_t lWidth,
                                            uint8_t* pOut) {
  for (int32_t c = 0; c < lWidth; ++c) {
    const Sample& s = pColumns[c];
    const float* a = pV + 3 * int64_t{s.lNear};
    const float* b = pV + 3 * int64_t{s.lFar};
    for (int k = 0; k < 3; ++k) {
      const float v = std::nearbyintf(s.fOneMinusT * a[k] + s.fT * b[k]);
      pOut[3 * c + k] = static_cast<uint8_t>(v);
    }
  }
}

}  // namespace

std::unique_ptr<cDIBSection> cDIBSection::Resample(int32_t lNewHeight, int32_t lNewWidth) const {
  if (lNewWidth < 1 || lNewHeight < 1 || DIBSectionBitsPtr() == nullptr) return nullptr;
  auto cNew = std::make_unique<cDIBSection>();
  if (!cNew->Create(lNewWidth, lNewHeight)) return nullptr;
  if (lNewWidth == Width() && lNewHeight == Height()) {
    // The source's surface is only read by the transfer.
    cNew->LoadPictureBlt(const_cast<cDIBSection*>(this)->hdc(), 0, 0, -1, -1, SRCCOPY);
  } else {
    ResampleInto(*cNew);
  }
  return cNew;
}

void cDIBSection::ResampleInto(cDIBSection& cDest) const {
  const int32_t lWidth = Width(), lHeight = Height();
  const int32_t lNewWidth = cDest.Width(), lNewHeight = cDest.Height();
  const float sx = static_cast<float>(lWidth - 1) / static_cast<float>(lNewWidth);
  const float sy = static_cast<float>(lHeight - 1) / static_cast<float>(lNewHeight);
  std::vector<Sample> columns(static_cast<size_t>(lNewWidth));
  for (int32_t c = 0; c < lNewWidth; ++c)
    columns[static_cast<size_t>(c)] = SampleAt(c, sx, lWidth);
  const uint8_t* pSrc = DIBSectionBitsPtr();
  uint8_t* pDest = cDest.DIBSectionBitsPtr();
  const int64_t lSrcStride = BytesPerScanLine();
  const int64_t lDestStride = cDest.BytesPerScanLine();
  const int64_t lRowBytes = 3 * int64_t{lWidth};
  const int64_t lGrain = std::max<int64_t>(1, (int64_t{1} << 16) / lDestStride);
  ParallelFor(lNewHeight, lGrain, [&](int64_t lFirst, int64_t lLast) {
    std::vector<float> v(static_cast<size_t>(lRowBytes));
    for (int64_t y = lFirst; y < lLast; ++y) {
      const Sample row = SampleAt(static_cast<int32_t>(y), sy, lHeight);
      InterpolateRows(pSrc + row.lNear * lSrcStride, pSrc + row.lFar * lSrcStride, lRowBytes,
                      row.fOneMinusT, row.fT, v.data());
      InterpolateColumns(v.data(), columns.data(), lNewWidth, pDest + y * lDestStride);
    }
  });
}

}  // namespace brennic
