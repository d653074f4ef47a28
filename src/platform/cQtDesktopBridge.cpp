#include "platform/cQtDesktopBridge.h"

#include <QGuiApplication>
#include <QImage>
#include <cstring>

#include "platform/Clipboard.h"
#include "platform/MessageBox.h"

namespace brennic {

bool cQtDesktopBridge::ScreenAvailable() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr &&
         QGuiApplication::primaryScreen() != nullptr;
}

void cQtDesktopBridge::ShowMessage(const std::string& sText) {
  MsgBox(sText, eMsgButtons::OK, eMsgIcon::None, kAppTitle);
}

bool cQtDesktopBridge::PutBitmapOnClipboard(const cMemorySurface& bitmap) {
  const int32_t w = bitmap.SurfaceWidth();
  const int32_t h = bitmap.SurfaceHeight();
  if (w < 1 || h < 1) return false;
  // The surface is top-down blue, green, red: the byte order of Format_BGR888.
  QImage image(w, h, QImage::Format_BGR888);
  if (image.isNull()) return false;
  for (int32_t y = 0; y < h; ++y) {
    std::memcpy(image.scanLine(y), bitmap.DisplayRow(y), static_cast<size_t>(3 * int64_t{w}));
  }
  return ClipboardService().PutImage(image);
}

}  // namespace brennic
