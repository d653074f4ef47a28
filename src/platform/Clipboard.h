#pragma once
// The system clipboard: put a picture on it as an image (offered in the bitmap formats other
// programs paste) and take the picture it holds. The program reaches it through
// ClipboardService(); the shipped implementation is QClipboard's, tests install their own.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <memory>

#include "image/cPicture.h"

class QMimeData;

namespace brennic {

// Error number of a clipboard that holds no picture (the runtime's "invalid clipboard format").
inline constexpr int32_t kErrNoClipboardPicture = 460;

// What a clipboard or a drag offers as a picture. Another program's picture comes as the bytes
// of a picture file, decoded by the program's own loader (its kinds of picture and its size
// limit, not the toolkit's); an image this program put there itself comes as it is.
struct cPictureData {
  QByteArray file;     // a picture file of a kind the loader reads (PNG preferred)
  QImage image;        // an image this program put there
  QString sOtherKind;  // the kind offered when it is none the program reads ("image/x-xpixmap")

  bool IsEmpty() const { return file.isEmpty() && image.isNull() && sOtherKind.isEmpty(); }
};

// The picture data of a clipboard's or a drag's contents (nullptr: none).
cPictureData PictureDataOf(const QMimeData* pData);
// The picture of the data, ready for cDIBSection::CreateFromPicture. Raises cError (source
// "<exe>.Clipboard") when there is none or it is of another kind, and as the loader does when
// it cannot be read (too large, damaged).
std::unique_ptr<cPicture> PictureOfData(const cPictureData& data);

class IClipboardService {
 public:
  virtual ~IClipboardService() = default;
  // Empties the clipboard and puts the image on it; true when the clipboard accepted it.
  virtual bool PutImage(const QImage& image) = 0;
  // The picture on the clipboard; empty when it holds none (or nothing at all).
  virtual cPictureData GetPicture() = 0;
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
  cPictureData GetPicture() override;
};

}  // namespace brennic
