#pragma once
// The one loop every neighbourhood filter runs through. A filter supplies the arithmetic of one
// output row; the pass supplies everything else: the progress events of the plain column-by-column
// loop, strips of rows spread over the worker threads, and the original pixels of every
// neighbour although the image is filtered in place.
//
// In place: output row y is written into the image while rows above it still have to read the
// old row y. Each strip therefore keeps copies of the rows it has already overwritten (or lets
// the filter keep what it needs of them), and the rows on both sides of every strip boundary are
// saved before any strip starts.

#include <cstdint>

#include "cDIBSection.h"
#include "cImageProcessDIB.h"

namespace brennic {

// One output row as a filter sees it. Byte b of row y - h + j of the original image is
// pSource[j][b] (0 <= j <= 2h); a neighbour i pixels to the right sits at b + 3i.
struct cFilterRow {
  int64_t y;                      // memory row computed
  const uint8_t* const* pSource;  // 2h + 1 original rows, y - h upward (see KeepsRows)
  uint8_t* pOut;                  // row y of the image
  int64_t lFirst;                 // first byte to compute, 3h
  int64_t lLast;                  // one past the last byte to compute, 3W - 3h
  bool bStripStart;               // rows below y were not given to this thread just before
};

class cNeighbourhoodFilter {
 public:
  // A filter that keeps its own copies of the rows it has read (bKeepsRows) is given only the
  // rows not yet overwritten: pSource[j] is null for rows y - h .. y - 1 inside the strip. The
  // pass then saves the copying of every row before it is overwritten.
  explicit cNeighbourhoodFilter(int32_t lHalf, bool bKeepsRows = false)
      : m_lHalf(lHalf), m_bKeepsRows(bKeepsRows) {}
  virtual ~cNeighbourhoodFilter() = default;

  // The neighbourhood reaches this many pixels in each direction.
  int32_t Half() const { return m_lHalf; }
  bool KeepsRows() const { return m_bKeepsRows; }
  // Writes pOut[lFirst .. lLast). Called for the rows of a strip in increasing y, possibly on
  // several threads at once (one strip each).
  virtual void Row(const cFilterRow& row) const = 0;
  // Pixels within Half() of an edge are left alone unless a filter changes them too: then
  // Border runs once over every such byte, after the original values have been read.
  virtual bool ChangesBorder() const { return false; }
  virtual void Border(uint8_t* /*p*/, int64_t /*lBytes*/) const {}

 private:
  int32_t m_lHalf;
  bool m_bKeepsRows;
};

// Filters cImage in place. Raises InitProgress(3W - 3h - 3) first, Progress(x) for every column x
// from 3h to 3W - 3h - 3 in steps of 3 while the work runs, and Complete with the elapsed
// milliseconds at the end, all on the calling thread. Images too small for the neighbourhood
// (W or H at most 2h) raise no Progress and keep their pixels (Border still applies).
void RunNeighbourhoodPass(cDIBSection& cImage, const cNeighbourhoodFilter& filter,
                          IImageProcessEvents* pListener);

}  // namespace brennic
