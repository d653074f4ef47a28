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

std::unique_ptr<cPicture> ClipboardPicture() {
  QImage image = ClipboardService().GetImage();
  if (image.isNull()) {
    throw cError(kErrNoClipboardPicture, ErrorSource(".Clipboard"),
                 "The clipboard holds no picture. Copy a picture first, then paste again.");
  }
  return PictureFromImage(std::move(image));
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

QImage cQtClipboardService::GetImage() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return {};
  const QMimeData* pData = QGuiApplication::clipboard()->mimeData();
  if (pData == nullptr || !pData->hasImage()) return {};
  return qvariant_cast<QImage>(pData->imageData());
}

}  // namespace brennic
