#include "frame/mdlToolBar2.h"

#include <QWidget>

#include "platform/mWindowing.h"

namespace brennic {

void SetTopMost(QWidget* pWindow, bool bTopMost) {
  if (pWindow == nullptr) return;
  const sTwipsRect twips = WindowTwips(*pWindow);
  const bool bVisible = pWindow->isVisible();
  // Changing the hint re-creates the native window, which hides it: only when it changes.
  if (pWindow->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != bTopMost)
    pWindow->setWindowFlag(Qt::WindowStaysOnTopHint, bTopMost);
  SetWindowTwips(*pWindow, twips);
  if (bVisible) {
    pWindow->show();
    pWindow->raise();
    pWindow->activateWindow();
  }
}

}  // namespace brennic
