#include "frame/mdlToolBar2.h"

#include <QWidget>
#include <QWindow>

#include "platform/mWindowing.h"

namespace brennic {

void SetTopMost(QWidget* pWindow, bool bTopMost) {
  if (pWindow == nullptr) return;
  const sTwipsRect twips = WindowTwips(*pWindow);
  const Qt::WindowFlags flags = pWindow->windowFlags().setFlag(Qt::WindowStaysOnTopHint, bTopMost);
  if (flags != pWindow->windowFlags()) {
    QWindow* pNative = pWindow->windowHandle();
    if (pNative != nullptr && pWindow->testAttribute(Qt::WA_WState_Created)) {
      // Changing a widget's flags re-creates its native window: it would flicker, get a new
      // id and be placed again by the desktop (one title bar lower or higher each time). The
      // existing window changes its layer instead (on X11 the window manager's "above" state).
      pWindow->overrideWindowFlags(flags);
      pNative->setFlags(flags);
    } else {
      pWindow->setWindowFlags(flags);
    }
  }
  SetWindowTwips(*pWindow, twips);
  if (pWindow->isVisible()) {
    pWindow->show();
    BringToFront(*pWindow);
  }
}

}  // namespace brennic
