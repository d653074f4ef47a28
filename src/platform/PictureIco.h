#pragma once
// Icon and cursor files. Internal to the picture services: Qt's icon reader decodes them (the
// first image in the file); the size the first image claims is checked here beforehand, so that a
// few bytes claiming an enormous icon are refused without decoding.

#include <QByteArray>
#include <cstdint>

class QIODevice;

namespace brennic::picture {

// Starts like an icon (type 1) or cursor (type 2) file with at least one image.
bool LooksLikeIcon(const QByteArray& head);

// Refuses the file when its first image (a bitmap or a PNG) claims a size that is too large or
// that the file is far too short for. Leaves the device at its start.
void CheckIconClaim(QIODevice& device, int64_t lFileBytes);

}  // namespace brennic::picture
