#pragma once
// cPictureBox: a picture box without border that keeps a persistent copy of what is drawn into
// it, so that it repaints itself and the copy can be saved. The copy is as large as the box: a
// top-down 24-bit image (bytes blue, green, red; rows padded to a multiple of 4 bytes, as in the
// image buffer) offered as a drawing surface, so that an image buffer is drawn into it with one
// block transfer. Drawing does not show until Refresh.

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "image/cDrawingSurface.h"

namespace brennic {

class cPictureBox final : public QWidget {
  Q_OBJECT

 public:
  explicit cPictureBox(QWidget* pParent = nullptr);
  ~cPictureBox() override;

  // Sizes the box and its copy in pixels. A copy of a new size starts black; one of the same
  // size keeps what was drawn. False, with the box at the new size and no copy, when the memory
  // for the copy cannot be had; sizes below 1 give no copy either.
  bool SizeTo(int32_t lWidth, int32_t lHeight);
  // The copy's drawing surface; nullptr while there is no copy.
  hDC hdc();
  // The persistent copy (Format_BGR888; null while there is none).
  const QImage& Image() const { return m_image; }
  // Shows what was drawn into the copy.
  void Refresh();

 protected:
  void paintEvent(QPaintEvent* pEvent) override;

 private:
  class cSurface;

  QImage m_image;
  std::unique_ptr<cSurface> m_pSurface;
};

}  // namespace brennic
