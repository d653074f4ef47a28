#pragma once
// What the picture decoders share: the descriptions of refusals and the size limits. Internal to
// the picture services (PictureIO, PictureBmp, PictureGif).

#include <QImage>
#include <cstdint>
#include <string>

class QIODevice;

namespace brennic::picture {

inline constexpr const char* kNotAPicture = "The file is not a picture this program can read.";
inline constexpr const char* kDamaged = "The picture is damaged and cannot be read.";
inline constexpr const char* kNoPicture = "The file is damaged: it holds no picture.";
inline constexpr const char* kEmpty = "The file is empty.";
// A picture of a kind the program does not read (followed by the kind in parentheses).
inline constexpr const char* kOtherKind = "This kind of picture cannot be read";

[[noreturn]] void RaiseLoad(int32_t lNumber, const std::string& sDescription);
// "The picture is too large (W x H pixels)."
[[noreturn]] void RaiseTooLarge(int64_t lWidth, int64_t lHeight);
// A header that claims far more pixels than the file could hold.
[[noreturn]] void RaiseTooShort(int64_t lWidth, int64_t lHeight);
// A size of 0 or less in either direction.
[[noreturn]] void RaiseNoPixels(int64_t lWidth, int64_t lHeight);
[[noreturn]] void RaiseOutOfMemory(int64_t lWidth, int64_t lHeight);

// Whether a 24-bit buffer of this size stays within cDIBSection::kMaxImageBytes.
bool FitsImageBuffer(int64_t lWidth, int64_t lHeight);

// The most pixels a file of lFileBytes can plausibly describe. No format the loader reads packs
// more than about 8,300 pixels into a byte (a 1-bit PNG of one colour), and any file may describe
// a few million, so a header claiming more is damaged or hostile; refusing it before decoding
// keeps a few bytes from making the loader allocate gigabytes.
int64_t PlausiblePixels(int64_t lFileBytes);

// Refuses a claimed size: not positive, too large for the buffer, or implausible for the file.
void CheckClaimedSize(int64_t lWidth, int64_t lHeight, int64_t lFileBytes);

// A zero-filled image (padding included); raises "not enough memory" when it cannot be had.
QImage ZeroImage(int32_t lWidth, int32_t lHeight, QImage::Format eFormat);

}  // namespace brennic::picture
