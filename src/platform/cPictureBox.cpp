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

cPictureBox::cPictureBox(QWidget* pParent) : QWidget(pParent) {
  // Every pixel comes from the copy: nothing behind it needs painting first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

cPictureBox::~cPictureBox() = default;

bool cPictureBox::SizeTo(int32_t lWidth, int32_t lHeight) {
  resize(std::max(lWidth, 0), std::max(lHeight, 0));
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

hDC cPictureBox::hdc() {
  if (m_pSurface) m_pSurface->Detach();
  return m_pSurface.get();
}

void cPictureBox::Refresh() {
  update();
}

void cPictureBox::paintEvent(QPaintEvent* pEvent) {
  QPainter painter(this);
  if (m_image.isNull()) {
    painter.fillRect(pEvent->rect(), palette().window());
    return;
  }
  // Only the exposed part is converted for the screen: scrolling a large picture stays cheap.
  const QRect exposed = pEvent->rect();
  painter.drawImage(exposed.topLeft(), m_image, exposed);
}

}  // namespace brennic
