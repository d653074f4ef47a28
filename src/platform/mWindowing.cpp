#include "platform/mWindowing.h"

#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <cstdio>
#include <utility>

#include "image/mConventions.h"
#include "platform/RegistryStore.h"

namespace brennic {

namespace {
std::optional<sScreenMetrics> g_override;
QPointer<QWidget> g_pDialogOwner;
}  // namespace

sScreenMetrics ScreenMetrics() {
  if (g_override) return *g_override;
  sScreenMetrics m;
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return m;
  const QScreen* pScreen = QGuiApplication::primaryScreen();
  if (pScreen == nullptr) return m;
  if (pScreen->logicalDotsPerInchX() > 0)
    m.dTwipsPerPixelX = kTwipsPerInch / pScreen->logicalDotsPerInchX();
  if (pScreen->logicalDotsPerInchY() > 0)
    m.dTwipsPerPixelY = kTwipsPerInch / pScreen->logicalDotsPerInchY();
  m.lWidthPixels = pScreen->geometry().width();
  m.lHeightPixels = pScreen->geometry().height();
  m.lBitsPerPixel = pScreen->depth();
  return m;
}

std::optional<sScreenMetrics> OverrideScreenMetrics(std::optional<sScreenMetrics> metrics) {
  return std::exchange(g_override, metrics);
}

double TwipsPerPixelX() {
  return ScreenMetrics().dTwipsPerPixelX;
}

double TwipsPerPixelY() {
  return ScreenMetrics().dTwipsPerPixelY;
}

double ScreenWidthTwips() {
  const sScreenMetrics m = ScreenMetrics();
  return m.lWidthPixels * m.dTwipsPerPixelX;
}

double ScreenHeightTwips() {
  const sScreenMetrics m = ScreenMetrics();
  return m.lHeightPixels * m.dTwipsPerPixelY;
}

int32_t DisplayBitsPerPixel() {
  return ScreenMetrics().lBitsPerPixel;
}

int32_t TwipsToPixelsX(double dTwips) {
  return RoundHalfEven(dTwips / TwipsPerPixelX());
}

int32_t TwipsToPixelsY(double dTwips) {
  return RoundHalfEven(dTwips / TwipsPerPixelY());
}

double PixelsToTwipsX(int32_t lPixels) {
  return lPixels * TwipsPerPixelX();
}

double PixelsToTwipsY(int32_t lPixels) {
  return lPixels * TwipsPerPixelY();
}

sTwipsRect WindowTwips(const QWidget& window) {
  return {PixelsToTwipsX(window.x()), PixelsToTwipsY(window.y()), PixelsToTwipsX(window.width()),
          PixelsToTwipsY(window.height())};
}

void SetWindowTwips(QWidget& window, const sTwipsRect& rect) {
  window.move(TwipsToPixelsX(rect.dLeft), TwipsToPixelsY(rect.dTop));
  window.resize(TwipsToPixelsX(rect.dWidth), TwipsToPixelsY(rect.dHeight));
}

void SetDialogOwner(QWidget* pMainWindow) {
  g_pDialogOwner = pMainWindow;
}

QWidget* DialogOwner() {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
    if (QWidget* pModal = QApplication::activeModalWidget()) return pModal;
    if (QWidget* pActive = QApplication::activeWindow()) return pActive;
  }
  return g_pDialogOwner.data();
}

void KeepInFrontOfOwner(QWidget& dialog) {
  const QWidget* pOwner = dialog.parentWidget();
  if (pOwner == nullptr || dialog.isVisible()) return;
  if (pOwner->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

void BringToFront(QWidget& window) {
  window.raise();
  window.activateWindow();
}

QString ShownTitle(const QWidget& window) {
  QString sTitle = window.windowTitle();
  sTitle.replace(QStringLiteral("[*]"),
                 window.isWindowModified() ? QStringLiteral("*") : QString());
  return sTitle;
}

void EndProcessNow(int iExitCode) {
  // Closed, the settings file takes its journal files back into itself.
  CloseRegistryStore();
  std::fflush(nullptr);
  ::_exit(iExitCode);
}

}  // namespace brennic
