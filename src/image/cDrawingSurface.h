#pragma once
// Drawing surfaces and the block transfer between them.
//
// A drawing surface is a rectangle of 24-bit pixels, bytes blue, green, red, addressed in display
// coordinates: origin at the top-left corner of the picture as displayed, y growing downward.
// The image buffer, a loaded picture and the document's view each expose one, so that a whole-image
// copy between any two of them is a single BitBlt. A surface handle (hDC) is a plain pointer the
// owner keeps valid for as long as it exists; nullptr is "no surface".

#include <cstdint>
#include <vector>

namespace brennic {

class cDrawingSurface {
 public:
  virtual ~cDrawingSurface() = default;

  virtual int32_t SurfaceWidth() const = 0;
  virtual int32_t SurfaceHeight() const = 0;
  // First byte of display row y (0 = top row); only called for 0 <= y < SurfaceHeight().
  virtual uint8_t* DisplayRow(int32_t y) = 0;
  // Distance in bytes from display row y to display row y + 1 (negative for bottom-up memory).
  virtual int64_t DisplayRowStep() const = 0;
};

using hDC = cDrawingSurface*;

// Raster operation "source copy", the only one the program uses.
inline constexpr int32_t SRCCOPY = 0x00CC0020;

// Copies lWidth x lHeight pixels from (lSrcLeft, lSrcTop) of hSrc to (lDestLeft, lDestTop) of
// hDest, clipped to both surfaces. Any raster operation other than SRCCOPY, and a null surface,
// transfer nothing. Large transfers are split over the engine's worker threads.
void BitBlt(hDC hDest, int32_t lDestLeft, int32_t lDestTop, int32_t lWidth, int32_t lHeight,
            hDC hSrc, int32_t lSrcLeft, int32_t lSrcTop, int32_t eRop);

// A top-down surface in ordinary memory: the stand-in for a screen-compatible bitmap and the
// form in which pictures travel between the platform layer and the engine.
class cMemorySurface final : public cDrawingSurface {
 public:
  cMemorySurface() = default;
  cMemorySurface(int32_t lWidth, int32_t lHeight);  // zero-filled; sizes below 1 give no pixels

  int32_t SurfaceWidth() const override { return m_lWidth; }
  int32_t SurfaceHeight() const override { return m_lHeight; }
  uint8_t* DisplayRow(int32_t y) override { return m_bytes.data() + int64_t{y} * m_lStride; }
  int64_t DisplayRowStep() const override { return m_lStride; }

  const uint8_t* DisplayRow(int32_t y) const { return m_bytes.data() + int64_t{y} * m_lStride; }
  int64_t Stride() const { return m_lStride; }

 private:
  int32_t m_lWidth = 0;
  int32_t m_lHeight = 0;
  int64_t m_lStride = 0;
  std::vector<uint8_t> m_bytes;
};

}  // namespace brennic
