// Filter definitions (type, kernel, weight, the built-in kernels) and neighbourhood processing.

#include <algorithm>
#include <cmath>

#include "FilterKernels.h"
#include "FilterPass.h"
#include "cError.h"
#include "cImageProcessDIB.h"
#include "mConventions.h"

namespace brennic {

namespace {

[[noreturn]] void Raise(int32_t lNumber, const char* sDescription) {
  throw cError(lNumber, ErrorSource(".cImageProcess"), sDescription);
}

}  // namespace

void cImageProcessDIB::FilterType(int32_t eType) {
  if (eType < 1 || eType > 13) Raise(kErrInvalidFilterType, "Invalid filter types.");
  m_eType = eType;
  if (eType != eCustom) BuildKernel();
}

void cImageProcessDIB::FilterArraySize(int32_t lSize) {
  if (lSize % 2 == 0) Raise(kErrEvenSize, "Size must be an odd number");
  if (lSize != 3 && lSize != 5 && lSize != 7 && lSize != 9) {
    Raise(kErrInvalidSize, "Invalid size.  Size should be an odd number from 3 to 9");
  }
  m_lArraySize = lSize;
  m_lHalfSize = lSize / 2;
  m_lValues.assign(static_cast<size_t>(lSize * lSize), 0);
}

int32_t cImageProcessDIB::FilterValue(int32_t iX, int32_t iY) const {
  if (m_lArraySize == 0 || iX < -m_lHalfSize || iX > m_lHalfSize || iY < -m_lHalfSize ||
      iY > m_lHalfSize) {
    Raise(kErrInvalidFilterIndex, "Invalid filter index.");
  }
  return m_lValues[static_cast<size_t>((iY + m_lHalfSize) * m_lArraySize + iX + m_lHalfSize)];
}

void cImageProcessDIB::FilterValue(int32_t iX, int32_t iY, int32_t lValue) {
  FilterValue(iX, iY);  // checks the index
  m_lValues[static_cast<size_t>((iY + m_lHalfSize) * m_lArraySize + iX + m_lHalfSize)] = lValue;
}

void cImageProcessDIB::BuildKernel() {
  m_lWeight = 0;
  const auto fill = [this](int32_t lSize, auto valueAt) {
    FilterArraySize(lSize);
    for (int32_t j = -m_lHalfSize; j <= m_lHalfSize; ++j) {
      for (int32_t i = -m_lHalfSize; i <= m_lHalfSize; ++i) {
        FilterValue(i, j, valueAt(i, j));
        m_lWeight += valueAt(i, j);
      }
    }
  };
  switch (m_eType) {
    case eBlur:
    case eBlurMore:
      fill(m_eType == eBlur ? 3 : 5, [](int32_t, int32_t) { return 1; });
      break;
    case eSoften:
    case eSoftenMore:
      fill(m_eType == eSoften ? 3 : 5, [this](int32_t i, int32_t j) {
        const int32_t d = std::max(std::abs(i), std::abs(j));
        if (d > 0) return m_lHalfSize - d + 1;
        // size / 2 x size in floating point, halves to even: 4 for 3 x 3, 12 for 5 x 5
        return RoundHalfEven(static_cast<double>(m_lArraySize) / 2.0 * m_lArraySize);
      });
      break;
    case eSharpen:
      fill(3, [](int32_t i, int32_t j) { return i == 0 && j == 0 ? 15 : -1; });
      break;
    case eSharpenMore:
      fill(3, [](int32_t i, int32_t j) {
        if (i == 0 && j == 0) return 5;
        return i == 0 || j == 0 ? -1 : 0;
      });
      break;
    case eEmboss:
      FilterArraySize(3);
      FilterValue(-1, -1, -1);
      FilterValue(1, 1, 1);
      m_lWeight = 1;
      break;
    default:  // 7, 9 to 12: only the weight is cleared
      break;
  }
}

bool cImageProcessDIB::ProcessImage(cDIBSection& cImage, cDIBSection& /*cBuffer*/) {
  // The filters work in place, keeping copies of just the rows they still need to read; the
  // result is that of copying into the buffer, filtering into it and copying back.
  switch (m_eType) {
    case eBlur:
    case eBlurMore:
    case eSoften:
    case eSoftenMore:
    case eSharpen:
    case eSharpenMore:
    case eCustom:
      return Convolve(cImage, EConvolveStep::eQuotient);
    case eUnsharp: {
      FilterType(eBlur);
      bool bResult = false;
      try {
        bResult = Convolve(cImage, EConvolveStep::eUnsharp);
      } catch (...) {
        FilterType(eUnsharp);
        throw;
      }
      FilterType(eUnsharp);
      return bResult;
    }
    case eEmboss:
      return Convolve(cImage, EConvolveStep::eEmboss);
    case eMedianRank:
    case eMinimumRank:
    case eMaximumRank:
      return RankFilter(cImage);
    default:
      return false;
  }
}

bool cImageProcessDIB::Convolve(cDIBSection& cImage, EConvolveStep eStep) {
  // Type 13 before any size was set has no kernel to read.
  if (m_lArraySize == 0) Raise(kErrInvalidFilterIndex, "Invalid filter index.");
  const auto filter = MakeConvolution(m_lArraySize, m_lValues, m_lWeight, eStep);
  RunNeighbourhoodPass(cImage, *filter, m_pListener);
  return true;
}

bool cImageProcessDIB::RankFilter(cDIBSection& cImage) {
  // Type 9 is the truncated mean of the 3 x 3 neighbourhood, whatever the kernel.
  const auto filter = m_eType == eMedianRank ? MakeConvolution(3, std::vector<int32_t>(9, 1), 9,
                                                               EConvolveStep::eQuotient)
                                             : MakeRankFilter(m_eType == eMaximumRank);
  RunNeighbourhoodPass(cImage, *filter, m_pListener);
  return true;
}

}  // namespace brennic
