#pragma once
// cPictureBox: a picture box without border that keeps a persistent copy of what is drawn into
// it, so that it repaints itself and the copy can be saved. The copy is a top-down 24-bit image
// (bytes blue, green, red; rows padded to a multiple of 4 bytes, as in the image buffer) offered
// as a drawing surface, so that an image buffer is drawn into it with one block transfer.
// Drawing does not show until Refresh.
//
// The box shows its copy at a zoom: the box is as large as the zoomed copy, the copy itself
// stays at the picture's size (it is what is saved). At 1 the box and the copy are the same
// size and pixels are shown as they are.

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "image/cDrawingSurface.h"
#include "image/mZoom.h"

class QPainter;

namespace brennic {

// Paints the part (in the zoomed picture's coordinates) of picture shown at zoom onto painter at
// part's place; scratch is a buffer kept between calls. Only that part is scaled.
void PaintZoomed(QPainter& painter, const QRect& part, const QImage& picture, sZoom zoom,
                 QImage& scratch);

class cPictureBox final : public QWidget {
  Q_OBJECT

 public:
  explicit cPictureBox(QWidget* pParent = nullptr);
  ~cPictureBox() override;

  // Sizes the copy in pixels, and the box to the copy at the zoom. A copy of a new size starts
  // black; one of the same size keeps what was drawn. False, with the box at the new size and no
  // copy, when the memory for the copy cannot be had; sizes below 1 give no copy either.
  bool SizeTo(int32_t lWidth, int32_t lHeight);
  // Shows the copy at zoom: the box takes the zoomed size, the copy stays as it is.
  void Zoom(sZoom zoom);
  sZoom Zoom() const { return m_zoom; }
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

  void ResizeToZoom();

  int32_t m_lWidth = 0;
  int32_t m_lHeight = 0;
  sZoom m_zoom = kZoomActual;
  QImage m_image;
  std::unique_ptr<cSurface> m_pSurface;
  QImage m_scratch;
};

}  // namespace brennic
