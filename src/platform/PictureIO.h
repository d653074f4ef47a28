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
// ExportPicture writes the other formats people expect (PNG, JPEG, WebP, TIFF) through Qt's
// image writers, and bitmaps as SavePicture does, through the same atomic writer.
//
// Failures raise cError with source "<exe>.LoadPicture" or "<exe>.SavePicture".

#include <sys/types.h>
#include <unistd.h>

#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
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
// The picture file as an image buffer: the pixels LoadPicture and CreateFromPicture give, and the
// same refusals, with error 7 when the buffer cannot be had. An uncompressed 24-bit bitmap's rows
// are read straight into the buffer's memory, the other pictures are decoded and then copied.
std::unique_ptr<cDIBSection> LoadPictureImage(const std::string& sFileName);
std::unique_ptr<cDIBSection> LoadPictureImageFromMemory(const QByteArray& bytes);

// The system calls a save writes and flushes with; tests put others in to play a full disk or to
// watch what is flushed.
struct cPictureFileOps {
  ssize_t (*pfnWrite)(int fd, const void* p, size_t lBytes) = ::write;
  int (*pfnSync)(int fd) = ::fsync;
};
void SetPictureFileOps(const cPictureFileOps& ops);

// Takes the next block of a file being written; false when it could not be written.
using PutBlock = std::function<bool(const uint8_t* p, int64_t lBytes)>;
// Lets a caller stop a write from outside (a command-line run that is interrupted). fnStopped is
// asked while the picture is encoded and between the blocks written; fnCommit once, when the new
// file is complete and flushed, just before it takes the target's place. fnStopped answering
// true or fnCommit false stops the write, leaving nothing behind, with kErrCancelled; once
// fnCommit has answered true the file is put in place. Unset functions never stop.
struct sWriteStop {
  std::function<bool()> fnStopped;
  std::function<bool()> fnCommit;
};

// Writes a file atomically, as SavePicture does: fnWrite hands the file's bytes to put block by
// block and returns false as soon as put does.
void WriteFileAtomically(const std::string& sFileName,
                         const std::function<bool(const PutBlock& put)>& fnWrite,
                         const sWriteStop& stop = {});

// Writes the whole surface as a bitmap file.
void SavePicture(hDC hSurface, const std::string& sFileName, const sWriteStop& stop = {});
void SavePicture(cDIBSection& cImage, const std::string& sFileName, const sWriteStop& stop = {});
// The bitmap file's bytes for a surface, exactly as SavePicture writes them.
QByteArray BitmapFileBytes(hDC hSurface);
// The same bytes handed to put block by block, without a copy of the whole file; false as soon as
// put returns false. Raises as SavePicture does for a surface it cannot write.
bool PutBitmapFile(hDC hSurface, const PutBlock& put);

// --- Export

enum class ePictureFormat { Bmp, Png, Jpeg, WebP, Tiff };

// The quality JPEG and WebP are written with unless another is asked for, and its range.
inline constexpr int32_t kDefaultQuality = 90;
inline constexpr int32_t kMinQuality = 1;
inline constexpr int32_t kMaxQuality = 100;

// The format a short name stands for, in any case: "bmp", "png", "jpg" or "jpeg", "webp", "tif"
// or "tiff"; nothing for another name.
std::optional<ePictureFormat> FormatOfName(const std::string& sName);
// The format a file name's extension names (the names above, and ".dib" for a bitmap); nothing
// for another extension or none.
std::optional<ePictureFormat> FormatOfExtension(const std::string& sFileName);
// "BMP", "PNG", "JPEG", "WebP", "TIFF".
const char* FormatTitle(ePictureFormat eFormat);
// JPEG and WebP are written at a quality; the others are lossless.
bool TakesQuality(ePictureFormat eFormat);
// Why this installation cannot write the format (Qt's plugin for it is missing), or "".
std::string CannotWrite(ePictureFormat eFormat);

// The pixels of a surface as a top-down Format_BGR888 image.
QImage ImageOfSurface(hDC hSurface);
// The file's bytes of image in eFormat: bitmaps as SavePicture writes them, TIFF compressed
// without loss (LZW), JPEG and WebP at lQuality (kMinQuality to kMaxQuality).
QByteArray PictureFileBytes(const QImage& image, ePictureFormat eFormat,
                            int32_t lQuality = kDefaultQuality, const sWriteStop& stop = {});
// Writes image to sFileName in eFormat, whatever the name's extension, atomically.
void ExportPicture(const QImage& image, const std::string& sFileName, ePictureFormat eFormat,
                   int32_t lQuality = kDefaultQuality, const sWriteStop& stop = {});

}  // namespace brennic
