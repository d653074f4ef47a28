#pragma once
// The neighbourhood filters exactly as first written: copy the image into the buffer, one pixel at
// a time column by column into the buffer, copy back (or combine for unsharp and emboss), raising
// the events as it goes. Slow and obviously right; every fast path is compared with it.

#include <cstdint>
#include <vector>

#include "image/cDIBSection.h"
#include "image/cImageProcessDIB.h"

namespace brennic::test {

// A filter definition as the engine's getters report it.
struct cReferenceKernel {
  int32_t lSize = 0;
  std::vector<int32_t> lValues;  // (j + half) * size + i + half
  int32_t lWeight = 0;

  int32_t Value(int32_t i, int32_t j) const;
};
cReferenceKernel KernelOf(const cImageProcessDIB& cEngine);

// ProcessImage of filter type eType with the given kernel (types 1 to 6, 8 and 13 use it).
bool ReferenceProcessImage(int32_t eType, const cReferenceKernel& kernel, cDIBSection& cImage,
                           cDIBSection& cBuffer, IImageProcessEvents* pListener);

}  // namespace brennic::test
