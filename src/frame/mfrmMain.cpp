#include "frame/mfrmMain.h"

#include <QMdiArea>

namespace brennic {

mfrmMain::mfrmMain(QWidget* pParent) : QMainWindow(pParent) {
  setObjectName("mfrmMain");
  setWindowTitle(kMainCaption);
  m_pMdi = new QMdiArea(this);
  m_pMdi->setObjectName("mdiClient");
  setCentralWidget(m_pMdi);
  resize(640, 480);
}

}  // namespace brennic
