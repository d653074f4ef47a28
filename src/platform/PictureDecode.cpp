#include "platform/PictureDecode.h"

#include <algorithm>

#include "image/cDIBSection.h"
#include "image/cError.h"
#include "image/mConventions.h"
#include "platform/PictureIO.h"

namespace brennic::picture {

namespace {

std::string SizeText(int64_t lWidth, int64_t lHeight) {
  return std::to_string(lWidth) + " x " + std::to_string(lHeight) + " pixels";
}

// A few million pixels may come from any file; beyond that, this many per byte of file.
constexpr int64_t kPlausibleFloor = int64_t{1} << 24;
constexpr int64_t kPlausiblePerByte = int64_t{1} << 14;

}  // namespace

void RaiseLoad(int32_t lNumber, const std::string& sDescription) {
  throw cError(lNumber, ErrorSource(".LoadPicture"), sDescription);
}

void RaiseTooLarge(int64_t lWidth, int64_t lHeight) {
  RaiseLoad(kErrOutOfMemory, "The picture is too large (" + SizeText(lWidth, lHeight) + ").");
}

void RaiseTooShort(int64_t lWidth, int64_t lHeight) {
  RaiseLoad(kErrInvalidPicture, "The file is damaged: it is too short for a picture of " +
                                    SizeText(lWidth, lHeight) + ".");
}

void RaiseNoPixels(int64_t lWidth, int64_t lHeight) {
  RaiseLoad(kErrInvalidPicture,
            "The file is damaged: its picture is " + SizeText(lWidth, lHeight) + ".");
}

void RaiseOutOfMemory(int64_t lWidth, int64_t lHeight) {
  RaiseLoad(kErrOutOfMemory,
            "There is not enough memory for the picture (" + SizeText(lWidth, lHeight) + ").");
}

bool FitsImageBuffer(int64_t lWidth, int64_t lHeight) {
  if (lWidth < 1 || lHeight < 1) return true;
  // Widths beyond 2^31 already make one row too long; this also keeps the product in range.
  if (lWidth > cDIBSection::kMaxImageBytes || lHeight > cDIBSection::kMaxImageBytes) return false;
  return BytesPerScanLineFor(lWidth) * lHeight <= cDIBSection::kMaxImageBytes;
}

int64_t PlausiblePixels(int64_t lFileBytes) {
  const int64_t lBytes = std::clamp<int64_t>(lFileBytes, 0, int64_t{1} << 40);
  return std::max(kPlausibleFloor, lBytes * kPlausiblePerByte);
}

void CheckClaimedSize(int64_t lWidth, int64_t lHeight, int64_t lFileBytes) {
  if (lWidth < 1 || lHeight < 1) RaiseNoPixels(lWidth, lHeight);
  if (!FitsImageBuffer(lWidth, lHeight)) RaiseTooLarge(lWidth, lHeight);
  if (lWidth * lHeight > PlausiblePixels(lFileBytes)) RaiseTooShort(lWidth, lHeight);
}

QImage ZeroImage(int32_t lWidth, int32_t lHeight, QImage::Format eFormat) {
  QImage image(lWidth, lHeight, eFormat);
  if (image.isNull()) RaiseOutOfMemory(lWidth, lHeight);
  // fill() leaves row padding alone; clear the whole block instead.
  std::fill_n(image.bits(), static_cast<size_t>(image.sizeInBytes()), uint8_t{0});
  return image;
}

}  // namespace brennic::picture
