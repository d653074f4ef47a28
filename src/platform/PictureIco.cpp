#include "platform/PictureIco.h"

#include <QIODevice>

#include "platform/PictureDecode.h"

namespace brennic::picture {

namespace {

uint32_t Le32(const QByteArray& b, qsizetype at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i)
    v = (v << 8) | static_cast<uint8_t>(b[at + i]);
  return v;
}
uint32_t Be32(const QByteArray& b, qsizetype at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i)
    v = (v << 8) | static_cast<uint8_t>(b[at + i]);
  return v;
}

}  // namespace

bool LooksLikeIcon(const QByteArray& head) {
  return head.size() >= 6 && head[0] == 0 && head[1] == 0 && (head[2] == 1 || head[2] == 2) &&
         head[3] == 0 && (head[4] != 0 || head[5] != 0);
}

void CheckIconClaim(QIODevice& device, int64_t lFileBytes) {
  // Header (6 bytes), then 16 bytes per image: the first image's data starts at byte 12 of its
  // entry.
  const QByteArray entry = device.peek(6 + 16);
  if (entry.size() < 6 + 16) return;
  const int64_t lOffset = Le32(entry, 6 + 12);
  if (lOffset + 24 > lFileBytes) return;  // the reader refuses such a file by itself
  if (!device.seek(lOffset)) return;
  const QByteArray image = device.read(24);
  device.seek(0);
  if (image.size() < 24) return;
  int64_t lWidth = 0, lHeight = 0;
  if (image.startsWith("\x89PNG")) {
    lWidth = Be32(image, 16);
    lHeight = Be32(image, 20);
  } else if (Le32(image, 0) >= 40) {
    // A bitmap's height counts the colour rows and the mask rows.
    lWidth = static_cast<int32_t>(Le32(image, 4));
    lHeight = static_cast<int32_t>(Le32(image, 8));
    lHeight = (lHeight < 0 ? -lHeight : lHeight) / 2;
  }
  if (lWidth < 1 || lHeight < 1) return;  // left to the reader
  CheckClaimedSize(lWidth, lHeight, lFileBytes);
}

}  // namespace brennic::picture
