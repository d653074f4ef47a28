#pragma once
// cDIBSection: the 24-bit image buffer every picture of the program lives in.
//
// Pixel layout (the contract every operation relies on): 3 bytes per pixel in the order blue,
// green, red; each row padded to BytesPerScanLine() = ((Width + 1) * 3) AND NOT 3 bytes; rows
// stored bottom-up, so memory row 0 is the bottom row as displayed. Operations address a pixel as
// (x = byte offset within its row, y = memory row). The buffer owns its pixel memory and its
// drawing surface (hdc) and releases both in ClearUp, which also runs on destruction. The bits
// pointer is valid exactly as long as the memory exists; do not hold it across Create or ClearUp.

#include <cstdint>
#include <memory>

#include "cDrawingSurface.h"
#include "cPicture.h"
#include "mPixelMemory.h"

namespace brennic {

// The BITMAPINFOHEADER of the device-independent bitmap format, as the buffer describes itself.
struct BitmapInfoHeader {
  int32_t biSize = 0;
  int32_t biWidth = 0;
  int32_t biHeight = 0;  // positive: bottom-up rows
  int16_t biPlanes = 0;
  int16_t biBitCount = 0;
  int32_t biCompression = 0;
  int32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  int32_t biClrUsed = 0;
  int32_t biClrImportant = 0;
};

class cDIBSection {
 public:
  // The largest pixel memory a buffer may hold, in bytes.
  static constexpr int64_t kMaxImageBytes = 0x7FFFFFFF;

  cDIBSection();
  ~cDIBSection();
  cDIBSection(const cDIBSection&) = delete;
  cDIBSection& operator=(const cDIBSection&) = delete;

  // Releases any previous bitmap, then makes a zero-filled one. False (object left empty, the
  // requested size still reported by Width/Height) for sizes below 1, for pixel memory above
  // kMaxImageBytes, and when the memory cannot be had. Never throws for these.
  bool Create(int32_t lWidth, int32_t lHeight);
  // Fills the header for the given size and obtains the pixel memory; the handle of the new
  // section is returned in hDib (0 on failure). lhDC is accepted for the platform's signature.
  bool CreateDIB(hDC lhDC, int32_t lWidth, int32_t lHeight, uintptr_t& hDib);
  // Takes the picture's pixel size and an exact copy of its pixels. Nothing is copied when
  // Create fails.
  void CreateFromPicture(const cPicture& picThis);

  int64_t BytesPerScanLine() const;
  int32_t Width() const { return m_tBI.biWidth; }
  int32_t Height() const { return m_tBI.biHeight; }
  const BitmapInfoHeader& Header() const { return m_tBI; }

  // Block transfer into this image from lhDC at (lSrcLeft, lSrcTop), to (0, 0); negative sizes
  // stand for this image's Width / Height.
  void LoadPictureBlt(hDC lhDC, int32_t lSrcLeft = 0, int32_t lSrcTop = 0, int32_t lSrcWidth = -1,
                      int32_t lSrcHeight = -1, int32_t eRop = SRCCOPY);
  // Block transfer out of this image from (lSrcLeft, lSrcTop) to lhDC at (lDestLeft, lDestTop);
  // negative sizes stand for this image's Width / Height. No stretching.
  void PaintPicture(hDC lhDC, int32_t lDestLeft = 0, int32_t lDestTop = 0, int32_t lDestWidth = -1,
                    int32_t lDestHeight = -1, int32_t lSrcLeft = 0, int32_t lSrcTop = 0,
                    int32_t eRop = SRCCOPY);

  hDC hdc();  // nullptr when empty
  uintptr_t hDib() const;
  uint8_t* DIBSectionBitsPtr() const { return m_memory.Bytes(); }

  // Puts the image on the clipboard as a screen-compatible bitmap through the desktop bridge.
  // bAsDIB true only shows a message and returns false.
  bool CopyToClipboard(bool bAsDIB);
  // Fills the image with random pixels from the program's generator, seeded from the clock.
  void RandomiseBits(bool bGray);
  void ClearUp();

  // A new image of lNewWidth x lNewHeight by bilinear interpolation; nullptr when it cannot be
  // created. Note the order: height first. The source is not changed.
  std::unique_ptr<cDIBSection> Resample(int32_t lNewHeight, int32_t lNewWidth) const;

 private:
  class cSurface final : public cDrawingSurface {
   public:
    explicit cSurface(cDIBSection& owner) : m_owner(owner) {}
    int32_t SurfaceWidth() const override;
    int32_t SurfaceHeight() const override;
    uint8_t* DisplayRow(int32_t y) override;
    int64_t DisplayRowStep() const override;

   private:
    cDIBSection& m_owner;
  };

  void ResampleInto(cDIBSection& cDest) const;
  // Create for a caller that writes every byte of the pixel memory itself (Resample): reused
  // memory is not cleared first.
  bool CreateForOverwrite(int32_t lWidth, int32_t lHeight);

  BitmapInfoHeader m_tBI;
  cPixelBlock m_memory;
  std::unique_ptr<cSurface> m_pSurface;  // the "memory context"; exists while created
  bool m_bClearMemory = true;            // read by CreateDIB
};

}  // namespace brennic
