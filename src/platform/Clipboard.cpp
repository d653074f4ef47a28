#include "platform/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "image/cError.h"
#include "platform/PictureIO.h"

namespace brennic {

namespace {
IClipboardService* g_pService = nullptr;
}

void SetClipboardService(IClipboardService* pService) {
  g_pService = pService;
}

IClipboardService& ClipboardService() {
  if (g_pService != nullptr) return *g_pService;
  static cQtClipboardService qtService;
  return qtService;
}

namespace {

// The picture file types the loader reads, in the order they are preferred: lossless first.
constexpr const char* kReadTypes[] = {
    "image/png",  "image/bmp",  "image/x-bmp", "image/x-ms-bmp", "image/gif",
    "image/tiff", "image/webp", "image/jpeg",  "image/x-icon",   "image/vnd.microsoft.icon"};

[[noreturn]] void RaiseNoPicture(const std::string& sDescription) {
  throw cError(kErrNoClipboardPicture, ErrorSource(".Clipboard"), sDescription);
}

}  // namespace

cPictureData PictureDataOf(const QMimeData* pData) {
  cPictureData data;
  if (pData == nullptr) return data;
  const QStringList formats = pData->formats();
  for (const char* sType : kReadTypes) {
    for (const QString& sFormat : formats) {
      if (sFormat.compare(QLatin1String(sType), Qt::CaseInsensitive) != 0) continue;
      data.file = pData->data(sFormat);
      if (!data.file.isEmpty()) return data;
    }
  }
  // Picture files of other kinds are not decoded: the toolkit would use any plugin it has.
  for (const QString& sFormat : formats) {
    if (sFormat.startsWith(QLatin1String("image/"), Qt::CaseInsensitive)) {
      data.sOtherKind = sFormat;
      return data;
    }
  }
  // No picture file at all: an image this program put there, held as it is.
  if (pData->hasImage()) data.image = qvariant_cast<QImage>(pData->imageData());
  return data;
}

std::unique_ptr<cPicture> PictureOfData(const cPictureData& data) {
  if (!data.file.isEmpty()) return LoadPictureFromMemory(data.file);
  if (!data.image.isNull()) return PictureFromImage(data.image);
  if (!data.sOtherKind.isEmpty()) {
    RaiseNoPicture("This kind of picture cannot be read (" + data.sOtherKind.toStdString() + ").");
  }
  RaiseNoPicture("The clipboard holds no picture. Copy a picture first, then paste again.");
}

std::unique_ptr<cPicture> ClipboardPicture() {
  return PictureOfData(ClipboardService().GetPicture());
}

bool cQtClipboardService::PutImage(const QImage& image) {
  QClipboard* pClipboard = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr
                               ? QGuiApplication::clipboard()
                               : nullptr;
  if (pClipboard == nullptr || image.isNull()) return false;
  // 32-bit RGB is the form every one of Qt's clipboard encoders (BMP, PNG...) takes as it is.
  QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  if (rgb.isNull()) return false;
  pClipboard->clear();
  pClipboard->setImage(rgb);
  return pClipboard->mimeData() != nullptr && pClipboard->mimeData()->hasImage();
}

cPictureData cQtClipboardService::GetPicture() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return {};
  return PictureDataOf(QGuiApplication::clipboard()->mimeData());
}

}  // namespace brennic
