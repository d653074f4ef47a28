#include "platform/cModalDialog.h"

#include <QPalette>
#include <QStringList>
#include <QTimer>
#include <QVariant>
#include <QWidget>
#include <utility>

#include "platform/mSysColor.h"
#include "platform/mWindowing.h"

namespace brennic {

namespace {
constexpr const char* kTagProperty = "Tag";
constexpr const char* kIndexProperty = "Index";
constexpr const char* kBackColorProperty = "BackColor";
}  // namespace

cModalDialog::cModalDialog(const char* sClassName, QWidget* pMainWindow, TopMostFunction fnTopMost,
                           Qt::WindowType eKind)
    : QDialog(pMainWindow,
              eKind | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      cLoadedWindow(sClassName),
      m_pMainWindow(pMainWindow),
      m_fnTopMost(std::move(fnTopMost)) {
  setObjectName(QString::fromLatin1(sClassName));
  setFont(DialogFont());
}

cModalDialog::~cModalDialog() = default;

void cModalDialog::setVisible(bool bVisible) {
  if (bVisible && !m_bShownOnce) {
    m_bShownOnce = true;
    m_bCancelled = true;
    // Placing the dialog ourselves keeps Qt from centring it later, so centre it first; the
    // topmost call then keeps it where it is.
    adjustPosition(parentWidget());
    if (m_fnTopMost) m_fnTopMost(this, true);
    Load();
    // Whatever window was active before, the dialog takes the front and the keyboard once the
    // desktop has mapped it.
    QTimer::singleShot(0, this, [this] {
      if (isVisible()) BringToFront(*this);
    });
  }
  QDialog::setVisible(bVisible);
}

void cModalDialog::done(int iResult) {
  QDialog::done(iResult);
  if (!m_bShownOnce || m_bUnloaded) return;
  m_bUnloaded = true;
  Unload();
  if (m_fnTopMost && m_pMainWindow != nullptr) m_fnTopMost(m_pMainWindow, true);
  Unloaded();
}

QString cModalDialog::Tag(const QWidget* pControl) {
  return pControl->property(kTagProperty).toString();
}

void cModalDialog::SetTag(QWidget* pControl, const QString& sTag) {
  pControl->setProperty(kTagProperty, sTag);
}

int cModalDialog::Index(const QWidget* pControl) {
  const QVariant v = pControl->property(kIndexProperty);
  return v.isValid() ? v.toInt() : -1;
}

int32_t cModalDialog::BackColor(const QWidget* pControl) {
  const QVariant v = pControl->property(kBackColorProperty);
  return v.isValid() ? static_cast<int32_t>(v.toInt()) : -1;
}

void cModalDialog::SetBackColor(QWidget* pControl, int32_t lColor) {
  pControl->setProperty(kBackColorProperty, static_cast<int>(lColor));
  QPalette palette = pControl->palette();
  palette.setColor(QPalette::Base, ColorFromRGB(TranslatedColorOrMinusOne(lColor)));
  pControl->setPalette(palette);
}

QFont cModalDialog::DialogFont() {
  QFont font;
  // Font matching takes the first family present; the two after Tahoma come close to its width.
  font.setFamilies(QStringList{"Tahoma", "Liberation Sans", "DejaVu Sans Condensed"});
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(8.25);
  return font;
}

void cModalDialog::SetClientTwips(double dWidth, double dHeight) {
  setFixedSize(TwipsToPixelsX(dWidth), TwipsToPixelsY(dHeight));
}

void cModalDialog::PlaceTwips(QWidget* pControl, double dLeft, double dTop, double dWidth,
                              double dHeight) {
  pControl->setGeometry(TwipsToPixelsX(dLeft), TwipsToPixelsY(dTop), TwipsToPixelsX(dWidth),
                        TwipsToPixelsY(dHeight));
}

void cModalDialog::SetIndexedName(QWidget* pControl, const char* sName, int iIndex) {
  pControl->setObjectName(QString::fromLatin1(sName));
  pControl->setProperty(kIndexProperty, iIndex);
}

}  // namespace brennic
