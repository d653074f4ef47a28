#include "platform/cPictureBox.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace brennic {

class cPictureBox::cSurface final : public cDrawingSurface {
 public:
  explicit cSurface(QImage& image) : m_image(image), m_pBits(image.bits()) {}
  // Someone may hold a shallow copy of the image: writing goes to an unshared one.
  void Detach() { m_pBits = m_image.bits(); }
  int32_t SurfaceWidth() const override { return m_image.width(); }
  int32_t SurfaceHeight() const override { return m_image.height(); }
  uint8_t* DisplayRow(int32_t y) override { return m_pBits + int64_t{y} * DisplayRowStep(); }
  int64_t DisplayRowStep() const override { return m_image.bytesPerLine(); }

 private:
  QImage& m_image;
  uint8_t* m_pBits;
};

namespace {

// A 24-bit image as a surface to read from: no copy of a shared image is made for reading.
class cReadSurface final : public cDrawingSurface {
 public:
  explicit cReadSurface(const QImage& image) : m_image(image) {}
  int32_t SurfaceWidth() const override { return m_image.width(); }
  int32_t SurfaceHeight() const override { return m_image.height(); }
  uint8_t* DisplayRow(int32_t y) override {
    // The drawing only reads its source.
    return const_cast<uint8_t*>(m_image.constScanLine(y));
  }
  int64_t DisplayRowStep() const override { return m_image.bytesPerLine(); }

 private:
  const QImage& m_image;
};

// The scaled part, drawn before it is shown.
class cScratchSurface final : public cDrawingSurface {
 public:
  explicit cScratchSurface(QImage& image) : m_image(image) {}
  int32_t SurfaceWidth() const override { return m_image.width(); }
  int32_t SurfaceHeight() const override { return m_image.height(); }
  uint8_t* DisplayRow(int32_t y) override { return m_image.scanLine(y); }
  int64_t DisplayRowStep() const override { return m_image.bytesPerLine(); }

 private:
  QImage& m_image;
};

}  // namespace

void PaintZoomed(QPainter& painter, const QRect& part, const QImage& picture, sZoom zoom,
                 QImage& scratch) {
  if (picture.isNull()) return;
  const QRect rect = part & QRect(0, 0, static_cast<int>(ZoomedLength(picture.width(), zoom)),
                                  static_cast<int>(ZoomedLength(picture.height(), zoom)));
  if (rect.isEmpty()) return;
  if (zoom == kZoomActual) {
    painter.drawImage(rect.topLeft(), picture, rect);
    return;
  }
  if (scratch.size() != rect.size() || scratch.format() != QImage::Format_BGR888) {
    scratch = QImage(rect.size(), QImage::Format_BGR888);
    if (scratch.isNull()) return;
  }
  cReadSurface source(picture);
  cScratchSurface target(scratch);
  DrawZoomed(&target, 0, 0, rect.width(), rect.height(), &source, zoom, rect.x(), rect.y());
  painter.drawImage(rect.topLeft(), scratch);
}

cPictureBox::cPictureBox(QWidget* pParent) : QWidget(pParent) {
  // Every pixel comes from the copy: nothing behind it needs painting first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

cPictureBox::~cPictureBox() = default;

bool cPictureBox::SizeTo(int32_t lWidth, int32_t lHeight) {
  m_lWidth = std::max(lWidth, 0);
  m_lHeight = std::max(lHeight, 0);
  ResizeToZoom();
  if (!m_image.isNull() && m_image.width() == lWidth && m_image.height() == lHeight) return true;
  m_pSurface.reset();
  m_image = QImage();
  if (lWidth < 1 || lHeight < 1) return true;
  QImage image(lWidth, lHeight, QImage::Format_BGR888);
  if (image.isNull()) return false;
  image.fill(Qt::black);
  m_image = std::move(image);
  m_pSurface = std::make_unique<cSurface>(m_image);
  return true;
}

void cPictureBox::Zoom(sZoom zoom) {
  m_zoom = zoom;
  ResizeToZoom();
  update();
}

void cPictureBox::ResizeToZoom() {
  const auto length = [this](int32_t lLength) {
    return static_cast<int>(std::min<int64_t>(ZoomedLength(lLength, m_zoom), QWIDGETSIZE_MAX));
  };
  resize(length(m_lWidth), length(m_lHeight));
}

hDC cPictureBox::hdc() {
  if (m_pSurface) m_pSurface->Detach();
  return m_pSurface.get();
}

void cPictureBox::Refresh() {
  update();
}

void cPictureBox::paintEvent(QPaintEvent* pEvent) {
  QPainter painter(this);
  const QRect exposed = pEvent->rect();
  if (m_image.isNull()) {
    painter.fillRect(exposed, palette().window());
    return;
  }
  // Only the exposed part is converted (and scaled) for the screen: scrolling a large picture
  // stays cheap.
  PaintZoomed(painter, exposed, m_image, m_zoom, m_scratch);
}

}  // namespace brennic
