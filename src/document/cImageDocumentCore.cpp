#include "document/cImageDocumentCore.h"

#include <algorithm>

#include "image/cError.h"
#include "image/cPalette.h"
#include "image/mConventions.h"

namespace brennic {

void RaiseOutOfMemory(const char* sSourceSuffix, const std::string& sDetail) {
  throw cError(7, ErrorSource(sSourceSuffix), "Out of memory" + sDetail);
}

namespace {
std::string SizeText(int32_t w, int32_t h) {
  return " (" + std::to_string(w) + " x " + std::to_string(h) + " pixels).";
}

// The buffer's own limit is no lack of memory and is named as what it is.
void CheckBufferSize(int32_t w, int32_t h) {
  if (w < 1 || h < 1) return;
  if (BytesPerScanLineFor(w) * int64_t{h} > cDIBSection::kMaxImageBytes) {
    throw cError(7, ErrorSource(".frmImage"),
                 "The picture would be too large (" + std::to_string(w) + " x " +
                     std::to_string(h) + " pixels; at most 2 GiB of pixel data).");
  }
}
}  // namespace

cImageDocumentCore::cImageDocumentCore()
    : m_cDib(std::make_unique<cDIBSection>()), m_cDibWork(std::make_unique<cDIBSection>()) {}

cImageDocumentCore::~cImageDocumentCore() {
  // Other documents may still be open: the kept blocks go now, not when the last one closes.
  m_cDib.reset();
  m_cDibWork.reset();
  DropCachedPixelBlocks();
}

void cImageDocumentCore::CreateBuffers(int32_t lWidth, int32_t lHeight) {
  CheckBufferSize(lWidth, lHeight);
  if (!m_cDib->Create(lWidth, lHeight)) {
    RaiseOutOfMemory(".frmImage", SizeText(lWidth, lHeight));
  }
  if (!m_cDibWork->Create(m_cDib->Width(), m_cDib->Height())) {
    m_cDib->ClearUp();
    RaiseOutOfMemory(".frmImage", SizeText(lWidth, lHeight));
  }
}

void cImageDocumentCore::LoadPicture(const cPicture& picThis) {
  m_cDib->CreateFromPicture(picThis);
  if (m_cDib->DIBSectionBitsPtr() == nullptr) {
    RaiseOutOfMemory(".frmImage", SizeText(picThis.PixelWidth(), picThis.PixelHeight()));
  }
  if (!m_cDibWork->Create(m_cDib->Width(), m_cDib->Height())) {
    RaiseOutOfMemory(".frmImage", SizeText(m_cDib->Width(), m_cDib->Height()));
  }
}

void cImageDocumentCore::LoadImage(const cDIBSection& cImage) {
  CheckBufferSize(cImage.Width(), cImage.Height());
  // A copy writes every byte, so it may take kept memory that is not cleared first (fresh pages
  // are cleared by the system, which costs as much as the copy); resampling to the same size is
  // that copy.
  if (std::unique_ptr<cDIBSection> cCopy = cImage.Resample(cImage.Height(), cImage.Width())) {
    AdoptPicture(std::move(cCopy));
    return;
  }
  // An empty image, or no memory: the buffers are made as for any picture, raising error 7.
  CreateBuffers(cImage.Width(), cImage.Height());
  m_cDib->LoadPictureBlt(const_cast<cDIBSection&>(cImage).hdc(), 0, 0, -1, -1, SRCCOPY);
}

void cImageDocumentCore::AdoptPicture(std::unique_ptr<cDIBSection> cNew) {
  auto cNewWork = std::make_unique<cDIBSection>();
  // A picture without pixel memory (never created) has an empty work buffer too.
  if (cNew->DIBSectionBitsPtr() != nullptr && !cNewWork->Create(cNew->Width(), cNew->Height())) {
    RaiseOutOfMemory(".frmImage", SizeText(cNew->Width(), cNew->Height()));
  }
  m_cDib = std::move(cNew);
  m_cDibWork = std::move(cNewWork);
}

void cImageDocumentCore::ProcessImage(int32_t eType) {
  m_cImage.FilterType(eType);
  m_cImage.ProcessImage(*m_cDib, *m_cDibWork);
}

void cImageDocumentCore::LoadCustomFilter(const cImageProcessDIB& cI) {
  m_cImage.FilterType(eCustom);
  m_cImage.FilterWeight(cI.FilterWeight());
  m_cImage.FilterArraySize(cI.FilterArraySize());
  const int32_t h = cI.FilterArraySize() / 2;
  for (int32_t x = -h; x <= h; ++x) {
    for (int32_t y = -h; y <= h; ++y)
      m_cImage.FilterValue(x, y, cI.FilterValue(x, y));
  }
}

void cImageDocumentCore::ApplyPalette(const std::string& sPalFile) {
  cPalette palette;
  palette.LoadFromFile(sPalFile);  // raises when the file cannot be read; the result is not used
  ApplyPalette(palette);
}

void cImageDocumentCore::ApplyPalette(const cPalette& palette) {
  m_cImage.ApplyPalette(*m_cDib, *m_cDibWork, palette);
}

void cImageDocumentCore::Colourise(float fHue) {
  m_cImage.Colourise(*m_cDib, fHue, 0.5f);
}
void cImageDocumentCore::Lighten() {
  m_cImage.Lighten(*m_cDib, 20);
}
void cImageDocumentCore::Fade() {
  m_cImage.Fade(*m_cDib, 240);
}
void cImageDocumentCore::BlackAndWhite() {
  m_cImage.BlackAndWhite(*m_cDib, *m_cDibWork);
}
void cImageDocumentCore::GrayScale() {
  m_cImage.GrayScale(*m_cDib);
}

void cImageDocumentCore::NegativeImage() {
  // Into the picture itself: each byte depends on itself only, so the result is that of
  // running into the work buffer and copying it back, without the copy.
  m_cImage.AddImages(*m_cDib, *m_cDib, -1, -255, -255, -255, 0, 0, 0, 0);
}

void cImageDocumentCore::AddNoise(bool bRandom, int32_t lAmount) {
  m_cImage.AddNoise(*m_cDib, lAmount, bRandom);
}

void cImageDocumentCore::Resample(int32_t lW, int32_t lH) {
  if (lW == m_cDib->Width() && lH == m_cDib->Height()) return;
  CheckBufferSize(lW, lH);
  std::unique_ptr<cDIBSection> cNew = m_cDib->Resample(lH, lW);
  if (!cNew) RaiseOutOfMemory(".frmImage", SizeText(lW, lH));
  auto cNewWork = std::make_unique<cDIBSection>();
  if (!cNewWork->Create(cNew->Width(), cNew->Height())) {
    RaiseOutOfMemory(".frmImage", SizeText(lW, lH));
  }
  m_cDib = std::move(cNew);
  m_cDibWork = std::move(cNewWork);
}

void cImageDocumentCore::Combine(hDC hSource1, hDC hSource2, int32_t lWidth, int32_t lHeight,
                                 int32_t eType, int32_t lMultiplier1, int32_t lOffset1,
                                 int32_t lMultiplier2, int32_t lOffset2) {
  CreateBuffers(lWidth, lHeight);
  m_cDib->LoadPictureBlt(hSource1, 0, 0, -1, -1, SRCCOPY);
  m_cDibWork->LoadPictureBlt(hSource2, 0, 0, -1, -1, SRCCOPY);
  CombineIntoPicture(*m_cDibWork, eType, lMultiplier1, lOffset1, lMultiplier2, lOffset2);
}

void cImageDocumentCore::CombineWith(cDIBSection& cSource2, int32_t eType, int32_t lMultiplier1,
                                     int32_t lOffset1, int32_t lMultiplier2, int32_t lOffset2) {
  if (m_cDib->DIBSectionBitsPtr() != nullptr && cSource2.DIBSectionBitsPtr() != nullptr &&
      cSource2.Width() == m_cDib->Width() && cSource2.Height() == m_cDib->Height()) {
    // Nothing to crop: the picture is source 1 as it stands and source 2 is read where it is,
    // with the result of copying both into the buffers first.
    CombineIntoPicture(cSource2, eType, lMultiplier1, lOffset1, lMultiplier2, lOffset2);
    return;
  }
  cDIBSection cSource1;
  if (!cSource1.Create(m_cDib->Width(), m_cDib->Height())) RaiseOutOfMemory(".frmImage", "");
  cSource1.LoadPictureBlt(m_cDib->hdc(), 0, 0, -1, -1, SRCCOPY);
  // The output takes the smaller width and the smaller height, as the combine dialog offers.
  Combine(cSource1.hdc(), cSource2.hdc(), std::min(cSource1.Width(), cSource2.Width()),
          std::min(cSource1.Height(), cSource2.Height()), eType, lMultiplier1, lOffset1,
          lMultiplier2, lOffset2);
}

void cImageDocumentCore::CombineIntoPicture(cDIBSection& cSource2, int32_t eType,
                                            int32_t lMultiplier1, int32_t lOffset1,
                                            int32_t lMultiplier2, int32_t lOffset2) {
  switch (eType) {
    case 1:
      m_cImage.AddImages(cSource2, *m_cDib, lMultiplier2, lOffset2, lOffset2, lOffset2,
                         lMultiplier1, lOffset1, lOffset1, lOffset1);
      break;
    case 2:
      m_cImage.AddLightest(cSource2, *m_cDib);
      break;
    case 3:
      m_cImage.AddDarkest(cSource2, *m_cDib);
      break;
    default:
      break;
  }
}

}  // namespace brennic
