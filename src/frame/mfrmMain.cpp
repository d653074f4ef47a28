#include "frame/mfrmMain.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QVBoxLayout>

#include "frame/cStatusStrip.h"
#include "frame/mdlToolBar2.h"
#include "platform/MessageBox.h"
#include "platform/cTermSignalWatcher.h"
#include "platform/mWindowing.h"

#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

namespace brennic {

mfrmMain::mfrmMain(QWidget* pParent) : QMainWindow(pParent), cLoadedWindow("mfrmMain") {
  setObjectName("mfrmMain");
  setWindowTitle(kMainCaption);

  auto* pClient = new QWidget(this);
  pClient->setObjectName("clientArea");
  auto* pLayout = new QVBoxLayout(pClient);
  pLayout->setContentsMargins(0, 0, 0, 0);
  pLayout->setSpacing(0);
  m_pMdi = new QMdiArea(pClient);
  m_pMdi->setObjectName("mdiClient");
  pLayout->addWidget(m_pMdi, 1);
  m_pStatus = new cStatusStrip(pClient);
  pLayout->addWidget(m_pStatus);
  setCentralWidget(pClient);

#if QT_CONFIG(sessionmanager)
  if (auto* pApp = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(pApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { OnSessionEnding(); });
  }
#endif
  m_pTermWatcher = new cTermSignalWatcher(this);
  connect(m_pTermWatcher, &cTermSignalWatcher::Terminated, this, &mfrmMain::OnTerminateRequest);
}

mfrmMain::~mfrmMain() = default;

void mfrmMain::Load() {
  // Neither a minimise nor a maximise button; the close box and the sizing border stay.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  SetTopMost(this, true);
  resize(TwipsToPixelsX(kWidthTwips), TwipsToPixelsY(kHeightTwips));
  ApplyStoredWindowPosition();
  // This placement replaces the stored one.
  move(TwipsToPixelsX(ScreenWidthTwips() / 2 - kPlacementOffsetTwips),
       TwipsToPixelsY(ScreenHeightTwips() / 2 - kPlacementOffsetTwips));
  LoadRecentFiles();
  show();
  if (DisplayBitsPerPixel() <= 8) MsgBox(kDepthWarning, eMsgButtons::OK, eMsgIcon::Exclamation);
}

void mfrmMain::QueryUnload(bool& bCancel, int16_t iUnloadMode) {
  if (iUnloadMode != vbAppWindows && iUnloadMode != vbAppTaskManager) {
    // Count() is read again each time: a document may come or go while it asks.
    for (int32_t i = 0; i < LoadedWindows().Count(); ++i) {
      cLoadedWindow* pWindow = LoadedWindows().Item(i);
      if (pWindow->ClassName() != kImageDocumentClass) continue;
      IQuerySave* pDocument = pWindow->As<IQuerySave>();
      if (pDocument == nullptr || !pDocument->Dirty()) continue;
      if (!pDocument->QuerySave()) {
        bCancel = true;
        return;
      }
    }
  }
  SaveRecentFiles();
  EndProcess();
}

void mfrmMain::EndProcess() {
  EndProcessNow(0);
}

void mfrmMain::closeEvent(QCloseEvent* pEvent) {
  // Closes from the desktop (close box, system menu) are spontaneous; close() is program code.
  bool bCancel = false;
  QueryUnload(bCancel, pEvent->spontaneous() ? vbFormControlMenu : vbFormCode);
  if (bCancel) {
    pEvent->ignore();
  } else {
    pEvent->accept();
  }
}

void mfrmMain::OnSessionEnding() {
  bool bCancel = false;
  QueryUnload(bCancel, vbAppWindows);
}

void mfrmMain::OnTerminateRequest() {
  bool bCancel = false;
  QueryUnload(bCancel, vbAppTaskManager);
}

void mfrmMain::SetStatus(const std::string& sMain, const std::string& sImage,
                         const std::string& sSize) {
  m_pStatus->SetStatus(sMain, sImage, sSize);
}

void mfrmMain::ProgressMax(int32_t lMax) {
  m_pStatus->ProgressMax(lMax);
}

void mfrmMain::ProgressValue(int32_t lValue) {
  m_pStatus->ProgressValue(lValue);
}

void mfrmMain::ShowProgress(bool bShow) {
  m_pStatus->ShowProgress(bShow);
}

int32_t mfrmMain::NewImageIndex() {
  return ++m_lNewImageIndex;
}

}  // namespace brennic
