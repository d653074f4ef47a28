#include "platform/PictureBmp.h"

#include <QIODevice>
#include <QImageReader>
#include <climits>
#include <cstdlib>

#include "platform/PictureDecode.h"
#include "platform/PictureIO.h"

namespace brennic::picture {

namespace {

constexpr int64_t kFileHeaderBytes = 14;
constexpr int64_t kLargestInfoHeader = 124;

uint32_t U16(const QByteArray& b, int64_t at) {
  return static_cast<uint8_t>(b[static_cast<qsizetype>(at)]) |
         (uint32_t{static_cast<uint8_t>(b[static_cast<qsizetype>(at + 1)])} << 8);
}
uint32_t U32(const QByteArray& b, int64_t at) {
  return U16(b, at) | (U16(b, at + 2) << 16);
}

bool IsOs2V2(int32_t lHeaderSize) {
  return lHeaderSize > 12 && lHeaderSize <= 64 && lHeaderSize != 40 && lHeaderSize != 52 &&
         lHeaderSize != 56;
}

// The colours a 1, 4 or 8-bit bitmap may index; entries the file does not set stay opaque black,
// so that indices past a short palette show black.
void PrepareColourTable(QImage& image) {
  int lCount = 0;
  if (image.format() == QImage::Format_Indexed8) lCount = 256;
  if (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB) {
    lCount = 2;
  }
  if (lCount > 0) image.setColorTable(QList<QRgb>(lCount, qRgb(0, 0, 0)));
}

}  // namespace

BmpHeader ReadBmpHeader(const QByteArray& head, int64_t lAt) {
  BmpHeader h;
  if (head.size() < lAt + 4) RaiseLoad(kErrInvalidPicture, kDamaged);
  h.lHeaderSize = static_cast<int32_t>(std::min<uint32_t>(U32(head, lAt), 0x7FFFFFFF));
  if (h.lHeaderSize < 12) RaiseLoad(kErrInvalidPicture, kDamaged);
  if (h.lHeaderSize == 12) {
    if (head.size() < lAt + 12) RaiseLoad(kErrInvalidPicture, kDamaged);
    h.lWidth = U16(head, lAt + 4);
    h.lHeight = U16(head, lAt + 6);
    h.lPlanes = static_cast<int32_t>(U16(head, lAt + 8));
    h.lBitCount = static_cast<int32_t>(U16(head, lAt + 10));
    return h;
  }
  if (head.size() < lAt + 16) RaiseLoad(kErrInvalidPicture, kDamaged);
  h.lWidth = static_cast<int32_t>(U32(head, lAt + 4));
  const int64_t lHeight = static_cast<int32_t>(U32(head, lAt + 8));
  h.bTopDown = lHeight < 0;
  h.lHeight = lHeight < 0 ? -lHeight : lHeight;  // 64 bits: -(-2^31) does not overflow
  h.lPlanes = static_cast<int32_t>(U16(head, lAt + 12));
  h.lBitCount = static_cast<int32_t>(U16(head, lAt + 14));
  if (h.lHeaderSize >= 20 && head.size() >= lAt + 20) h.lCompression = U32(head, lAt + 16);
  return h;
}

std::string UnsupportedBmpKind(const BmpHeader& h) {
  const int32_t s = h.lHeaderSize;
  if (s != 12 && s != 40 && s != 64 && s != 108 && s != 124) {
    return "a " + std::to_string(s) + "-byte header";
  }
  if (h.lBitCount == 2 || h.lBitCount == 64) {
    return std::to_string(h.lBitCount) + " bits per pixel";
  }
  if (IsOs2V2(s)) {
    if (h.lCompression == 3) return "Huffman compression";
    if (h.lCompression == 4) return "RLE24 compression";
    return "";
  }
  if (h.lCompression == 4) return "JPEG compression";
  if (h.lCompression == 5) return "PNG compression";
  if (h.lCompression == 6) return "alpha bit-field compression";
  return "";
}

bool LooksLikeHeaderlessDib(const QByteArray& head) {
  if (head.size() < 4) return false;
  const uint32_t lSize = U32(head, 0);
  return lSize == 12 || lSize == 40 || lSize == 64 || lSize == 108 || lSize == 124;
}

QImage DecodeBmp(QIODevice& device, int64_t lFileBytes, bool bFileHeader) {
  const int64_t lAt = bFileHeader ? kFileHeaderBytes : 0;
  const BmpHeader header = ReadBmpHeader(device.peek(lAt + kLargestInfoHeader), lAt);
  CheckClaimedSize(header.lWidth, header.lHeight, lFileBytes);

  // Qt's bitmap reader decodes into an image of the right size and format when it is given
  // one; pixels it never reaches then keep the zeros. The format it announces beforehand is not
  // always the one it decodes into (a bitmap with an alpha mask), so a reader that makes an image
  // of its own is asked once more with that format.
  QImage::Format eFormat = QImage::Format_Invalid;
  for (int lAttempt = 0; lAttempt < 2; ++lAttempt) {
    device.seek(0);
    QImageReader reader(&device, bFileHeader ? "bmp" : "dib");
    // Qt reports a top-down bitmap's height as negative; it decodes it with the rows turned.
    const QSize size(reader.size().width(), std::abs(reader.size().height()));
    if (lAttempt == 0) eFormat = reader.imageFormat();
    QImage image;
    const uchar* pPrepared = nullptr;
    if (size.isValid() && eFormat != QImage::Format_Invalid) {
      CheckClaimedSize(size.width(), size.height(), lFileBytes);
      image = ZeroImage(size.width(), size.height(), eFormat);
      PrepareColourTable(image);
      pPrepared = image.constBits();
    }
    if (!reader.read(&image)) {
      const std::string sKind = UnsupportedBmpKind(header);
      if (!sKind.empty()) {
        RaiseLoad(kErrInvalidPicture, "This kind of bitmap cannot be read (" + sKind + ").");
      }
      RaiseLoad(kErrInvalidPicture, kDamaged);
    }
    if (image.constBits() == pPrepared) return image;
    eFormat = image.format();
  }
  // Pixels in an image the reader made itself may be left unset: refuse rather than show memory
  // nobody wrote.
  RaiseLoad(kErrInvalidPicture, kDamaged);
}

std::optional<PlainBmpRows> FindPlainBmpRows(const QByteArray& head, int64_t lFileBytes) {
  if (head.size() < kFileHeaderBytes + 40 || !head.startsWith("BM")) return std::nullopt;
  const uint32_t lHeaderSize = U32(head, kFileHeaderBytes);
  if (lHeaderSize != 40 && lHeaderSize != 108 && lHeaderSize != 124) return std::nullopt;
  const int64_t lHeaderEnd = kFileHeaderBytes + lHeaderSize;
  if (head.size() < lHeaderEnd) return std::nullopt;
  const auto lWidth = static_cast<int32_t>(U32(head, 18));
  const auto lHeight = static_cast<int32_t>(U32(head, 22));
  // Planes, bits per pixel, compression (none: the masks of a larger header do not apply).
  if (U16(head, 26) != 1 || U16(head, 28) != 24 || U32(head, 30) != 0) return std::nullopt;
  // Sizes Qt's reader refuses stay with it, so that they are refused as they always were.
  if (lWidth <= 0 || lHeight == 0 || lHeight == INT_MIN) return std::nullopt;
  const int64_t lRows = lHeight < 0 ? -int64_t{lHeight} : lHeight;
  if (lWidth * lRows > int64_t{16384} * 16384) return std::nullopt;
  // Qt's reader starts at the offset the file header gives unless it points into the headers;
  // such odd offsets stay with it as well, and so does a file cut short.
  const int64_t lAt = U32(head, 10);
  const int64_t lStride = (int64_t{lWidth} * 3 + 3) & ~int64_t{3};
  if (lAt < lHeaderEnd || lAt > INT_MAX || lAt + lStride * lRows > lFileBytes) return std::nullopt;
  return PlainBmpRows{lWidth, static_cast<int32_t>(lRows), lHeight < 0, lAt};
}

}  // namespace brennic::picture
