#include "FilterPreview.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace brennic {

bool CopyCentredRegion(const cDIBSection& cFrom, int32_t lMaxSide, cDIBSection& cTo) {
  const uint8_t* pFrom = cFrom.DIBSectionBitsPtr();
  if (pFrom == nullptr || cFrom.Width() < 1 || cFrom.Height() < 1 || lMaxSide < 1) return false;
  const int32_t w = std::min(lMaxSide, cFrom.Width());
  const int32_t h = std::min(lMaxSide, cFrom.Height());
  cDIBSection cRegion;
  if (!cRegion.Create(w, h)) return false;
  const int64_t lLeftByte = int64_t{(cFrom.Width() - w) / 2} * 3;
  const int64_t lBottom = (cFrom.Height() - h) / 2;
  for (int64_t y = 0; y < h; ++y) {
    std::memcpy(cRegion.DIBSectionBitsPtr() + y * cRegion.BytesPerScanLine(),
                pFrom + (lBottom + y) * cFrom.BytesPerScanLine() + lLeftByte,
                static_cast<size_t>(w) * 3);
  }
  // The copy is made aside so that a failed Create leaves cTo untouched.
  if (!cTo.Create(w, h)) return false;
  std::memcpy(cTo.DIBSectionBitsPtr(), cRegion.DIBSectionBitsPtr(),
              static_cast<size_t>(cRegion.BytesPerScanLine() * h));
  return true;
}

cClipCount CountClippedChannels(const cImageProcessDIB& cEngine, const cDIBSection& cImage) {
  cClipCount count;
  const int32_t lSize = cEngine.FilterArraySize();
  const uint8_t* pBits = cImage.DIBSectionBitsPtr();
  if (lSize < 1 || pBits == nullptr) return count;
  const int32_t h = lSize / 2;
  const int32_t W = cImage.Width();
  const int32_t H = cImage.Height();
  if (W <= 2 * h || H <= 2 * h) return count;

  // Row by row: every kernel value adds its share to the sums of a whole row at once. The sums
  // are exact, so the order of the additions does not matter.
  const int64_t lStride = cImage.BytesPerScanLine();
  const int64_t lFirst = 3 * int64_t{h};
  const int64_t lLast = 3 * int64_t{W} - 3 * int64_t{h};  // one past the last byte
  const int64_t lWeight = cEngine.FilterWeight() == 0 ? 1 : cEngine.FilterWeight();
  std::vector<int64_t> lSums(static_cast<size_t>(lLast - lFirst));
  for (int64_t y = h; y <= H - h - 1; ++y) {
    std::fill(lSums.begin(), lSums.end(), 0);
    for (int32_t j = -h; j <= h; ++j) {
      const uint8_t* pRow = pBits + (y + j) * lStride;
      for (int32_t i = -h; i <= h; ++i) {
        const int64_t k = cEngine.FilterValue(i, j);
        if (k == 0) continue;
        const uint8_t* pSource = pRow + lFirst + 3 * int64_t{i};
        for (size_t b = 0; b < lSums.size(); ++b)
          lSums[b] += k * pSource[b];
      }
    }
    for (const int64_t lSum : lSums) {
      const int64_t lQuotient = lSum / lWeight;
      if (lQuotient < 0 || lQuotient > 255) ++count.lClipped;
    }
    count.lComputed += static_cast<int64_t>(lSums.size());
  }
  return count;
}

}  // namespace brennic
