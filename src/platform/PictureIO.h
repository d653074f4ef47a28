#pragma once
// Picture files in and out: the platform's LoadPicture and SavePicture.
//
// LoadPicture reads BMP and DIB files, GIF (the first frame), ICO and CUR (the first image) and
// whatever else the installed Qt image plugins decode (PNG, JPEG...). The file's content decides
// the format, never its name. Transparent pixels come out composited over black, and every kind
// of picture ends as the same 24-bit pixels, ready for cDIBSection::CreateFromPicture. Bad input
// is refused with a description a user can act on: the loader never shows memory it did not
// write, and it refuses a picture whose 24-bit buffer would exceed cDIBSection::kMaxImageBytes
// (or that the file is far too short to hold) before allocating for it.
//
// SavePicture writes a 24-bit uncompressed Windows bitmap whatever the file name's extension,
// atomically: into a temporary file in the target's folder, flushed to disk, then put in the
// target's place. A save that fails leaves an existing file as it was and nothing else behind.
//
// Failures raise cError with source "<exe>.LoadPicture" or "<exe>.SavePicture".

#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <memory>
#include <string>

#include "image/cDIBSection.h"
#include "image/cDrawingSurface.h"
#include "image/cPicture.h"

namespace brennic {

// Error numbers of the picture services (those of the original runtime).
inline constexpr int32_t kErrOutOfMemory = 7;
inline constexpr int32_t kErrFileNotFound = 53;
inline constexpr int32_t kErrDiskFull = 61;
inline constexpr int32_t kErrFileAccess = 75;
inline constexpr int32_t kErrPathNotFound = 76;
inline constexpr int32_t kErrInvalidPicture = 481;

// Loads the picture file sFileName.
std::unique_ptr<cPicture> LoadPicture(const std::string& sFileName);
// The same for a picture file already in memory (a paste, tests).
std::unique_ptr<cPicture> LoadPictureFromMemory(const QByteArray& bytes);
// A picture of a decoded image: 24-bit, transparency composited over black. Raises when the
// image is null or too large.
std::unique_ptr<cPicture> PictureFromImage(QImage image);

// Writes the whole surface as a bitmap file.
void SavePicture(hDC hSurface, const std::string& sFileName);
void SavePicture(cDIBSection& cImage, const std::string& sFileName);
// The bitmap file's bytes for a surface, exactly as SavePicture writes them.
QByteArray BitmapFileBytes(hDC hSurface);

}  // namespace brennic
