#pragma once
// Raises the Progress events of a column-by-column pass while the work itself is done in another
// order (row strips, tiles, several threads). The listener sees exactly the plain algorithm's
// sequence, Progress(x) for x = xFirst, xFirst + 3, ... xLast, spread over the run in proportion
// to the work finished, so the progress bar moves while the work runs.

#include <cstdint>

#include "cError.h"
#include "cImageProcessDIB.h"

namespace brennic {

class cColumnProgress {
 public:
  // No columns when xLast < xFirst. lTotalWork is in any unit the caller's Advance counts.
  cColumnProgress(IImageProcessEvents* pListener, int32_t xFirst, int32_t xLast, int64_t lTotalWork)
      : m_pListener(pListener),
        m_xFirst(xFirst),
        m_lColumns(xLast >= xFirst ? (int64_t{xLast} - xFirst) / 3 + 1 : 0),
        m_lTotal(lTotalWork > 0 ? lTotalWork : 1) {}

  // Raises Progress for every column whose share of the work is done. lDone never decreases.
  void Advance(int64_t lDone) {
    const int64_t lDue = lDone >= m_lTotal ? m_lColumns : lDone * m_lColumns / m_lTotal;
    RaiseUpTo(lDue);
  }
  // Raises the columns not yet reported.
  void Finish() { RaiseUpTo(m_lColumns); }

 private:
  void RaiseUpTo(int64_t lDue) {
    for (; m_lRaised < lDue; ++m_lRaised) {
      if (m_pListener != nullptr) {
        m_pListener->Progress(static_cast<int32_t>(m_xFirst + 3 * m_lRaised));
        // Between columns only: the arithmetic never looks at it.
        if (m_pListener->CancelRequested()) {
          ++m_lRaised;
          RaiseCancelled();
        }
      }
    }
  }

  IImageProcessEvents* m_pListener;
  int32_t m_xFirst;
  int64_t m_lColumns;
  int64_t m_lTotal;
  int64_t m_lRaised = 0;
};

}  // namespace brennic
