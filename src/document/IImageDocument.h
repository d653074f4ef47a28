#pragma once
// What other windows may ask of an image document found in the application's collection of
// loaded windows: the combine dialog lists documents by title and size, and a combination reads
// its two sources through their drawing surfaces. frmImage implements it.

#include <cstdint>
#include <string>

#include "image/cDrawingSurface.h"

namespace brennic {

class IImageDocument {
 public:
  virtual ~IImageDocument() = default;
  // The drawing surface of the document's image (m_cDib's hdc).
  virtual hDC ImageDibHDC() = 0;
  virtual int32_t ImageWidth() const = 0;
  virtual int32_t ImageHeight() const = 0;
  virtual std::string FileTitle() const = 0;
};

}  // namespace brennic
