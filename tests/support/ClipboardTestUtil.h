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
  QImage GetImage() override { return m_image; }
  bool bAccept = true;
  QImage m_image;
};

}  // namespace brennic::test
