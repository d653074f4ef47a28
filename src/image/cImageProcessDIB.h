#pragma once
// cImageProcessDIB: the image processing engine, one per document.
//
// It holds a filter definition (type, kernel, weight) and runs neighbourhood filters, colour
// operations, combinations and palette reduction over cDIBSection images. Long operations report
// to a listener: InitProgress once before the first column, Progress after each column with that
// column's byte offset, Complete once with the elapsed milliseconds. Events are raised on the
// calling thread, in the order and with the values of the plain column-by-column algorithm, even
// where the work itself is spread over worker threads. Errors are cError with source
// "<exe>.cImageProcess".

#include <cstdint>
#include <vector>

#include "cDIBSection.h"

namespace brennic {

class cPalette;

enum EFilterType : int32_t {
  eBlur = 1,
  eBlurMore = 2,
  eSoften = 3,
  eSoftenMore = 4,
  eSharpen = 5,
  eSharpenMore = 6,
  eUnsharp = 7,
  eEmboss = 8,
  eMedianRank = 9,
  eMinimumRank = 10,
  eMaximumRank = 11,
  eCustom = 13,
};

// Receives the engine's progress events; the document implements it.
class IImageProcessEvents {
 public:
  virtual ~IImageProcessEvents() = default;
  virtual void InitProgress(int32_t lMax) = 0;
  virtual void Progress(int32_t lPosition) = 0;
  virtual void Complete(int32_t lTimeMs) = 0;
  // Asked after each Progress: true stops the operation there, raising kErrCancelled (the
  // picture is then partly processed; the caller puts it back).
  virtual bool CancelRequested() { return false; }
};

// What follows a convolution's quotient; defined with the filter arithmetic (FilterKernels.h).
enum class EConvolveStep : int32_t;

class cImageProcessDIB {
 public:
  cImageProcessDIB() = default;

  void SetListener(IImageProcessEvents* pListener) { m_pListener = pListener; }
  IImageProcessEvents* Listener() const { return m_pListener; }

  // --- Filter definition ---
  // Accepts 1..13 and, except for 13, installs the built-in kernel of the type.
  void FilterType(int32_t eType);
  int32_t FilterArraySize() const { return m_lArraySize; }
  // 3, 5, 7 or 9; clears every kernel value to 0; weight and type are kept.
  void FilterArraySize(int32_t lSize);
  // Kernel value at column offset iX and row offset iY, each within -half..+half.
  int32_t FilterValue(int32_t iX, int32_t iY) const;
  void FilterValue(int32_t iX, int32_t iY, int32_t lValue);
  int32_t FilterWeight() const { return m_lWeight; }
  void FilterWeight(int32_t lWeight) { m_lWeight = lWeight; }

  // Applies the current filter to cImage, using cBuffer (same size) as the second buffer. False
  // when the type selects nothing (12, or no type set).
  bool ProcessImage(cDIBSection& cImage, cDIBSection& cBuffer);

  // --- Colour operations ---
  void GrayScale(cDIBSection& cTo);
  void BlackAndWhite(cDIBSection& cFrom, cDIBSection& cTo);
  void AddNoise(cDIBSection& cTo, int32_t lPercent, bool bRandom);
  void Fade(cDIBSection& cTo, int32_t lAmount);
  void Lighten(cDIBSection& cTo, int32_t lAmount);
  void Colourise(cDIBSection& cTo, float fHue, float fSaturation);

  // --- Combination (no events) ---
  // Per channel: (from + from offset) * from multiplier + (to + to offset) * to multiplier,
  // exact, then clamped into cTo. cFrom smaller than cTo raises "Image sizes do not match.".
  // cFrom may be cTo: every byte is read before it is written.
  bool AddImages(cDIBSection& cFrom, cDIBSection& cTo, int32_t lFromMultiplier,
                 int32_t lFromOffsetR, int32_t lFromOffsetG, int32_t lFromOffsetB,
                 int32_t lToMultiplier, int32_t lToOffsetR, int32_t lToOffsetG, int32_t lToOffsetB);
  // Takes the cFrom pixel where its key 929 G + 71 B is smaller (the darker pixel wins).
  void AddLightest(cDIBSection& cFrom, cDIBSection& cTo);
  // Takes the cFrom pixel where its key is larger (the lighter pixel wins).
  void AddDarkest(cDIBSection& cFrom, cDIBSection& cTo);

  // --- Palette ---
  void ApplyPalette(cDIBSection& cFrom, cDIBSection& cTo, const cPalette& cPal);

 private:
  void BuildKernel();
  // Both filter cImage in place (the caller's buffer is not needed) and raise the events.
  bool Convolve(cDIBSection& cImage, EConvolveStep eStep);
  bool RankFilter(cDIBSection& cImage);

  void RaiseInitProgress(int32_t lMax) {
    if (m_pListener != nullptr) m_pListener->InitProgress(lMax);
  }
  void RaiseProgress(int32_t lPosition) {
    if (m_pListener != nullptr) m_pListener->Progress(lPosition);
  }
  void RaiseComplete(int32_t lTimeMs) {
    if (m_pListener != nullptr) m_pListener->Complete(lTimeMs);
  }

  int32_t m_lArraySize = 0;
  int32_t m_lHalfSize = 0;
  std::vector<int32_t> m_lValues;  // (2 half + 1)^2 values, index (iY + half) * size + iX + half
  int32_t m_lWeight = 0;
  int32_t m_eType = 0;
  IImageProcessEvents* m_pListener = nullptr;
};

// The system's millisecond tick count: monotonic, for the Complete event.
int64_t TickCountMs();

}  // namespace brennic
