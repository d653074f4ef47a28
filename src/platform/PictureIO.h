#pragma once
// Picture files in and out: the platform's LoadPicture and SavePicture.
//
// LoadPicture reads BMP and DIB files, GIF (the first frame), ICO and CUR (the first image), PNG,
// JPEG, TIFF and WebP; other kinds, even where a Qt plugin could decode them, are refused. The
// file's content decides the format, never its name. Transparent pixels come out composited over
// black, and every kind of picture ends as the same 24-bit pixels, ready for
// cDIBSection::CreateFromPicture. Bad input is refused with a description a user can act on: the
// loader never shows memory it did not write, and it refuses a picture whose 24-bit buffer would
// exceed cDIBSection::kMaxImageBytes (or that the file is far too short to hold) before allocating
// for it.
//
// File names are bytes, used exactly as given: on Linux a name need not be UTF-8. Only regular
// files are read (a pipe, a device or a folder is refused at once, named), and only the kinds of
// picture named above: BMP/DIB, GIF, ICO, PNG, JPEG, TIFF and WebP.
//
// SavePicture writes a 24-bit uncompressed Windows bitmap whatever the file name's extension,
// atomically: into a temporary file in the target's folder, flushed to disk, renamed into the
// target's place, and the folder flushed so that the new name survives a power cut. A save that
// fails leaves an existing file as it was and nothing else behind, and says why (a full disk
// apart from the system's other reasons).
//
// Failures raise cError with source "<exe>.LoadPicture" or "<exe>.SavePicture".

#include <sys/types.h>
#include <unistd.h>

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

// The system calls a save writes and flushes with; tests put others in to play a full disk or to
// watch what is flushed.
struct cPictureFileOps {
  ssize_t (*pfnWrite)(int fd, const void* p, size_t lBytes) = ::write;
  int (*pfnSync)(int fd) = ::fsync;
};
void SetPictureFileOps(const cPictureFileOps& ops);

// Writes the whole surface as a bitmap file.
void SavePicture(hDC hSurface, const std::string& sFileName);
void SavePicture(cDIBSection& cImage, const std::string& sFileName);
// The bitmap file's bytes for a surface, exactly as SavePicture writes them.
QByteArray BitmapFileBytes(hDC hSurface);

}  // namespace brennic
