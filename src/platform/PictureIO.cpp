#include "platform/PictureIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <random>

#include "image/cError.h"
#include "image/mConventions.h"
#include "image/mFileAccess.h"
#include "platform/PictureBmp.h"
#include "platform/PictureDecode.h"
#include "platform/PictureGif.h"
#include "platform/PictureIco.h"

namespace brennic {

using namespace picture;

namespace {

// A top-down Format_BGR888 image (the byte order and row padding of the image buffer) as a
// drawing surface.
class cImageSurface final : public cDrawingSurface {
 public:
  explicit cImageSurface(QImage& image) : m_pBits(image.bits()), m_image(image) {}
  int32_t SurfaceWidth() const override { return m_image.width(); }
  int32_t SurfaceHeight() const override { return m_image.height(); }
  uint8_t* DisplayRow(int32_t y) override { return m_pBits + int64_t{y} * DisplayRowStep(); }
  int64_t DisplayRowStep() const override { return m_image.bytesPerLine(); }

 private:
  uint8_t* m_pBits;
  const QImage& m_image;
};

// A loaded picture offered to CreateFromPicture.
class cLoadedPicture final : public cPicture {
 public:
  explicit cLoadedPicture(QImage image) : m_image(std::move(image)), m_surface(m_image) {}
  cLoadedPicture(const cLoadedPicture&) = delete;
  cLoadedPicture& operator=(const cLoadedPicture&) = delete;

  int32_t PixelWidth() const override { return m_image.width(); }
  int32_t PixelHeight() const override { return m_image.height(); }
  hDC Surface() const override { return &m_surface; }

 private:
  QImage m_image;
  mutable cImageSurface m_surface;
};

// Qt's allocation limit is one setting for the whole process: a load sets it for its file, with
// other loads waiting, and puts the previous value back afterwards.
std::mutex g_readerLock;

class cAllocationLimit {
 public:
  explicit cAllocationLimit(int64_t lFileBytes) : m_lPrevious(QImageReader::allocationLimit()) {
    // Megabytes for the largest picture the buffer may hold, or the file may plausibly describe,
    // at 4 bytes per pixel (the widest format the decoders use for such pictures).
    const int64_t lMaxPixels =
        std::min(cDIBSection::kMaxImageBytes / 3 + 1, PlausiblePixels(lFileBytes));
    QImageReader::setAllocationLimit(static_cast<int>((lMaxPixels * 4 >> 20) + 1));
  }
  ~cAllocationLimit() { QImageReader::setAllocationLimit(m_lPrevious); }
  cAllocationLimit(const cAllocationLimit&) = delete;
  cAllocationLimit& operator=(const cAllocationLimit&) = delete;

 private:
  int m_lPrevious;
};

// The kinds of picture the program reads through Qt's plugins, as Qt names them. Every other
// installed plugin (XPM, PPM, ICNS, TGA...) stays out of reach: those decoders are not among the
// ones the loader is hardened against.
bool IsReadKind(const QByteArray& sFormat) {
  static const char* const kKinds[] = {"png", "jpeg", "jpg", "tiff", "tif", "webp", "ico", "cur"};
  const QByteArray sLower = sFormat.toLower();
  return std::any_of(std::begin(kKinds), std::end(kKinds),
                     [&](const char* s) { return sLower == s; });
}

// Formats other than bitmaps and GIF, by content: icons, cursors, PNG, JPEG, TIFF, WebP.
QImage DecodeWithQt(QIODevice& device, int64_t lFileBytes, const QByteArray& head) {
  if (LooksLikeIcon(head)) CheckIconClaim(device, lFileBytes);
  QImageReader reader(&device);
  reader.setDecideFormatFromContent(true);
  const bool bReadable = reader.canRead();
  if (bReadable && !IsReadKind(reader.format())) {
    RaiseLoad(kErrInvalidPicture,
              std::string(kOtherKind) + " (" + reader.format().toUpper().toStdString() + ").");
  }
  if (!bReadable) {
    if (LooksLikeHeaderlessDib(head)) return DecodeBmp(device, lFileBytes, false);
    if (head.startsWith("BA")) {
      RaiseLoad(kErrInvalidPicture, "This kind of bitmap cannot be read (an OS/2 bitmap array).");
    }
    RaiseLoad(kErrInvalidPicture, kNotAPicture);
  }
  const QSize claimed = reader.size();
  if (claimed.isValid()) CheckClaimedSize(claimed.width(), claimed.height(), lFileBytes);
  QImage image;
  if (!reader.read(&image)) RaiseLoad(kErrInvalidPicture, kDamaged);
  return image;
}

std::unique_ptr<cPicture> LoadFromDevice(QIODevice& device, int64_t lFileBytes) {
  if (lFileBytes <= 0) RaiseLoad(kErrInvalidPicture, kEmpty);
  const QByteArray head = device.peek(16);
  QImage image;
  {
    const std::lock_guard<std::mutex> lock(g_readerLock);
    const cAllocationLimit limit(lFileBytes);
    // The content decides: "BM" is a bitmap whatever the name (Qt would take a ".dib" name for
    // a bitmap without file header), "GIF8" goes to giflib.
    if (head.startsWith("BM")) {
      image = DecodeBmp(device, lFileBytes, true);
    } else if (head.startsWith("GIF8")) {
      image = DecodeGif(device, lFileBytes);
    } else {
      image = DecodeWithQt(device, lFileBytes, head);
    }
  }
  return PictureFromImage(std::move(image));
}

// Alpha over black: c * a / 255 rounded to nearest (never a tie: 2ca + 255 is odd).
inline uint8_t OverBlack(uint32_t c, uint32_t a) {
  return static_cast<uint8_t>((2 * c * a + 255) / 510);
}

QImage ToBgr24(const QImage& image) {
  const int32_t w = image.width();
  const int32_t h = image.height();
  QImage source = image;
  // Indices past a short colour table show black rather than whatever lies beyond it.
  if (source.format() == QImage::Format_Indexed8 && source.colorCount() < 256) {
    QList<QRgb> colours = source.colorTable();
    colours.resize(256, qRgb(0, 0, 0));
    source.setColorTable(colours);
  } else if ((source.format() == QImage::Format_Mono ||
              source.format() == QImage::Format_MonoLSB) &&
             source.colorCount() < 2) {
    QList<QRgb> colours = source.colorTable();
    colours.resize(2, qRgb(0, 0, 0));
    source.setColorTable(colours);
  }
  if (!source.hasAlphaChannel()) {
    QImage out = source.convertToFormat(QImage::Format_BGR888);
    if (out.isNull()) RaiseOutOfMemory(w, h);
    // Conversions write pixels only; the row padding is cleared so no stale byte travels on.
    const int64_t lUsed = int64_t{3} * w;
    const int64_t lStride = out.bytesPerLine();
    if (lStride > lUsed) {
      uint8_t* p = out.bits();
      for (int32_t y = 0; y < h; ++y)
        std::memset(p + y * lStride + lUsed, 0, static_cast<size_t>(lStride - lUsed));
    }
    return out;
  }
  // Premultiplied colours are already the picture over black; straight ones are weighted here.
  const bool bPremultiplied = source.pixelFormat().premultiplied() == QPixelFormat::Premultiplied;
  const QImage argb = source.convertToFormat(bPremultiplied ? QImage::Format_ARGB32_Premultiplied
                                                            : QImage::Format_ARGB32);
  if (argb.isNull()) RaiseOutOfMemory(w, h);
  QImage out = ZeroImage(w, h, QImage::Format_BGR888);
  for (int32_t y = 0; y < h; ++y) {
    const auto* pIn = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    uint8_t* pOut = out.bits() + int64_t{y} * out.bytesPerLine();
    for (int32_t x = 0; x < w; ++x) {
      const QRgb c = pIn[x];
      const uint32_t a = bPremultiplied ? 255 : static_cast<uint32_t>(qAlpha(c));
      pOut[3 * x] = OverBlack(static_cast<uint32_t>(qBlue(c)), a);
      pOut[3 * x + 1] = OverBlack(static_cast<uint32_t>(qGreen(c)), a);
      pOut[3 * x + 2] = OverBlack(static_cast<uint32_t>(qRed(c)), a);
    }
  }
  return out;
}

// --- Writing ---

[[noreturn]] void RaiseSave(int32_t lNumber, const std::string& sDescription) {
  throw cError(lNumber, ErrorSource(".SavePicture"), sDescription);
}

constexpr int64_t kHeaderBytes = 54;

void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}

// Checks the surface and returns its pixel byte count (rows padded to 4 bytes).
int64_t BitmapPixelBytes(hDC hSurface) {
  if (hSurface == nullptr || hSurface->SurfaceWidth() < 1 || hSurface->SurfaceHeight() < 1) {
    RaiseSave(kErrInvalidPicture, "There is no picture to save.");
  }
  const int64_t lBytes = BytesPerScanLineFor(hSurface->SurfaceWidth()) * hSurface->SurfaceHeight();
  if (lBytes > cDIBSection::kMaxImageBytes) {
    RaiseSave(kErrInvalidPicture, "The picture is too large for a bitmap file.");
  }
  return lBytes;
}

// Streams the bitmap file to put: the 14-byte file header, the 40-byte info header (positive
// height, 24 bits, no compression), then the rows from the bottom one up, each padded with zeros.
// put takes a block of bytes and returns false when it could not take it.
template <typename Put>
bool WriteBitmap(hDC hSurface, int64_t lPixelBytes, Put&& put) {
  const int32_t w = hSurface->SurfaceWidth();
  const int32_t h = hSurface->SurfaceHeight();
  const int64_t lStride = BytesPerScanLineFor(w);
  uint8_t header[kHeaderBytes] = {};
  header[0] = 'B';
  header[1] = 'M';
  Put32(header + 2, static_cast<uint32_t>(kHeaderBytes + lPixelBytes));
  Put32(header + 10, kHeaderBytes);
  Put32(header + 14, 40);
  Put32(header + 18, static_cast<uint32_t>(w));
  Put32(header + 22, static_cast<uint32_t>(h));
  Put16(header + 26, 1);
  Put16(header + 28, 24);
  Put32(header + 34, static_cast<uint32_t>(lPixelBytes));
  if (!put(header, kHeaderBytes)) return false;

  // Rows that lie in memory bottom-up, padded with zeros, are already the file's bytes (the image
  // buffer's own layout): they go to put where they are, in blocks of about 8 MB so that a stop
  // is still noticed soon. Other rows are copied into chunks of about a megabyte first.
  const int64_t lUsed = 3 * int64_t{w};
  const bool bFileOrder = hSurface->DisplayRowStep() == -lStride;
  const auto PaddedWithZeros = [&](int32_t y) {
    const uint8_t* p = hSurface->DisplayRow(y);
    return std::all_of(p + lUsed, p + lStride, [](uint8_t b) { return b == 0; });
  };
  const int64_t lRowsPerBlock = std::max<int64_t>(1, (int64_t{8} << 20) / lStride);
  const int64_t lRowsPerChunk = std::max<int64_t>(1, (int64_t{1} << 20) / lStride);
  std::vector<uint8_t> chunk;
  int64_t lFilled = 0;
  for (int32_t y = h - 1; y >= 0;) {
    int32_t lRows = 0;
    while (bFileOrder && lRows < lRowsPerBlock && y - lRows >= 0 && PaddedWithZeros(y - lRows))
      ++lRows;
    if (lRows > 0) {
      if (lFilled > 0 && !put(chunk.data(), lFilled)) return false;
      lFilled = 0;
      if (!put(hSurface->DisplayRow(y), lRows * lStride)) return false;
      y -= lRows;
      continue;
    }
    if (chunk.empty())
      chunk.resize(static_cast<size_t>(std::min<int64_t>(lRowsPerChunk, h) * lStride));
    uint8_t* pRow = chunk.data() + lFilled;
    std::memcpy(pRow, hSurface->DisplayRow(y), static_cast<size_t>(lUsed));
    std::memset(pRow + lUsed, 0, static_cast<size_t>(lStride - lUsed));
    lFilled += lStride;
    --y;
    if (lFilled == static_cast<int64_t>(chunk.size()) || y < 0) {
      if (!put(chunk.data(), lFilled)) return false;
      lFilled = 0;
    }
  }
  return true;
}

cPictureFileOps g_fileOps;
// Large writes are handed to the disk in steps of this many bytes (a multiple of the page size).
constexpr int64_t kSyncUnit = int64_t{1} << 20;

bool IsDiskFull(int lErrno) {
  return lErrno == ENOSPC || lErrno == EDQUOT;
}

std::string SystemText(int lErrno) {
  return lErrno != 0 ? std::strerror(lErrno) : "Unknown error";
}

// A write that failed: the real cause, and the existing file only when there is one.
[[noreturn]] void RaiseNotWritten(int lErrno, bool bExisting) {
  std::string s = IsDiskFull(lErrno)
                      ? std::string("There is not enough space on the disk.")
                      : "The picture could not be written (" + SystemText(lErrno) + ").";
  if (bExisting) s += " The existing file of that name was left as it was.";
  RaiseSave(IsDiskFull(lErrno) ? kErrDiskFull : kErrFileAccess, s);
}

std::string FolderOf(const std::string& sPath) {
  const size_t p = sPath.find_last_of('/');
  if (p == std::string::npos) return ".";
  return p == 0 ? "/" : sPath.substr(0, p);
}

std::string AbsoluteText(const std::string& sPath) {
  std::error_code ec;
  const std::filesystem::path abs = std::filesystem::absolute(sPath, ec);
  return ec ? sPath : abs.lexically_normal().string();
}

// Writes all of the bytes, through partial writes and interruptions; false with errno set.
bool WriteAll(int fd, const uint8_t* p, int64_t lBytes) {
  while (lBytes > 0) {
    const ssize_t n = g_fileOps.pfnWrite(fd, p, static_cast<size_t>(lBytes));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    p += n;
    lBytes -= n;
  }
  return true;
}

// A new, empty file of a name no one else uses, beside the target.
int CreateTempFile(const std::string& sFolder, std::string& sTemp) {
  static std::atomic<uint32_t> lCounter{0};
  std::random_device seed;
  std::mt19937 rng(seed() ^ (static_cast<uint32_t>(getpid()) << 8) ^ lCounter++);
  for (int i = 0; i < 100; ++i) {
    char sName[32];
    std::snprintf(sName, sizeof sName, "/.brennic-%08x.tmp", static_cast<unsigned>(rng()));
    sTemp = sFolder + sName;
    // 0666 less the user's umask, as any new file gets.
    const int fd = ::open(sTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// Opens a picture file by its exact name; raises what a load says of a file it cannot read.
int OpenPictureFile(const std::string& sFileName) {
  if (sFileName.empty()) RaiseLoad(kErrFileNotFound, "The file does not exist.");
  // The name's bytes as they are: a name need not be valid UTF-8.
  std::string sKind;
  const int fd = OpenRegularFile(sFileName, sKind);
  if (fd < 0) {
    const int lErrno = errno;
    if (!sKind.empty()) RaiseLoad(kErrFileAccess, "This is " + sKind + ", not a picture file.");
    if (lErrno == ENOENT) RaiseLoad(kErrFileNotFound, "The file does not exist.");
    RaiseLoad(kErrFileAccess, "The file cannot be read (" + SystemText(lErrno) + ").");
  }
  return fd;
}

// Decodes the open file fd, which it closes.
std::unique_ptr<cPicture> LoadFromFile(int fd) {
  QFile file;
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    RaiseLoad(kErrFileAccess,
              "The file cannot be read (" + file.errorString().toStdString() + ").");
  }
  return LoadFromDevice(file, file.size());
}

// Reads up to lBytes at offset lAt into p, through short reads and interruptions; returns how
// many bytes it read, fewer at the file's end or on an error.
int64_t ReadAt(int fd, uint8_t* p, int64_t lBytes, int64_t lAt) {
  int64_t lDone = 0;
  while (lDone < lBytes) {
    const ssize_t n = ::pread(fd, p + lDone, static_cast<size_t>(lBytes - lDone),
                              static_cast<off_t>(lAt + lDone));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    lDone += n;
  }
  return lDone;
}

// An image buffer for a plain bitmap's rows; raises when the memory cannot be had.
std::unique_ptr<cDIBSection> PlainImage(const PlainBmpRows& rows) {
  auto image = std::make_unique<cDIBSection>();
  if (!image->Create(rows.lWidth, rows.lHeight)) RaiseOutOfMemory(rows.lWidth, rows.lHeight);
  return image;
}

// Where row i of the file (counted from the file's first row) goes in the buffer.
uint8_t* FileRowMemory(cDIBSection& image, const PlainBmpRows& rows, int32_t i) {
  return rows.bTopDown ? image.hdc()->DisplayRow(i)
                       : image.DIBSectionBitsPtr() + int64_t{i} * image.BytesPerScanLine();
}

// Reads a plain bitmap's rows from fd into the buffer: bottom-up rows are the buffer's memory as
// it stands, one read; top-down rows are scattered to their places many rows to a call.
bool ReadPlainRows(int fd, const PlainBmpRows& rows, cDIBSection& image) {
  const int64_t lStride = image.BytesPerScanLine();
  if (!rows.bTopDown) {
    const int64_t lBytes = lStride * rows.lHeight;
    return ReadAt(fd, image.DIBSectionBitsPtr(), lBytes, rows.lAt) == lBytes;
  }
  std::vector<iovec> parts;
  int64_t lAt = rows.lAt;
  for (int32_t i = 0; i < rows.lHeight;) {
    const int32_t n = std::min(IOV_MAX, rows.lHeight - i);
    parts.clear();
    for (int32_t k = 0; k < n; ++k)
      parts.push_back({FileRowMemory(image, rows, i + k), static_cast<size_t>(lStride)});
    const ssize_t lGot = ::preadv(fd, parts.data(), n, static_cast<off_t>(lAt));
    if (lGot < 0 && errno == EINTR) continue;
    if (lGot <= 0) return false;
    // A row the call cut short is finished on its own.
    int32_t lDone = static_cast<int32_t>(lGot / lStride);
    if (const int64_t lPart = lGot % lStride; lPart > 0) {
      if (ReadAt(fd, FileRowMemory(image, rows, i + lDone) + lPart, lStride - lPart, lAt + lGot) !=
          lStride - lPart) {
        return false;
      }
      ++lDone;
    }
    i += lDone;
    lAt += lDone * lStride;
  }
  return true;
}

// Row padding ends as zeros, as the decoders leave it, whatever the file held there.
void ClearRowPadding(cDIBSection& image) {
  const int64_t lUsed = 3 * int64_t{image.Width()};
  const int64_t lStride = image.BytesPerScanLine();
  if (lStride == lUsed) return;
  for (int32_t y = 0; y < image.Height(); ++y) {
    std::memset(image.DIBSectionBitsPtr() + y * lStride + lUsed, 0,
                static_cast<size_t>(lStride - lUsed));
  }
}

std::unique_ptr<cDIBSection> ImageOfPicture(const cPicture& picture) {
  auto image = std::make_unique<cDIBSection>();
  image->CreateFromPicture(picture);
  if (image->DIBSectionBitsPtr() == nullptr) {
    RaiseOutOfMemory(picture.PixelWidth(), picture.PixelHeight());
  }
  return image;
}

}  // namespace

void SetPictureFileOps(const cPictureFileOps& ops) {
  g_fileOps = ops;
}

std::unique_ptr<cPicture> LoadPicture(const std::string& sFileName) {
  return LoadFromFile(OpenPictureFile(sFileName));
}

std::unique_ptr<cPicture> LoadPictureFromMemory(const QByteArray& bytes) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  return LoadFromDevice(buffer, bytes.size());
}

std::unique_ptr<cDIBSection> LoadPictureImage(const std::string& sFileName) {
  const int fd = OpenPictureFile(sFileName);
  struct stat info {};
  QByteArray head(kPlainBmpHead, '\0');
  if (::fstat(fd, &info) == 0) {
    head.truncate(ReadAt(fd, reinterpret_cast<uint8_t*>(head.data()), head.size(), 0));
    if (const auto rows = FindPlainBmpRows(head, info.st_size)) {
      std::unique_ptr<cDIBSection> image;
      try {
        image = PlainImage(*rows);
      } catch (...) {
        ::close(fd);
        throw;
      }
      if (ReadPlainRows(fd, *rows, *image)) {
        ::close(fd);
        ClearRowPadding(*image);
        return image;
      }
      // The file shrank since it was measured, or a read failed: the decoder's way keeps what
      // can be read, or says what went wrong.
    }
  }
  return ImageOfPicture(*LoadFromFile(fd));
}

std::unique_ptr<cDIBSection> LoadPictureImageFromMemory(const QByteArray& bytes) {
  if (const auto rows = FindPlainBmpRows(bytes.left(kPlainBmpHead), bytes.size())) {
    auto image = PlainImage(*rows);
    const int64_t lStride = image->BytesPerScanLine();
    const auto* pFile = reinterpret_cast<const uint8_t*>(bytes.constData()) + rows->lAt;
    for (int32_t i = 0; i < rows->lHeight; ++i) {
      std::memcpy(FileRowMemory(*image, *rows, i), pFile + i * lStride,
                  static_cast<size_t>(lStride));
    }
    ClearRowPadding(*image);
    return image;
  }
  return ImageOfPicture(*LoadPictureFromMemory(bytes));
}

std::unique_ptr<cPicture> PictureFromImage(QImage image) {
  if (image.isNull()) RaiseLoad(kErrInvalidPicture, kDamaged);
  if (!FitsImageBuffer(image.width(), image.height())) {
    RaiseTooLarge(image.width(), image.height());
  }
  if (image.format() == QImage::Format_BGR888) {
    // Already in the buffer's layout (the GIF decoder makes it so, padding cleared).
    return std::make_unique<cLoadedPicture>(std::move(image));
  }
  return std::make_unique<cLoadedPicture>(ToBgr24(image));
}

QByteArray BitmapFileBytes(hDC hSurface) {
  const int64_t lPixelBytes = BitmapPixelBytes(hSurface);
  QByteArray bytes;
  bytes.reserve(static_cast<qsizetype>(kHeaderBytes + lPixelBytes));
  WriteBitmap(hSurface, lPixelBytes, [&](const uint8_t* p, int64_t n) {
    bytes.append(reinterpret_cast<const char*>(p), static_cast<qsizetype>(n));
    return true;
  });
  return bytes;
}

bool PutBitmapFile(hDC hSurface, const PutBlock& put) {
  return WriteBitmap(hSurface, BitmapPixelBytes(hSurface), put);
}

void WriteFileAtomically(const std::string& sFileName,
                         const std::function<bool(const PutBlock&)>& fnWrite,
                         const sWriteStop& stop) {
  if (sFileName.empty()) RaiseSave(kErrFileAccess, "No file name was given.");
  // The name's bytes as they are; a link is followed, so that the file it points to is replaced
  // and the link stays.
  std::string sTarget = sFileName;
  struct stat info {};
  if (::lstat(sTarget.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* pReal = ::realpath(sTarget.c_str(), nullptr)) {
      sTarget = pReal;
      std::free(pReal);
    }
  }
  bool bExisting = false;
  if (::stat(sTarget.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) RaiseSave(kErrFileAccess, "'" + sFileName + "' is a folder.");
    if (!S_ISREG(info.st_mode)) {
      RaiseSave(kErrFileAccess, "'" + sFileName + "' is " + NonRegularKind(info.st_mode) +
                                    ", not a file a picture can be saved in.");
    }
    bExisting = true;
  } else if (errno != ENOENT) {
    RaiseSave(kErrFileAccess, "The file cannot be written (" + SystemText(errno) + ").");
  }
  const std::string sFolder = FolderOf(sTarget);
  struct stat folderInfo {};
  if (::stat(sFolder.c_str(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode)) {
    RaiseSave(kErrPathNotFound, "The folder '" + AbsoluteText(sFolder) + "' does not exist.");
  }

  // Written beside the target, flushed to disk, then renamed over it: a reader sees the old file
  // or the new one, never a part. Without the rename the temporary file goes again.
  std::string sTemp;
  const int fd = CreateTempFile(sFolder, sTemp);
  if (fd < 0) {
    const int lErrno = errno;
    if (IsDiskFull(lErrno)) RaiseNotWritten(lErrno, bExisting);
    RaiseSave(kErrFileAccess, "The file cannot be written in the folder '" + AbsoluteText(sFolder) +
                                  "' (" + SystemText(lErrno) + ").");
  }
  int lErrno = 0;
  bool bWritten = false;
  bool bStopped = false;
  int64_t lWritten = 0;
  int64_t lQueued = 0;  // bytes whose write to disk has been started
  try {
    bWritten = fnWrite([&](const uint8_t* p, int64_t n) {
      if (stop.fnStopped && stop.fnStopped()) {
        bStopped = true;
        return false;
      }
      if (!WriteAll(fd, p, n)) {
        lErrno = errno;
        return false;
      }
      lWritten += n;
      // Each whole megabyte written goes to the disk now rather than all at the flush, so that
      // the disk's work overlaps the rest of the file. The flush below still decides.
      const int64_t lPages = lWritten & ~int64_t{kSyncUnit - 1};
      if (lPages - lQueued >= kSyncUnit) {
        ::sync_file_range(fd, lQueued, lPages - lQueued, SYNC_FILE_RANGE_WRITE);
        lQueued = lPages;
      }
      return true;
    });
  } catch (...) {
    ::close(fd);
    ::unlink(sTemp.c_str());
    throw;
  }
  // The new file keeps the permissions of the one it replaces.
  if (bWritten && bExisting) ::fchmod(fd, info.st_mode & 07777);
  if (bWritten && g_fileOps.pfnSync(fd) != 0) lErrno = errno;
  if (::close(fd) != 0 && bWritten && lErrno == 0) lErrno = errno;
  if (bStopped || (bWritten && lErrno == 0 && stop.fnCommit && !stop.fnCommit())) {
    ::unlink(sTemp.c_str());
    RaiseCancelled();
  }
  if (!bWritten || lErrno != 0 || ::rename(sTemp.c_str(), sTarget.c_str()) != 0) {
    if (lErrno == 0) lErrno = errno;
    ::unlink(sTemp.c_str());
    RaiseNotWritten(lErrno, bExisting);
  }
  // The rename is an entry of the folder: syncing the folder keeps the new name through a power
  // cut. A folder that cannot be synced (some file systems refuse) leaves the save as done.
  const int lFolder = ::open(sFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (lFolder >= 0) {
    g_fileOps.pfnSync(lFolder);
    ::close(lFolder);
  }
}

void SavePicture(hDC hSurface, const std::string& sFileName, const sWriteStop& stop) {
  const int64_t lPixelBytes = BitmapPixelBytes(hSurface);
  WriteFileAtomically(
      sFileName, [&](const PutBlock& put) { return WriteBitmap(hSurface, lPixelBytes, put); },
      stop);
}

void SavePicture(cDIBSection& cImage, const std::string& sFileName, const sWriteStop& stop) {
  SavePicture(cImage.hdc(), sFileName, stop);
}

// --- Export

namespace {

struct sFormatInfo {
  ePictureFormat eFormat;
  const char* sQtName;  // the writer Qt knows it by
  const char* sTitle;
  const char* sExtension;  // its short name, the usual extension
};

constexpr sFormatInfo kFormats[] = {
    {ePictureFormat::Bmp, "bmp", "BMP", "bmp"},    {ePictureFormat::Png, "png", "PNG", "png"},
    {ePictureFormat::Jpeg, "jpeg", "JPEG", "jpg"}, {ePictureFormat::WebP, "webp", "WebP", "webp"},
    {ePictureFormat::Tiff, "tiff", "TIFF", "tif"},
};

const sFormatInfo& Info(ePictureFormat eFormat) {
  for (const sFormatInfo& info : kFormats) {
    if (info.eFormat == eFormat) return info;
  }
  return kFormats[0];
}

std::string Lower(std::string s) {
  for (char& c : s)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::optional<ePictureFormat> FormatOfName(const std::string& sName) {
  const std::string s = Lower(sName);
  if (s == "jpeg") return ePictureFormat::Jpeg;
  if (s == "tiff") return ePictureFormat::Tiff;
  for (const sFormatInfo& info : kFormats) {
    if (s == info.sExtension) return info.eFormat;
  }
  return std::nullopt;
}

std::optional<ePictureFormat> FormatOfExtension(const std::string& sFileName) {
  const size_t lSlash = sFileName.find_last_of('/');
  const std::string sName = lSlash == std::string::npos ? sFileName : sFileName.substr(lSlash + 1);
  const size_t lDot = sName.rfind('.');
  // ".png" alone is a hidden file's name, not an extension.
  if (lDot == std::string::npos || lDot == 0) return std::nullopt;
  const std::string sExtension = Lower(sName.substr(lDot + 1));
  if (sExtension == "dib") return ePictureFormat::Bmp;
  return FormatOfName(sExtension);
}

const char* FormatTitle(ePictureFormat eFormat) {
  return Info(eFormat).sTitle;
}

bool TakesQuality(ePictureFormat eFormat) {
  return eFormat == ePictureFormat::Jpeg || eFormat == ePictureFormat::WebP;
}

std::string CannotWrite(ePictureFormat eFormat) {
  // Bitmaps are written by the program itself.
  if (eFormat == ePictureFormat::Bmp) return "";
  if (QImageWriter::supportedImageFormats().contains(Info(eFormat).sQtName)) return "";
  return std::string("This installation cannot write ") + FormatTitle(eFormat) +
         " pictures (Qt's image format plugin for them is missing).";
}

QImage ImageOfSurface(hDC hSurface) {
  if (hSurface == nullptr || hSurface->SurfaceWidth() < 1 || hSurface->SurfaceHeight() < 1) {
    return {};
  }
  const int32_t w = hSurface->SurfaceWidth();
  const int32_t h = hSurface->SurfaceHeight();
  QImage image(w, h, QImage::Format_BGR888);
  if (image.isNull()) RaiseOutOfMemory(w, h);
  for (int32_t y = 0; y < h; ++y)
    std::memcpy(image.scanLine(y), hSurface->DisplayRow(y), static_cast<size_t>(3 * int64_t{w}));
  return image;
}

namespace {

// The image in the buffer's layout, as a bitmap is written from it.
QImage AsBgr24(const QImage& image) {
  if (image.isNull()) RaiseSave(kErrInvalidPicture, "There is no picture to save.");
  QImage bgr = image.convertToFormat(QImage::Format_BGR888);
  if (bgr.isNull()) RaiseOutOfMemory(image.width(), image.height());
  return bgr;
}

// A buffer that refuses further bytes once the write is to stop, so that the encoder gives up
// there instead of finishing the picture.
class cStoppableBuffer final : public QBuffer {
 public:
  cStoppableBuffer(QByteArray* pBytes, const std::function<bool()>& fnStopped)
      : QBuffer(pBytes), m_fnStopped(fnStopped) {}

 protected:
  qint64 writeData(const char* p, qint64 lBytes) override {
    if (m_fnStopped && m_fnStopped()) return -1;
    return QBuffer::writeData(p, lBytes);
  }

 private:
  const std::function<bool()>& m_fnStopped;
};

QByteArray EncodeWithQt(const QImage& image, ePictureFormat eFormat, int32_t lQuality,
                        const sWriteStop& stop) {
  if (image.isNull()) RaiseSave(kErrInvalidPicture, "There is no picture to save.");
  const std::string sWhyNot = CannotWrite(eFormat);
  if (!sWhyNot.empty()) RaiseSave(kErrFileAccess, sWhyNot);
  // Plain RGB: every writer takes it as three channels, without an alpha channel to add.
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  if (rgb.isNull()) RaiseOutOfMemory(image.width(), image.height());
  QByteArray bytes;
  cStoppableBuffer buffer(&bytes, stop.fnStopped);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, Info(eFormat).sQtName);
  if (TakesQuality(eFormat)) writer.setQuality(std::clamp(lQuality, kMinQuality, kMaxQuality));
  if (eFormat == ePictureFormat::Tiff) writer.setCompression(1);  // LZW
  const bool bWritten = writer.write(rgb);
  if (stop.fnStopped && stop.fnStopped()) RaiseCancelled();
  if (!bWritten) {
    RaiseSave(kErrInvalidPicture, std::string("The picture could not be written as ") +
                                      FormatTitle(eFormat) + " (" +
                                      writer.errorString().toStdString() + ").");
  }
  return bytes;
}

}  // namespace

QByteArray PictureFileBytes(const QImage& image, ePictureFormat eFormat, int32_t lQuality,
                            const sWriteStop& stop) {
  if (eFormat != ePictureFormat::Bmp) return EncodeWithQt(image, eFormat, lQuality, stop);
  QImage bgr = AsBgr24(image);
  cImageSurface surface(bgr);
  return BitmapFileBytes(&surface);
}

void ExportPicture(const QImage& image, const std::string& sFileName, ePictureFormat eFormat,
                   int32_t lQuality, const sWriteStop& stop) {
  if (eFormat == ePictureFormat::Bmp) {
    QImage bgr = AsBgr24(image);
    cImageSurface surface(bgr);
    SavePicture(&surface, sFileName, stop);
    return;
  }
  // Encoded first: a picture the writer refuses leaves no file behind.
  const QByteArray bytes = EncodeWithQt(image, eFormat, lQuality, stop);
  WriteFileAtomically(
      sFileName,
      [&](const PutBlock& put) {
        return put(reinterpret_cast<const uint8_t*>(bytes.constData()), bytes.size());
      },
      stop);
}

}  // namespace brennic
