#pragma once
// The system clipboard: put a picture on it as an image (offered in the bitmap formats other
// programs paste) and take the picture it holds. The program reaches it through
// ClipboardService(); the shipped implementation is QClipboard's, tests install their own.

#include <QImage>
#include <memory>

#include "image/cPicture.h"

namespace brennic {

// Error number of a clipboard that holds no picture (the runtime's "invalid clipboard format").
inline constexpr int32_t kErrNoClipboardPicture = 460;

class IClipboardService {
 public:
  virtual ~IClipboardService() = default;
  // Empties the clipboard and puts the image on it; true when the clipboard accepted it.
  virtual bool PutImage(const QImage& image) = 0;
  // The picture on the clipboard, or a null image when it holds none (or nothing at all).
  virtual QImage GetImage() = 0;
};

// Installs the service the program uses (nullptr: the Qt one). The caller keeps it alive.
void SetClipboardService(IClipboardService* pService);
IClipboardService& ClipboardService();

// The clipboard's picture, 24-bit and ready for cDIBSection::CreateFromPicture. Raises cError
// (source "<exe>.Clipboard") when the clipboard holds no picture, and as PictureFromImage does
// when the picture cannot be taken.
std::unique_ptr<cPicture> ClipboardPicture();

// The shipped implementation over QGuiApplication::clipboard().
class cQtClipboardService final : public IClipboardService {
 public:
  bool PutImage(const QImage& image) override;
  QImage GetImage() override;
};

}  // namespace brennic
