#include "frame/cStatusStrip.h"

#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "image/mConventions.h"
#include "platform/ProgressBar.h"
#include "platform/cPropertyBag.h"
#include "platform/mWindowing.h"

namespace brennic {

namespace {

constexpr const char* kKeep = "#";

void PlaceTwips(QWidget& widget, double dLeft, double dTop, double dWidth, double dHeight) {
  widget.setGeometry(TwipsToPixelsX(dLeft), TwipsToPixelsY(dTop), TwipsToPixelsX(dWidth),
                     TwipsToPixelsY(dHeight));
}

QLabel* MakeLabel(QWidget* pParent, const char* sName) {
  auto* pLabel = new QLabel(pParent);
  pLabel->setObjectName(sName);
  pLabel->setFont(QFont("Tahoma", 8));
  pLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return pLabel;
}

}  // namespace

cStatusStrip::cStatusStrip(QWidget* pParent) : QWidget(pParent) {
  setObjectName("picStatus");
  setFixedHeight(TwipsToPixelsY(kHeightTwips));

  m_pPrgMain = new ProgressBar(this);
  m_pPrgMain->setObjectName("prgMain");
  PlaceTwips(*m_pPrgMain, 0, 80, 2445, 210);
  // Loaded with the form: the stored settings are all at their defaults.
  m_pPrgMain->ReadProperties(cPropertyBag());
  // Nothing runs yet.
  m_pPrgMain->hide();

  m_pLblImage = MakeLabel(this, "lblImage");
  PlaceTwips(*m_pLblImage, 2520, 45, 1515, 255);
  m_pLblSize = MakeLabel(this, "lblSize");
  PlaceTwips(*m_pLblSize, 4080, 45, 1515, 255);
  m_pLblMain = MakeLabel(this, "lblMain");
  PlaceTwips(*m_pLblMain, 0, 45, 2445, 255);
  // Beside the bar, over the labels while it shows: an operation is the one thing to see then.
  m_pCmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
  m_pCmdCancel->setObjectName("cmdCancel");
  m_pCmdCancel->setFont(QFont("Tahoma", 8));
  m_pCmdCancel->setFocusPolicy(Qt::NoFocus);
  PlaceTwips(*m_pCmdCancel, 2490, 15, 900, 285);
  m_pCmdCancel->hide();
}

void cStatusStrip::SetStatus(const std::string& sMain, const std::string& sImage,
                             const std::string& sSize) {
  if (sMain != kKeep) {
    m_sMain = sMain;
    const QString sText = QString::fromStdString(sMain);
    m_pLblMain->setText(
        m_pLblMain->fontMetrics().elidedText(sText, Qt::ElideMiddle, m_pLblMain->width()));
    m_pLblMain->setToolTip(sText);
  }
  if (sImage != kKeep) m_pLblImage->setText(QString::fromStdString(sImage + " "));
  if (sSize != kKeep) m_pLblSize->setText(QString::fromStdString(sSize + " "));
}

void cStatusStrip::ProgressMax(int32_t lMax) {
  m_pPrgMain->Max(lMax);
}

void cStatusStrip::ProgressValue(int32_t lValue) {
  m_pPrgMain->Position(lValue);
  RepaintProgress(false);
}

void cStatusStrip::ShowProgress(bool bShow) {
  m_pPrgMain->setVisible(bShow);
  m_pLblMain->setVisible(!bShow);
  m_pCmdCancel->setVisible(bShow);
  if (bShow) m_pCmdCancel->raise();
  if (bShow) RepaintProgress(true);
}

int32_t cStatusStrip::DrawnLength() const {
  const int64_t lRange = int64_t{m_pPrgMain->Max()} - m_pPrgMain->Min();
  if (lRange <= 0) return 0;
  const int64_t lDone =
      std::clamp<int64_t>(int64_t{m_pPrgMain->Position()} - m_pPrgMain->Min(), 0, lRange);
  const bool bVertical = m_pPrgMain->Orientation() == 1;
  const int64_t lLength = bVertical ? m_pPrgMain->height() : m_pPrgMain->width();
  return static_cast<int32_t>(lLength * lDone / lRange);
}

void cStatusStrip::RepaintProgress(bool bNow) {
  if (!m_pPrgMain->isVisible()) return;
  const int32_t lLength = DrawnLength();
  if (!bNow) {
    if (lLength == m_lPaintedLength) return;
    if (m_lastRepaint.isValid() && m_lastRepaint.elapsed() < kProgressRepaintMs) return;
  }
  m_lPaintedLength = lLength;
  m_lastRepaint.start();
  m_pPrgMain->repaint();
}

void cStatusStrip::resizeEvent(QResizeEvent* pEvent) {
  QWidget::resizeEvent(pEvent);
  Layout();
}

void cStatusStrip::Layout() {
  const double dPixel = TwipsPerPixelX();
  const double dRoom = RoundHalfEven(2 * dPixel + PixelsToTwipsX(m_pLblImage->width()) +
                                     PixelsToTwipsX(m_pLblSize->width()) + 2 * dPixel);
  // The strip is as wide as the main window's client area.
  if (64 * dPixel > PixelsToTwipsX(width()) - dRoom) {
    m_pLblSize->hide();
    m_pLblImage->hide();
    return;
  }
  m_pLblImage->show();
  m_pLblSize->show();
  const double dLeft =
      PixelsToTwipsX(m_pLblImage->x()) + PixelsToTwipsX(m_pLblImage->width()) + 2 * dPixel;
  m_pLblSize->move(TwipsToPixelsX(dLeft), m_pLblSize->y());
}

}  // namespace brennic
