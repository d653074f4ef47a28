#pragma once
// Hand-built picture files, a scratch folder, and loading as the document does.

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "image/cDIBSection.h"
#include "image/cError.h"
#include "platform/PictureIO.h"
#include "support/ImageTestUtil.h"
#include "support/RegistryTestUtil.h"

namespace brennic::test {

#ifdef __SANITIZE_ADDRESS__
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif  // the slower sanitizer build runs fewer rounds and waits longer

// Little-endian byte builder for file headers.
class cBytes {
 public:
  cBytes& U8(uint32_t v) {
    m_bytes.push_back(static_cast<char>(v & 0xFF));
    return *this;
  }
  cBytes& U16(uint32_t v) { return U8(v).U8(v >> 8); }
  cBytes& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  cBytes& I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
  cBytes& Text(const char* s) {
    m_bytes.append(s);
    return *this;
  }
  cBytes& Raw(std::initializer_list<int> bytes) {
    for (int b : bytes)
      U8(static_cast<uint32_t>(b));
    return *this;
  }
  cBytes& Append(const QByteArray& b) {
    m_bytes.append(b);
    return *this;
  }
  cBytes& Zeros(int n) {
    m_bytes.append(QByteArray(n, '\0'));
    return *this;
  }
  const QByteArray& Bytes() const { return m_bytes; }
  int Size() const { return static_cast<int>(m_bytes.size()); }

 private:
  QByteArray m_bytes;
};

// A BITMAPINFOHEADER (40 bytes).
inline cBytes& InfoHeader(cBytes& b, int32_t w, int32_t h, int bits, int compression = 0,
                          uint32_t colours = 0) {
  b.U32(40).I32(w).I32(h).U16(1).U16(static_cast<uint32_t>(bits));
  return b.U32(static_cast<uint32_t>(compression)).Zeros(12).U32(colours).U32(0);
}

// A complete bitmap file: file header, info header, palette (0xRRGGBB values, stored as B, G,
// R, 0) and pixel rows as given (already padded, in file order).
inline QByteArray BmpFile(int32_t w, int32_t h, int bits, const std::vector<uint32_t>& palette,
                          const QByteArray& pixels, int compression = 0) {
  cBytes info;
  InfoHeader(info, w, h, bits, compression, static_cast<uint32_t>(palette.size()));
  for (uint32_t bgr : palette)
    info.U32(bgr & 0xFFFFFF);
  cBytes file;
  const uint32_t lOff = 14 + static_cast<uint32_t>(info.Size());
  file.Text("BM").U32(lOff + static_cast<uint32_t>(pixels.size())).U32(0).U32(lOff);
  file.Append(info.Bytes()).Append(pixels);
  return file.Bytes();
}

// A scratch folder (see cTempDir) with names as strings and written files.
class cScratch : public cTempDir {
 public:
  using cTempDir::cTempDir;
  using cTempDir::Path;
  std::string Path(const std::string& sName) const { return File(sName); }
  std::string Write(const std::string& sName, const QByteArray& bytes) const {
    const std::string sPath = Path(sName);
    std::ofstream(sPath, std::ios::binary).write(bytes.constData(), bytes.size());
    return sPath;
  }
};

// The pixel shown at column x of display row r (0 = top).
inline Bgr Shown(const cDIBSection& img, int32_t x, int32_t r) {
  return PixelAt(img, x, img.Height() - 1 - r);
}

inline QByteArray ReadAll(const std::string& sPath) {
  QFile file(QString::fromStdString(sPath));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

// Loads a file (or bytes) as the document does: LoadPicture, then CreateFromPicture; the
// straight load into a buffer (LoadPictureImage) must give the same buffer, padding included.
template <class P>
std::unique_ptr<cDIBSection> ImageOf(const P& picture, std::unique_ptr<cDIBSection> straight) {
  auto image = std::make_unique<cDIBSection>();
  image->CreateFromPicture(*picture);
  EXPECT_NE(image->DIBSectionBitsPtr(), nullptr);
  EXPECT_EQ(straight->Width(), image->Width());
  EXPECT_EQ(straight->Height(), image->Height());
  EXPECT_EQ(Bytes(*straight), Bytes(*image));
  return image;
}
inline std::unique_ptr<cDIBSection> LoadAsImage(const std::string& sPath) {
  return ImageOf(LoadPicture(sPath), LoadPictureImage(sPath));
}
inline std::unique_ptr<cDIBSection> LoadBytesAsImage(const QByteArray& bytes) {
  return ImageOf(LoadPictureFromMemory(bytes), LoadPictureImageFromMemory(bytes));
}

// The description of the error f raises ("" when it raises none).
template <class F>
std::string ErrorOf(F f) {
  try {
    f();
  } catch (const cError& e) {
    return e.Description();
  }
  return "";
}
// The error of LoadPicture; the straight load into a buffer must raise the same.
inline std::string LoadError(const std::string& sPath) {
  const std::string sError = ErrorOf([&] { LoadPicture(sPath); });
  EXPECT_EQ(ErrorOf([&] { LoadPictureImage(sPath); }), sError) << sPath;
  return sError;
}
inline std::string LoadBytesError(const QByteArray& bytes) {
  const std::string sError = ErrorOf([&] { LoadPictureFromMemory(bytes); });
  EXPECT_EQ(ErrorOf([&] { LoadPictureImageFromMemory(bytes); }), sError);
  return sError;
}

struct cGifFrame {
  int32_t lLeft = 0, lTop = 0, lWidth = 0, lHeight = 0;
  bool bInterlace = false;
  int32_t lTransparent = -1;
  std::vector<std::vector<uint8_t>> rows;  // top row first
};

// A GIF89a made with giflib's encoder.
inline QByteArray GifFile(int32_t lScreenW, int32_t lScreenH,
                          const std::vector<GifColorType>& colours,
                          const std::vector<cGifFrame>& frames) {
  cScratch dir;
  const std::string sPath = dir.Path("made.gif");
  int lError = 0;
  GifFileType* gif = EGifOpenFileName(sPath.c_str(), false, &lError);
  EXPECT_NE(gif, nullptr);
  EGifSetGifVersion(gif, true);
  int lSize = 2;
  while (lSize < static_cast<int>(colours.size()))
    lSize *= 2;
  std::vector<GifColorType> table(colours);
  table.resize(static_cast<size_t>(lSize), GifColorType{0, 0, 0});
  ColorMapObject* map = GifMakeMapObject(lSize, table.data());
  EXPECT_EQ(EGifPutScreenDesc(gif, lScreenW, lScreenH, 8, 0, map), GIF_OK);
  for (const cGifFrame& f : frames) {
    if (f.lTransparent >= 0) {
      const uint8_t gce[4] = {1, 0, 0, static_cast<uint8_t>(f.lTransparent)};
      EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, gce);
    }
    EXPECT_EQ(EGifPutImageDesc(gif, f.lLeft, f.lTop, f.lWidth, f.lHeight, f.bInterlace, nullptr),
              GIF_OK);
    std::vector<int32_t> order;
    if (f.bInterlace) {
      for (int32_t start : {0, 4, 2, 1}) {
        for (int32_t y = start; y < f.lHeight; y += start == 0 ? 8 : start * 2)
          order.push_back(y);
      }
    } else {
      for (int32_t y = 0; y < f.lHeight; ++y)
        order.push_back(y);
    }
    for (int32_t y : order) {
      std::vector<uint8_t> row = f.rows[static_cast<size_t>(y)];
      EXPECT_EQ(EGifPutLine(gif, row.data(), f.lWidth), GIF_OK);
    }
  }
  EGifCloseFile(gif, &lError);
  GifFreeMapObject(map);
  return ReadAll(sPath);
}

}  // namespace brennic::test
