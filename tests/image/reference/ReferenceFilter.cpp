#include "image/reference/ReferenceFilter.h"

#include <algorithm>

#include "image/reference/ReferenceColour.h"

namespace brennic::test {

namespace {

uint8_t* At(cDIBSection& img, int64_t x, int64_t y) {
  return img.DIBSectionBitsPtr() + y * img.BytesPerScanLine() + x;
}

void Copy(cDIBSection& cFrom, cDIBSection& cTo) {
  cTo.LoadPictureBlt(cFrom.hdc(), 0, 0, -1, -1, SRCCOPY);
}

uint8_t Clamp(int64_t v) {
  return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255));
}

// Writes value(x, y) into cBuffer for every channel (x = byte offset in the row) of every pixel at
// least h from each edge, column by column, raising the events as it goes.
template <typename Value>
bool Neighbourhood(int32_t h, cDIBSection& cImage, cDIBSection& cBuffer,
                   IImageProcessEvents* pListener, Value value) {
  const int64_t lStart = TickCountMs();
  const int32_t W = cImage.Width(), H = cImage.Height();
  const int32_t xEnd = 3 * W - 3 * h - 3;
  if (pListener != nullptr) pListener->InitProgress(xEnd);
  if (W > 2 * h && H > 2 * h) {
    for (int32_t x = 3 * h; x <= xEnd; x += 3) {
      for (int32_t y = h; y <= H - h - 1; ++y) {
        for (int c = 0; c < 3; ++c)
          At(cBuffer, x + c, y)[0] = Clamp(value(x + c, y));
      }
      if (pListener != nullptr) pListener->Progress(x);
    }
  }
  if (pListener != nullptr) pListener->Complete(static_cast<int32_t>(TickCountMs() - lStart));
  return true;
}

bool Convolve(const cReferenceKernel& k, cDIBSection& cImage, cDIBSection& cBuffer,
              IImageProcessEvents* pListener) {
  const int32_t h = k.lSize / 2;
  const int64_t lWeight = k.lWeight == 0 ? 1 : k.lWeight;
  return Neighbourhood(h, cImage, cBuffer, pListener, [&](int32_t x, int32_t y) {
    int64_t lSum = 0;
    for (int32_t i = -h; i <= h; ++i) {
      for (int32_t j = -h; j <= h; ++j)
        lSum += int64_t{k.Value(i, j)} * At(cImage, x + 3 * i, y + j)[0];
    }
    return lSum / lWeight;
  });
}

// Type 9 is the truncated mean of the 3 x 3 neighbourhood; 10 and 11 its minimum and maximum.
bool RankFilter(int32_t eType, cDIBSection& cImage, cDIBSection& cBuffer,
                IImageProcessEvents* pListener) {
  return Neighbourhood(1, cImage, cBuffer, pListener, [&](int32_t x, int32_t y) {
    int32_t lAcc = eType == eMinimumRank ? 255 : 0;
    for (int32_t i = -1; i <= 1; ++i) {
      for (int32_t j = -1; j <= 1; ++j) {
        const int32_t v = At(cImage, x + 3 * i, y + j)[0];
        if (eType == eMedianRank) lAcc += v;
        if (eType == eMinimumRank && v < lAcc) lAcc = v;
        if (eType == eMaximumRank && v > lAcc) lAcc = v;
      }
    }
    return eType == eMedianRank ? lAcc / 9 : lAcc;
  });
}

}  // namespace

int32_t cReferenceKernel::Value(int32_t i, int32_t j) const {
  const int32_t h = lSize / 2;
  return lValues.at(static_cast<size_t>((j + h) * lSize + i + h));
}

cReferenceKernel KernelOf(const cImageProcessDIB& cEngine) {
  cReferenceKernel k;
  k.lSize = cEngine.FilterArraySize();
  k.lWeight = cEngine.FilterWeight();
  const int32_t h = k.lSize / 2;
  for (int32_t j = -h; j <= h && k.lSize > 0; ++j) {
    for (int32_t i = -h; i <= h; ++i)
      k.lValues.push_back(cEngine.FilterValue(i, j));
  }
  return k;
}

bool ReferenceProcessImage(int32_t eType, const cReferenceKernel& kernel, cDIBSection& cImage,
                           cDIBSection& cBuffer, IImageProcessEvents* pListener) {
  switch (eType) {
    case eBlur:
    case eBlurMore:
    case eSoften:
    case eSoftenMore:
    case eSharpen:
    case eSharpenMore:
    case eCustom: {
      Copy(cImage, cBuffer);
      const bool bResult = Convolve(kernel, cImage, cBuffer, pListener);
      Copy(cBuffer, cImage);
      return bResult;
    }
    case eUnsharp: {
      const cReferenceKernel blur{3, std::vector<int32_t>(9, 1), 9};
      Copy(cImage, cBuffer);
      const bool bResult = Convolve(blur, cImage, cBuffer, pListener);
      reference::AddImages(cBuffer, cImage, -1, 0, 0, 0, 2, 0, 0, 0);
      return bResult;
    }
    case eEmboss: {
      Copy(cImage, cBuffer);
      const bool bResult = Convolve(kernel, cImage, cBuffer, pListener);
      reference::AddImages(cBuffer, cImage, 1, 127, 127, 127, 0, 0, 0, 0);
      return bResult;
    }
    case eMedianRank:
    case eMinimumRank:
    case eMaximumRank: {
      Copy(cImage, cBuffer);
      const bool bResult = RankFilter(eType, cImage, cBuffer, pListener);
      Copy(cBuffer, cImage);
      return bResult;
    }
    default:
      return false;
  }
}

}  // namespace brennic::test
