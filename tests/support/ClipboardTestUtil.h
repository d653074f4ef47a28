#pragma once
// A clipboard of the test's own: what the program puts on it stays in memory, and it can be
// told to refuse pictures.

#include <QImage>

#include "platform/Clipboard.h"

namespace brennic::test {

class cMemoryClipboard final : public IClipboardService {
 public:
  bool PutImage(const QImage& image) override {
    m_image = image;
    return bAccept;
  }
  cPictureData GetPicture() override {
    cPictureData data;
    data.image = m_image;
    return data;
  }
  bool bAccept = true;
  QImage m_image;
};

}  // namespace brennic::test
