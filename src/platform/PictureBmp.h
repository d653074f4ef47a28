#pragma once
// Windows and OS/2 bitmaps, with or without the 14-byte file header. Internal to the picture
// services: the header is read here to refuse impossible sizes before anything is allocated and to
// name the kind of bitmap when it cannot be read; the pixels are decoded by Qt's bitmap reader
// into an image that is zero-filled beforehand, so that pixels a damaged file never sets (cut
// short, RLE skips, indices past a short palette) come out black instead of left over memory.

#include <QImage>
#include <cstdint>
#include <optional>
#include <string>

class QIODevice;

namespace brennic::picture {

struct BmpHeader {
  int32_t lHeaderSize = 0;  // 12 (OS/2 v1), 16..64 (OS/2 v2), 40, 52, 56, 108, 124 (Windows)
  int64_t lWidth = 0;
  int64_t lHeight = 0;  // rows, whatever the direction
  bool bTopDown = false;
  int32_t lPlanes = 0;
  int32_t lBitCount = 0;
  int64_t lCompression = 0;
};

// Reads the info header that starts at byte lAt of head; raises "damaged" when head ends first.
BmpHeader ReadBmpHeader(const QByteArray& head, int64_t lAt);

// What makes a well-formed bitmap of this kind unreadable here ("2 bits per pixel", "JPEG
// compression"...), or "" for the kinds the decoder reads.
std::string UnsupportedBmpKind(const BmpHeader& header);

// Looks like a bitmap without its file header (a clipboard DIB): an info header size first.
bool LooksLikeHeaderlessDib(const QByteArray& head);

// Decodes the bitmap at the device's position; bFileHeader false for a headerless DIB.
QImage DecodeBmp(QIODevice& device, int64_t lFileBytes, bool bFileHeader);

// Where the pixel rows of a bitmap file lie when the file stores them exactly as the image buffer
// keeps them (3 bytes per pixel in the order blue, green, red, rows padded to 4 bytes) and holds
// every one of them. Such rows are read straight into the buffer; Qt's reader would decode them
// to the same pixels.
struct PlainBmpRows {
  int32_t lWidth = 0;
  int32_t lHeight = 0;
  bool bTopDown = false;
  int64_t lAt = 0;  // the offset of the first row in the file
};

// How many of a file's first bytes FindPlainBmpRows looks at.
inline constexpr int64_t kPlainBmpHead = 14 + 124;

// The rows of a bitmap file whose first bytes are head (kPlainBmpHead of them, or the whole file
// when it is shorter), for an uncompressed 24-bit bitmap with a Windows header that the file
// holds whole; nothing for every other file, which goes to DecodeBmp.
std::optional<PlainBmpRows> FindPlainBmpRows(const QByteArray& head, int64_t lFileBytes);

}  // namespace brennic::picture
