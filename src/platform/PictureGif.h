#pragma once
// The first frame of a GIF file, decoded with giflib onto a black canvas of the logical screen's
// size. Internal to the picture services. Qt's own GIF reader is not used: on damaged files it can
// return pixels it never wrote.

#include <QImage>
#include <cstdint>

class QIODevice;

namespace brennic::picture {

// A Format_BGR888 image: the first frame's pixels where it covers the screen, black elsewhere
// and where it is transparent. A frame cut short keeps the rows that arrived.
QImage DecodeGif(QIODevice& device, int64_t lFileBytes);

}  // namespace brennic::picture
