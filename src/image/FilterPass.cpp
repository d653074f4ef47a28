#include "FilterPass.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "cColumnProgress.h"
#include "cParallel.h"

namespace brennic {

namespace {

// A strip shorter than this costs more in saved boundary rows than it gains in balance.
constexpr int64_t kMinStripRows = 8;
// Strips per thread: enough to balance uneven threads and to move the progress bar smoothly.
constexpr int64_t kStripsPerThread = 16;

class cStripPass {
 public:
  cStripPass(cDIBSection& cImage, const cNeighbourhoodFilter& filter)
      : m_filter(filter),
        m_lHalf(filter.Half()),
        m_pBits(cImage.DIBSectionBitsPtr()),
        m_lStride(cImage.BytesPerScanLine()),
        m_lRowBytes(3 * int64_t{cImage.Width()}),
        m_lHeight(cImage.Height()) {
    const int64_t lRows = m_lHeight - 2 * m_lHalf;
    m_lStrips = std::clamp<int64_t>(lRows / kMinStripRows, 1, WorkerCount() * kStripsPerThread);
  }

  int64_t Strips() const { return m_lStrips; }

  // Saves the original rows around every boundary between strips; must run before any strip.
  void SaveBoundaries() {
    const int64_t lBlock = 2 * m_lHalf * m_lRowBytes;
    m_boundaries.resize(static_cast<size_t>(std::max<int64_t>(0, m_lStrips - 1) * lBlock));
    for (int64_t s = 1; s < m_lStrips; ++s) {
      const int64_t b = StripStart(s);
      for (int64_t r = 0; r < 2 * m_lHalf; ++r) {
        std::memcpy(Boundary(s) + r * m_lRowBytes, ImageRow(b - m_lHalf + r),
                    static_cast<size_t>(m_lRowBytes));
      }
    }
  }

  void RunStrip(int64_t s) const {
    const int64_t h = m_lHalf;
    const int64_t r0 = StripStart(s), r1 = StripStart(s + 1);
    // Copies of the rows this strip has overwritten: h below the current row, and the current.
    thread_local std::vector<uint8_t> ring;
    if (!m_filter.KeepsRows()) ring.resize(static_cast<size_t>((h + 1) * m_lRowBytes));
    auto ringRow = [&](int64_t y) { return ring.data() + (y % (h + 1)) * m_lRowBytes; };

    const bool bKeepsRows = m_filter.KeepsRows();
    std::vector<const uint8_t*> source(static_cast<size_t>(2 * h + 1));
    for (int64_t y = r0; y < r1; ++y) {
      uint8_t* pOut = ImageRow(y);
      if (!bKeepsRows) std::memcpy(ringRow(y), pOut, static_cast<size_t>(m_lRowBytes));
      for (int64_t j = 0; j <= 2 * h; ++j) {
        const int64_t r = y - h + j;
        if (r < r0) {
          // Below the strip: border rows are never written during the pass.
          source[j] = s == 0 ? ImageRow(r) : Boundary(s) + (r - (r0 - h)) * m_lRowBytes;
        } else if (bKeepsRows && r < y) {
          source[j] = nullptr;
        } else if (r <= y) {
          source[j] = bKeepsRows ? ImageRow(r) : ringRow(r);
        } else if (r < r1) {
          source[j] = ImageRow(r);
        } else {
          source[j] =
              s + 1 == m_lStrips ? ImageRow(r) : Boundary(s + 1) + (r - r1 + h) * m_lRowBytes;
        }
      }
      m_filter.Row({y, source.data(), pOut, 3 * h, m_lRowBytes - 3 * h, y == r0});
      if (m_filter.ChangesBorder()) {
        m_filter.Border(pOut, 3 * h);
        m_filter.Border(pOut + m_lRowBytes - 3 * h, 3 * h);
      }
    }
  }

  // The rows below and above the interior, once every strip has read them.
  void FinishBorderRows() const {
    if (!m_filter.ChangesBorder()) return;
    for (int64_t y = 0; y < m_lHalf; ++y) {
      m_filter.Border(ImageRow(y), m_lRowBytes);
      m_filter.Border(ImageRow(m_lHeight - 1 - y), m_lRowBytes);
    }
  }

 private:
  int64_t StripStart(int64_t s) const {
    const int64_t lRows = m_lHeight - 2 * m_lHalf;
    return m_lHalf + lRows * s / m_lStrips;
  }
  uint8_t* ImageRow(int64_t y) const { return m_pBits + y * m_lStride; }
  // Rows StripStart(s) - h .. StripStart(s) + h - 1 as they were before the pass.
  uint8_t* Boundary(int64_t s) { return m_boundaries.data() + (s - 1) * 2 * m_lHalf * m_lRowBytes; }
  const uint8_t* Boundary(int64_t s) const {
    return m_boundaries.data() + (s - 1) * 2 * m_lHalf * m_lRowBytes;
  }

  const cNeighbourhoodFilter& m_filter;
  int64_t m_lHalf;
  uint8_t* m_pBits;
  int64_t m_lStride;
  int64_t m_lRowBytes;
  int64_t m_lHeight;
  int64_t m_lStrips = 1;
  std::vector<uint8_t> m_boundaries;
};

}  // namespace

void RunNeighbourhoodPass(cDIBSection& cImage, const cNeighbourhoodFilter& filter,
                          IImageProcessEvents* pListener) {
  const int64_t lStartMs = TickCountMs();
  const int64_t h = filter.Half();
  const int64_t W = cImage.Width(), H = cImage.Height();
  const auto xFirst = static_cast<int32_t>(3 * h);
  const auto xLast = static_cast<int32_t>(3 * W - 3 * h - 3);
  if (pListener != nullptr) pListener->InitProgress(xLast);

  if (cImage.DIBSectionBitsPtr() != nullptr) {
    if (W > 2 * h && H > 2 * h) {
      cStripPass pass(cImage, filter);
      pass.SaveBoundaries();
      cColumnProgress progress(pListener, xFirst, xLast, pass.Strips());
      ParallelFor(
          pass.Strips(), 1,
          [&](int64_t lFirst, int64_t lLast) {
            for (int64_t s = lFirst; s < lLast; ++s)
              pass.RunStrip(s);
          },
          [&](int64_t lDone) { progress.Advance(lDone); });
      progress.Finish();
      pass.FinishBorderRows();
    } else if (filter.ChangesBorder()) {
      for (int64_t y = 0; y < H; ++y)
        filter.Border(cImage.DIBSectionBitsPtr() + y * cImage.BytesPerScanLine(), 3 * W);
    }
  }

  if (pListener != nullptr) pListener->Complete(static_cast<int32_t>(TickCountMs() - lStartMs));
}

}  // namespace brennic
