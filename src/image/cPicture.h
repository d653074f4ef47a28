#pragma once
// A loaded picture as the image buffer sees it: a pixel size and a drawing surface holding the
// picture's pixels (already composited over black where the file had transparency). The platform
// layer's picture loader produces these.

#include <cstdint>

#include "cDrawingSurface.h"

namespace brennic {

class cPicture {
 public:
  virtual ~cPicture() = default;
  virtual int32_t PixelWidth() const = 0;
  virtual int32_t PixelHeight() const = 0;
  // The picture's bitmap as a surface to transfer from; valid as long as the picture lives.
  virtual hDC Surface() const = 0;
};

}  // namespace brennic
