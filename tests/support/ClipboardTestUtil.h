#pragma once
// A clipboard of the test's own: what the program puts on it stays in memory; it may refuse.

#include <QImage>

#include "platform/Clipboard.h"

namespace brennic::test {

class cMemoryClipboard final : public IClipboardService {
 public:
  bool PutImage(const QImage& image) override {
    m_image = image;
    return bAccept;
  }
  cPictureData GetPicture() override { return {.file = {}, .image = m_image, .sOtherKind = {}}; }
  bool bAccept = true;
  QImage m_image;
};

}  // namespace brennic::test
