#pragma once
// Zoom for the picture's view: the factors a view may show a picture at, and the drawing of any
// part of the zoomed picture into a surface. Zoom changes only what is shown, never the picture.
//
// A factor is an exact fraction, so that the zoomed size and the mapping of a shown pixel to
// the picture are integer arithmetic: shown column X comes from picture columns
// floor(X * den / num) up to (not including) floor((X + 1) * den / num). Above 1 that is one
// column (nearest neighbour: pixels stay crisp squares); below 1 the shown pixel is the average
// of the box of picture pixels it covers (smooth, no aliasing of fine detail).

#include <cstdint>
#include <string>

#include "cDrawingSurface.h"

namespace brennic {

struct sZoom {
  int64_t lNum = 1;
  int64_t lDen = 1;
  // Equal factors, whatever their terms.
  bool operator==(const sZoom& o) const { return lNum * o.lDen == o.lNum * lDen; }
  bool operator<(const sZoom& o) const { return lNum * o.lDen < o.lNum * lDen; }
  bool operator>(const sZoom& o) const { return o < *this; }
  bool operator<=(const sZoom& o) const { return !(o < *this); }
};

inline constexpr sZoom kZoomActual{1, 1};
inline constexpr sZoom kZoomMin{1, 32};
inline constexpr sZoom kZoomMax{32, 1};

// lNum / lDen in lowest terms, clamped to kZoomMin .. kZoomMax; a non-positive term gives 1.
sZoom MakeZoom(int64_t lNum, int64_t lDen);
// The next step of the ladder above (below) zoom; the ends stay where they are. The ladder runs
// 1/32, 1/24, 1/16, 1/12, 1/8, 1/6, 1/4, 1/3, 1/2, 2/3, 1, 3/2, 2, 3, 4, 6, 8, 12, 16, 24, 32:
// about a factor of 1.4 a step, and each step below 1 is the inverse of one above it.
sZoom ZoomStepIn(sZoom zoom);
sZoom ZoomStepOut(sZoom zoom);
// The largest factor at which a lWidth x lHeight picture fits a lRoomWidth x lRoomHeight room,
// clamped to the ladder's ends; 1 for a picture without pixels.
sZoom FitZoom(int32_t lWidth, int32_t lHeight, int32_t lRoomWidth, int32_t lRoomHeight);
// The length of lLength picture pixels shown at zoom: rounded down, and at least 1 for a picture
// that has pixels.
int64_t ZoomedLength(int64_t lLength, sZoom zoom);
// The factor in per cent, with up to two decimals and no trailing zeros: "50", "12.5", "3.13".
std::string ZoomPercentText(sZoom zoom);

// Draws the lWidth x lHeight part of hSrc's picture shown at zoom whose top-left corner is
// (lLeft, lTop) of the zoomed picture, to (lDestLeft, lDestTop) of hDest; clipped to the zoomed
// picture and to hDest. At 1 it is a block transfer. Large parts are split over the engine's
// worker threads.
void DrawZoomed(hDC hDest, int32_t lDestLeft, int32_t lDestTop, int32_t lWidth, int32_t lHeight,
                hDC hSrc, sZoom zoom, int64_t lLeft, int64_t lTop);

}  // namespace brennic
