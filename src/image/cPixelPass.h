#pragma once
// The frame every per-pixel colour operation runs in: InitProgress with the last column's byte
// offset, the pixel work, a Progress per column in increasing order, and Complete with the
// elapsed milliseconds. Pixels that do not depend on each other are worked row by row on the
// worker threads; the column events are paced by the finished share of the work and raised on
// the calling thread only, exactly as the plain column-by-column loop would raise them.

#include <algorithm>
#include <cstdint>

#include "cColumnProgress.h"
#include "cDIBSection.h"
#include "cImageProcessDIB.h"
#include "cParallel.h"

namespace brennic {

// Raises InitProgress(3 (Width - 1)) now and Complete at the end of its life.
class cOperationEvents {
 public:
  cOperationEvents(IImageProcessEvents* pListener, const cDIBSection& cImg)
      : m_pListener(pListener), m_lStart(TickCountMs()), m_xLast(3 * (cImg.Width() - 1)) {
    if (m_pListener != nullptr) m_pListener->InitProgress(m_xLast);
  }
  cOperationEvents(const cOperationEvents&) = delete;
  cOperationEvents& operator=(const cOperationEvents&) = delete;
  ~cOperationEvents() = default;

  int32_t LastColumn() const { return m_xLast; }
  // Raises Complete with the milliseconds since lStart.
  static void Complete(IImageProcessEvents* pListener, int64_t lStart) {
    if (pListener != nullptr) pListener->Complete(static_cast<int32_t>(TickCountMs() - lStart));
  }
  void Complete() const { Complete(m_pListener, m_lStart); }

 private:
  IImageProcessEvents* m_pListener;
  int64_t m_lStart;
  int32_t m_xLast;
};

// Runs rowFn(pRow, lWidth, y) for every memory row y of cImg on the worker threads, inside the
// event frame above.
template <typename RowFn>
void RunPixelPass(IImageProcessEvents* pListener, cDIBSection& cImg, const RowFn& rowFn) {
  cOperationEvents events(pListener, cImg);
  cColumnProgress progress(pListener, 0, events.LastColumn(), cImg.Height());
  uint8_t* pBits = cImg.DIBSectionBitsPtr();
  if (pBits != nullptr) {
    const int64_t lStride = cImg.BytesPerScanLine();
    const int32_t lWidth = cImg.Width();
    // Chunks of at least 64 KB keep the hand-over cost small against the work.
    const int64_t lGrain = std::max<int64_t>(1, (int64_t{1} << 16) / lStride);
    ParallelFor(
        cImg.Height(), lGrain,
        [&](int64_t lFirst, int64_t lLast) {
          for (int64_t y = lFirst; y < lLast; ++y)
            rowFn(pBits + y * lStride, lWidth, y);
        },
        [&](int64_t lDone) { progress.Advance(lDone); });
  }
  progress.Finish();
  events.Complete();
}

}  // namespace brennic
