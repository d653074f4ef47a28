#pragma once
// Picture files for document tests, the pixels a document shows, a recording main window.

#include <gtest/gtest.h>

#include <QImage>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "document/IDocumentFrame.h"
#include "document/cOperations.h"
#include "image/cDIBSection.h"
#include "platform/PictureIO.h"
#include "support/ImageTestUtil.h"

namespace brennic::test {

// The first lBytes bytes of a file.
inline std::string FileHead(const std::string& sPath, size_t lBytes) {
  std::string s(lBytes, '\0');
  std::ifstream(sPath, std::ios::binary).read(s.data(), static_cast<std::streamsize>(lBytes));
  return s;
}

// The picture a file holds, as the program loads it.
inline std::unique_ptr<cDIBSection> LoadedImage(const std::string& sPath) {
  auto p = std::make_unique<cDIBSection>();
  p->CreateFromPicture(*LoadPicture(sPath));
  return p;
}

// Display pixel (x from the left, y from the top) of a picture box's copy or a loaded image.
inline Bgr DisplayPixel(const QImage& image, int32_t x, int32_t y) {
  const QRgb rgb = image.pixel(x, y);
  return {static_cast<uint8_t>(qBlue(rgb)), static_cast<uint8_t>(qGreen(rgb)),
          static_cast<uint8_t>(qRed(rgb))};
}

// Display pixel of an image buffer (y from the top).
inline Bgr DisplayPixel(const cDIBSection& cImage, int32_t x, int32_t y) {
  return PixelAt(cImage, x, cImage.Height() - 1 - y);
}

// The pixels as displayed: rows from the top, each left to right, as BGR bytes.
template <class tImage>
std::vector<uint8_t> DisplayBytesOf(const tImage& image, int32_t lWidth, int32_t lHeight) {
  std::vector<uint8_t> out;
  for (int32_t y = 0; y < lHeight; ++y) {
    for (int32_t x = 0; x < lWidth; ++x) {
      const Bgr p = DisplayPixel(image, x, y);
      out.insert(out.end(), {p.b, p.g, p.r});
    }
  }
  return out;
}
inline std::vector<uint8_t> DisplayBytes(const cDIBSection& cImage) {
  return DisplayBytesOf(cImage, cImage.Width(), cImage.Height());
}
inline std::vector<uint8_t> DisplayBytes(const QImage& image) {
  return DisplayBytesOf(image, image.width(), image.height());
}

// Records every call a document makes into its main window, one line each.
class cRecordingFrame final : public IDocumentFrame {
 public:
  void SetStatus(const std::string& sMain, const std::string& sImage,
                 const std::string& sSize) override {
    log.push_back("SetStatus(" + sMain + "|" + sImage + "|" + sSize + ")");
  }
  void ProgressMax(int32_t l) override { log.push_back("ProgressMax(" + std::to_string(l) + ")"); }
  void ProgressValue(int32_t l) override {
    log.push_back("ProgressValue(" + std::to_string(l) + ")");
  }
  void ShowProgress(bool b) override {
    log.push_back(b ? "ShowProgress(true)" : "ShowProgress(false)");
  }
  int32_t NewImageIndex() override {
    log.push_back("NewImageIndex");
    return ++lIndex;
  }
  void AddMRUFile(const std::string& sFile) override { log.push_back("AddMRUFile(" + sFile + ")"); }

  std::vector<std::string> log;
  int32_t lIndex = 0;
};

}  // namespace brennic::test
