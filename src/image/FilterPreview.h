#pragma once
// What the custom filter editor needs to preview a kernel on a picture without changing it: a
// centred part of the picture to filter, and how many channel results the kernel pushes out of
// the byte range (and so loses to clamping) on that part.

#include <cstdint>

#include "cDIBSection.h"
#include "cImageProcessDIB.h"

namespace brennic {

// Makes cTo a copy of the centred min(lMaxSide, W) x min(lMaxSide, H) part of cFrom: its left
// edge (W - w) / 2 pixels in, its bottom memory row (H - h) / 2. False, cTo left as it was, when
// cFrom holds no pixels or cTo cannot be created.
bool CopyCentredRegion(const cDIBSection& cFrom, int32_t lMaxSide, cDIBSection& cTo);

struct cClipCount {
  int64_t lClipped = 0;   // channel quotients below 0 or above 255
  int64_t lComputed = 0;  // channel quotients computed: 3 per pixel the kernel reaches fully
  bool operator==(const cClipCount&) const = default;
};

// For the engine's current kernel and weight, the quotients the convolution of ProcessImage
// (types 1 to 6 and 13) computes on cImage before it clamps them: the same pixels, the same exact
// sums, the same division truncating toward zero with a weight of 0 taken as 1. An engine
// without a kernel, or an image too small for it, computes none.
cClipCount CountClippedChannels(const cImageProcessDIB& cEngine, const cDIBSection& cImage);

}  // namespace brennic
