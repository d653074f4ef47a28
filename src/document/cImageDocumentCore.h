#pragma once
// cImageDocumentCore: the buffer-level part of an image document, shared by the document window
// and the batch tool. It owns the picture, the work buffer of the same size and the engine, and
// runs each processing command exactly as the document does: which engine operation, on which
// buffer, with which fixed arguments. Naming, redrawing and the changed flag stay with the window.
// Engine events go to the listener given to Engine().SetListener.

#include <cstdint>
#include <memory>
#include <string>

#include "image/cDIBSection.h"
#include "image/cImageProcessDIB.h"
#include "image/mPixelMemory.h"

namespace brennic {

class cImageDocumentCore {
 public:
  cImageDocumentCore();
  // Gives the document's memory back to the system, blocks kept for reuse included.
  ~cImageDocumentCore();
  cImageDocumentCore(const cImageDocumentCore&) = delete;
  cImageDocumentCore& operator=(const cImageDocumentCore&) = delete;

  cDIBSection& Picture() { return *m_cDib; }
  const cDIBSection& Picture() const { return *m_cDib; }
  cDIBSection& Work() { return *m_cDibWork; }
  cImageProcessDIB& Engine() { return m_cImage; }

  // The picture takes the loaded picture's size and pixels; the work buffer follows its size.
  // Raises error 7 "Out of memory" when the buffers cannot be created.
  void LoadPicture(const cPicture& picThis);
  // Makes the picture an exact copy of an image (the batch tool's input, tests).
  void LoadImage(const cDIBSection& cImage);
  // Makes cNew the picture and gives the work buffer its size (undo and redo of a resample).
  // Raises error 7 when the work buffer cannot be created; the picture is then kept.
  void AdoptPicture(std::unique_ptr<cDIBSection> cNew);

  void ProcessImage(int32_t eType);
  // Copies the filter definition of cI into the document's engine (type 13, weight, size, values).
  void LoadCustomFilter(const cImageProcessDIB& cI);
  void ApplyPalette(const std::string& sPalFile);
  void ApplyPalette(const cPalette& palette);
  void Colourise(float fHue);
  void Lighten();
  void Fade();
  void BlackAndWhite();
  void GrayScale();
  void NegativeImage();
  void AddNoise(bool bRandom, int32_t lAmount);
  // Replaces the picture by a bilinear resample (nothing happens at the same size). Raises
  // error 7 when the new buffer cannot be created; the picture is then kept.
  void Resample(int32_t lW, int32_t lH);
  // Makes the picture lWidth x lHeight from source 1 and combines source 2 into it: type 1 adds
  // (multipliers and offsets per source), 2 keeps the darker pixel, 3 the lighter one, any other
  // type leaves source 1. Sources are transferred from their top-left corner as displayed.
  void Combine(hDC hSource1, hDC hSource2, int32_t lWidth, int32_t lHeight, int32_t eType,
               int32_t lMultiplier1, int32_t lOffset1, int32_t lMultiplier2, int32_t lOffset2);
  // Combine with the picture as source 1 and the output at the smaller width and height (the
  // batch tool's combinations). cSource2 is only read.
  void CombineWith(cDIBSection& cSource2, int32_t eType, int32_t lMultiplier1, int32_t lOffset1,
                   int32_t lMultiplier2, int32_t lOffset2);

 private:
  void CreateBuffers(int32_t lWidth, int32_t lHeight);
  // The combination of Combine, with the picture as source 1 and cSource2 of at least its size.
  void CombineIntoPicture(cDIBSection& cSource2, int32_t eType, int32_t lMultiplier1,
                          int32_t lOffset1, int32_t lMultiplier2, int32_t lOffset2);

  // While a document is open, buffers its commands free are kept for the next command of the
  // same size (fresh pages cost a history step about a quarter more). First, so it ends last.
  cPixelCacheScope m_cacheWhileOpen;
  std::unique_ptr<cDIBSection> m_cDib;
  std::unique_ptr<cDIBSection> m_cDibWork;
  cImageProcessDIB m_cImage;
};

// Error 7, "Out of memory", raised with the given source suffix.
[[noreturn]] void RaiseOutOfMemory(const char* sSourceSuffix, const std::string& sDetail);

}  // namespace brennic
