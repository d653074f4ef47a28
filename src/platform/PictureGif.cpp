#include "platform/PictureGif.h"

#include <gif_lib.h>

#include <QIODevice>
#include <algorithm>
#include <memory>
#include <vector>

#include "platform/PictureDecode.h"
#include "platform/PictureIO.h"

namespace brennic::picture {

namespace {

int ReadFromDevice(GifFileType* pGif, GifByteType* pBuffer, int lLength) {
  auto* pDevice = static_cast<QIODevice*>(pGif->UserData);
  const qint64 lRead = pDevice->read(reinterpret_cast<char*>(pBuffer), lLength);
  return lRead < 0 ? 0 : static_cast<int>(lRead);
}

struct cGifCloser {
  void operator()(GifFileType* pGif) const {
    int lError = 0;
    DGifCloseFile(pGif, &lError);
  }
};
using cGifFile = std::unique_ptr<GifFileType, cGifCloser>;

[[noreturn]] void Damaged() {
  RaiseLoad(kErrInvalidPicture, kDamaged);
}

// Skips to the first image descriptor; returns the transparent colour index of the graphic
// control extension in front of it (the last one when there are several), or -1.
int32_t SkipToFirstImage(GifFileType* pGif) {
  int32_t lTransparent = -1;
  for (;;) {
    GifRecordType eType = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(pGif, &eType) == GIF_ERROR) RaiseLoad(kErrInvalidPicture, kNoPicture);
    if (eType == IMAGE_DESC_RECORD_TYPE) return lTransparent;
    if (eType == TERMINATE_RECORD_TYPE) RaiseLoad(kErrInvalidPicture, kNoPicture);
    if (eType != EXTENSION_RECORD_TYPE) Damaged();
    int lCode = 0;
    GifByteType* pBlock = nullptr;
    if (DGifGetExtension(pGif, &lCode, &pBlock) == GIF_ERROR) Damaged();
    // pBlock[0] is the block's length; a graphic control block holds flags, delay (2 bytes) and
    // the transparent index.
    if (lCode == GRAPHICS_EXT_FUNC_CODE && pBlock != nullptr && pBlock[0] >= 4) {
      lTransparent = (pBlock[1] & 1) != 0 ? pBlock[4] : -1;
    }
    while (pBlock != nullptr) {
      if (DGifGetExtensionNext(pGif, &pBlock) == GIF_ERROR) Damaged();
    }
  }
}

// Frame rows in the order the file stores them: top to bottom, or the four interlace passes.
std::vector<int32_t> RowOrder(int32_t lRows, bool bInterlaced) {
  std::vector<int32_t> rows;
  rows.reserve(static_cast<size_t>(lRows));
  if (!bInterlaced) {
    for (int32_t y = 0; y < lRows; ++y)
      rows.push_back(y);
    return rows;
  }
  constexpr int32_t kStart[] = {0, 4, 2, 1};
  constexpr int32_t kStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int32_t y = kStart[pass]; y < lRows; y += kStep[pass])
      rows.push_back(y);
  }
  return rows;
}

}  // namespace

QImage DecodeGif(QIODevice& device, int64_t lFileBytes) {
  int lError = 0;
  cGifFile gif(DGifOpen(&device, ReadFromDevice, &lError));
  if (!gif) Damaged();
  const int32_t lTransparent = SkipToFirstImage(gif.get());
  if (DGifGetImageDesc(gif.get()) == GIF_ERROR) Damaged();

  const GifImageDesc& frame = gif->Image;
  const int64_t lLeft = frame.Left;
  const int64_t lTop = frame.Top;
  const int64_t lFrameWidth = frame.Width;
  const int64_t lFrameHeight = frame.Height;
  // A screen of no size takes the frame's extent.
  const int64_t lWidth = gif->SWidth > 0 ? gif->SWidth : lLeft + lFrameWidth;
  const int64_t lHeight = gif->SHeight > 0 ? gif->SHeight : lTop + lFrameHeight;
  CheckClaimedSize(lWidth, lHeight, lFileBytes);
  if (lFrameWidth < 1 || lFrameHeight < 1) RaiseLoad(kErrInvalidPicture, kNoPicture);
  // The frame's rows are decoded even where they miss the screen; bound that work as well.
  CheckClaimedSize(lFrameWidth, lFrameHeight, lFileBytes);

  const ColorMapObject* pMap = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
  const int32_t lColours = pMap != nullptr ? pMap->ColorCount : 0;
  std::vector<GifPixelType> line(static_cast<size_t>(lFrameWidth));
  const int64_t lFirstX = std::min(lLeft, lWidth);
  const int64_t lLastX = std::min(lLeft + lFrameWidth, lWidth);

  QImage canvas;
  const std::vector<int32_t> rows = RowOrder(static_cast<int32_t>(lFrameHeight), frame.Interlace);
  for (size_t i = 0; i < rows.size(); ++i) {
    std::fill(line.begin(), line.end(), GifPixelType{0});
    if (DGifGetLine(gif.get(), line.data(), static_cast<int>(lFrameWidth)) == GIF_ERROR) {
      if (i == 0) Damaged();
      break;  // cut short: keep the rows that arrived
    }
    // The canvas is made only once the file has proved to hold pixel data.
    if (canvas.isNull()) {
      canvas = ZeroImage(static_cast<int32_t>(lWidth), static_cast<int32_t>(lHeight),
                         QImage::Format_BGR888);
    }
    const int64_t y = lTop + rows[i];
    if (y < lHeight) {
      uint8_t* pRow = canvas.bits() + y * canvas.bytesPerLine();
      for (int64_t x = lFirstX; x < lLastX; ++x) {
        const int32_t lIndex = line[static_cast<size_t>(x - lLeft)];
        if (lIndex == lTransparent) continue;
        uint8_t* p = pRow + 3 * x;
        if (lIndex < lColours) {
          const GifColorType& c = pMap->Colors[lIndex];
          p[0] = c.Blue;
          p[1] = c.Green;
          p[2] = c.Red;
        }
      }
    }
    // Top to bottom: once past the screen's last row nothing more can show.
    if (!frame.Interlace && y + 1 >= lHeight) break;
  }
  return canvas;
}

}  // namespace brennic::picture
