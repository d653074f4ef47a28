#include "cDIBSection.h"

#include <string>

#include "cDesktopBridge.h"
#include "mConventions.h"
#include "mRandom.h"

namespace brennic {

namespace {
cDesktopBridge* g_pBridge = nullptr;
}

void SetDesktopBridge(cDesktopBridge* pBridge) {
  g_pBridge = pBridge;
}
cDesktopBridge* DesktopBridge() {
  return g_pBridge;
}

int32_t cDIBSection::cSurface::SurfaceWidth() const {
  return m_owner.Width();
}
int32_t cDIBSection::cSurface::SurfaceHeight() const {
  return m_owner.Height();
}
uint8_t* cDIBSection::cSurface::DisplayRow(int32_t y) {
  return m_owner.DIBSectionBitsPtr() +
         (int64_t{m_owner.Height()} - 1 - y) * m_owner.BytesPerScanLine();
}
int64_t cDIBSection::cSurface::DisplayRowStep() const {
  return -m_owner.BytesPerScanLine();
}

cDIBSection::cDIBSection() = default;

cDIBSection::~cDIBSection() {
  ClearUp();
}

bool cDIBSection::Create(int32_t lWidth, int32_t lHeight) {
  ClearUp();
  uintptr_t lhDib = 0;
  if (!CreateDIB(nullptr, lWidth, lHeight, lhDib)) {
    ClearUp();
    return false;
  }
  m_pSurface = std::make_unique<cSurface>(*this);
  return true;
}

bool cDIBSection::CreateDIB(hDC /*lhDC*/, int32_t lWidth, int32_t lHeight, uintptr_t& hDib) {
  hDib = 0;
  m_tBI = BitmapInfoHeader{};
  m_tBI.biSize = 40;
  m_tBI.biWidth = lWidth;
  m_tBI.biHeight = lHeight;
  m_tBI.biPlanes = 1;
  m_tBI.biBitCount = 24;
  m_tBI.biCompression = 0;
  if (lWidth < 1 || lHeight < 1) return false;
  const int64_t lBytes = BytesPerScanLineFor(lWidth) * lHeight;
  if (lBytes > kMaxImageBytes) return false;
  m_tBI.biSizeImage = static_cast<int32_t>(lBytes);
  m_memory = cPixelBlock::Allocate(static_cast<size_t>(lBytes), m_bClearMemory);
  if (!m_memory) return false;
  hDib = reinterpret_cast<uintptr_t>(m_memory.Bytes());
  return true;
}

void cDIBSection::CreateFromPicture(const cPicture& picThis) {
  if (Create(picThis.PixelWidth(), picThis.PixelHeight())) {
    LoadPictureBlt(picThis.Surface(), 0, 0, -1, -1, SRCCOPY);
  }
}

int64_t cDIBSection::BytesPerScanLine() const {
  return BytesPerScanLineFor(m_tBI.biWidth);
}

void cDIBSection::LoadPictureBlt(hDC lhDC, int32_t lSrcLeft, int32_t lSrcTop, int32_t lSrcWidth,
                                 int32_t lSrcHeight, int32_t eRop) {
  if (lSrcWidth < 0) lSrcWidth = Width();
  if (lSrcHeight < 0) lSrcHeight = Height();
  BitBlt(hdc(), 0, 0, lSrcWidth, lSrcHeight, lhDC, lSrcLeft, lSrcTop, eRop);
}

void cDIBSection::PaintPicture(hDC lhDC, int32_t lDestLeft, int32_t lDestTop, int32_t lDestWidth,
                               int32_t lDestHeight, int32_t lSrcLeft, int32_t lSrcTop,
                               int32_t eRop) {
  if (lDestWidth < 0) lDestWidth = Width();
  if (lDestHeight < 0) lDestHeight = Height();
  BitBlt(lhDC, lDestLeft, lDestTop, lDestWidth, lDestHeight, hdc(), lSrcLeft, lSrcTop, eRop);
}

hDC cDIBSection::hdc() {
  return m_pSurface.get();
}

uintptr_t cDIBSection::hDib() const {
  return reinterpret_cast<uintptr_t>(m_memory.Bytes());
}

bool cDIBSection::CopyToClipboard(bool bAsDIB) {
  cDesktopBridge* pBridge = DesktopBridge();
  if (pBridge == nullptr || !pBridge->ScreenAvailable()) return false;
  if (bAsDIB) {
    pBridge->ShowMessage(
        "I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!");
    return false;
  }
  cMemorySurface bitmap(Width(), Height());
  if (bitmap.SurfaceWidth() == 0 || hdc() == nullptr) return false;
  PaintPicture(&bitmap, 0, 0, -1, -1, 0, 0, SRCCOPY);
  return pBridge->PutBitmapOnClipboard(bitmap);
}

void cDIBSection::RandomiseBits(bool bGray) {
  uint8_t* pBits = DIBSectionBitsPtr();
  if (pBits == nullptr) return;
  RandomizeFromClock();
  const int64_t lStride = BytesPerScanLine();
  const int64_t xLast = 3 * (int64_t{Width()} - 1);
  if (bGray) {
    for (int64_t y = 0; y < Height(); ++y) {
      for (int64_t x = 0; x <= xLast; x += 3) {
        const auto v = static_cast<uint8_t>(RoundHalfEven(Rnd() * 255.0));
        uint8_t* p = pBits + y * lStride + x;
        p[0] = p[1] = p[2] = v;
      }
    }
  } else {
    for (int64_t x = 0; x <= xLast; x += 3) {
      for (int64_t y = 0; y < Height(); ++y) {
        uint8_t* p = pBits + y * lStride + x;
        p[0] = 0;
        p[1] = static_cast<uint8_t>(RoundHalfEven(Rnd() * 255.0));
        p[2] = static_cast<uint8_t>(RoundHalfEven(Rnd() * 255.0));
      }
    }
  }
}

void cDIBSection::ClearUp() {
  // The header stays as it was, so Width and Height keep reporting the last size.
  m_pSurface.reset();
  m_memory.Release();
}

}  // namespace brennic
