#include "frame/mfrmMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QKeySequence>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <memory>
#include <new>
#include <utility>

#include "document/frmImage.h"
#include "filters/cCustomFilterStore.h"
#include "frame/cStatusStrip.h"
#include "frame/mDialogCommands.h"
#include "frame/mPaste.h"
#include "frame/mdlToolBar1.h"
#include "frame/mdlToolBar2.h"
#include "image/cError.h"
#include "platform/GCommonDialog.h"
#include "platform/MessageBox.h"
#include "platform/PictureIO.h"
#include "platform/cRegistry.h"
#include "platform/cTermSignalWatcher.h"
#include "platform/mFileName.h"
#include "platform/mWindowing.h"

#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

namespace brennic {

namespace {

// What the settings store has to tell the user, if anything; each thing is told once.
void TellSettingsNotice() {
  if (const std::string sNotice = RegistryStore().TakeNotice(); !sNotice.empty()) {
    MsgBox(sNotice, eMsgButtons::OK, eMsgIcon::Exclamation);
  }
}

}  // namespace

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
  // Escape and the strip's Cancel button stop a running operation.
  m_cOperation.CancelButton(m_pStatus->CancelButton());
  connect(m_pStatus->CancelButton(), &QPushButton::clicked, &m_cOperation,
          &cOperationGuard::RequestCancel);
  setCentralWidget(pClient);

#if QT_CONFIG(sessionmanager)
  if (auto* pApp = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(pApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { OnSessionEnding(); });
  }
#endif
  m_pTermWatcher = new cTermSignalWatcher(this);
  connect(m_pTermWatcher, &cTermSignalWatcher::Terminated, this, &mfrmMain::OnTerminateRequest);
  connect(m_pMdi, &QMdiArea::subWindowActivated, this, &mfrmMain::DocumentActivated);
  // No control inside takes drops: drags over the area and its documents come here.
  setAcceptDrops(true);
  setWindowIcon(QIcon(QStringLiteral(":/brennic/brennic.png")));
  // Boxes opened while no window of the program is active (a start-up error, the second of
  // several questions) belong to this window and stand in front of it.
  SetDialogOwner(this);

  CreateMenus();
  // Closing the active document as every multiple-document program does; it goes through the
  // window's own close, as its close button does.
  auto* pClose = new QAction(this);
  pClose->setObjectName("actCloseDocument");
  pClose->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::CTRL | Qt::Key_F4)});
  pClose->setShortcutContext(Qt::WindowShortcut);
  connect(pClose, &QAction::triggered, m_pMdi, &QMdiArea::closeActiveSubWindow);
  addAction(pClose);
}

mfrmMain::~mfrmMain() {
  // The pictures queued for recovery are copied before their documents go.
  if (m_pRecovery != nullptr) m_pRecovery->Settle();
  SetDialogOwner(nullptr);
  // The documents go with the base class's children, when this object is a main window no
  // more: the area must not report their going to it.
  disconnect(m_pMdi, nullptr, this, nullptr);
}

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
  // The settings store opens without a word; what it found is told once the window is up.
  TellSettingsNotice();
  if (DisplayBitsPerPixel() <= 8) MsgBox(kDepthWarning, eMsgButtons::OK, eMsgIcon::Exclamation);
  const std::string sRecovery = RecoveryRoot();
  m_pRecovery = std::make_unique<cRecoveryStore>(sRecovery);
  if (!sRecovery.empty() && !m_pRecovery->Enabled()) {
    // The safety net is off: the person should know before relying on it.
    MsgBox("Pictures that are not saved cannot be kept for recovery: the folder '" + sRecovery +
               "' cannot be used.",
           eMsgButtons::OK, eMsgIcon::Exclamation);
  }
  RestoreLeftBehind();
}

std::string mfrmMain::RecoveryRoot() const {
  return cRecoveryStore::DefaultRoot();
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
  if (m_pRecovery != nullptr) {
    if (iUnloadMode == vbFormControlMenu || iUnloadMode == vbFormCode) {
      // Every question is answered: what was to be saved is saved.
      m_pRecovery->ForgetAll();
    } else {
      KeepRecoveryData();
      m_pRecovery->Flush();
    }
  }
  SaveRecentFiles();
  // A list that could not be stored is told when the user closed the window, not when the
  // desktop or another program ends it.
  if (iUnloadMode == vbFormControlMenu || iUnloadMode == vbFormCode) TellSettingsNotice();
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

void mfrmMain::KeepAlive() {
  m_cOperation.Pulse();
}

bool mfrmMain::CancelRequested() {
  return m_cOperation.CancelRequested();
}

void mfrmMain::ProgressValue(int32_t lValue) {
  m_pStatus->ProgressValue(lValue);
  m_cOperation.KeepAlive();
}

void mfrmMain::ShowProgress(bool bShow) {
  m_pStatus->ShowProgress(bShow);
  if (bShow) {
    m_cOperation.Begin();
  } else {
    m_cOperation.End();
  }
}

int32_t mfrmMain::NewImageIndex() {
  return ++m_lNewImageIndex;
}

// --- Settings ------------------------------------------------------------------------------------

namespace {

// The main window's edges as the stored position sets them, in twips.
class cWindowEdges final : public IWindowEdges {
 public:
  explicit cWindowEdges(QWidget& window) : m_window(window) {}
  void Left(int32_t lTwips) override { m_window.move(TwipsToPixelsX(lTwips), m_window.y()); }
  void Top(int32_t lTwips) override { m_window.move(m_window.x(), TwipsToPixelsY(lTwips)); }

 private:
  QWidget& m_window;
};

cRegistry SettingsKey() {
  cRegistry cR;
  cR.ClassKey(kHKeyCurrentUser);
  cR.SectionKey(kAppSettingsKey);
  return cR;
}

}  // namespace

void mfrmMain::ApplyStoredWindowPosition() {
  cWindowEdges edges(*this);
  LoadWindowPosition(edges);
}

void mfrmMain::LoadRecentFiles() {
  m_cMRU.MaxFileCount(cMRUFileList::kMenuSlots);
  try {
    cRegistry cR = SettingsKey();
    m_cMRU.Load(cR);  // a list that cannot be read stays as far as it was read
  } catch (const std::exception&) {
  }
  ShowMRUFiles();
}

void mfrmMain::SaveRecentFiles() {
  try {
    cRegistry cR = SettingsKey();
    m_cMRU.Save(cR);
  } catch (const std::exception&) {
    // The process ends all the same.
  }
}

void mfrmMain::AddMRUFile(const std::string& sFileName) {
  m_cMRU.AddFile(sFileName);
  ShowMRUFiles();
}

void mfrmMain::ShowMRUFiles() {
  for (int32_t i = 1; i <= m_cMRU.FileCount() && i <= cMRUFileList::kMenuSlots; ++i) {
    if (!m_cMRU.FileExists(i)) continue;
    QAction* pEntry = MenuEntry("mnuFile", i + 4);
    pEntry->setText(QString::fromStdString(m_cMRU.MenuCaption(i)));
    pEntry->setVisible(true);
  }
  // Entries once shown stay shown for the rest of the run.
  MenuEntry("mnuFile", 9)->setVisible(m_cMRU.FileCount() >= 1);
}

// --- Menus ---------------------------------------------------------------------------------------

QMenu* mfrmMain::AddTopMenu(const char* sName, const char* sCaption) {
  QMenu* pMenu = menuBar()->addMenu(QString::fromUtf8(sCaption));
  pMenu->setObjectName(sName);
  pMenu->menuAction()->setObjectName(sName);
  return pMenu;
}

QMenu* mfrmMain::AddSubMenu(QMenu* pMenu, const char* sArray, int32_t lIndex,
                            const char* sCaption) {
  QMenu* pSub = pMenu->addMenu(QString::fromUtf8(sCaption));
  const QString sName = QString("%1_%2").arg(sArray).arg(lIndex);
  pSub->setObjectName(sName);
  pSub->menuAction()->setObjectName(sName);
  m_entries[{sArray, lIndex}] = pSub->menuAction();
  return pSub;
}

QAction* mfrmMain::AddEntry(QMenu* pMenu, const char* sArray, int32_t lIndex, const char* sCaption,
                            Handler handler, const char* sShortcut) {
  QAction* pAction = std::string(sCaption) == "-" ? pMenu->addSeparator()
                                                  : pMenu->addAction(QString::fromUtf8(sCaption));
  pAction->setObjectName(QString("%1_%2").arg(sArray).arg(lIndex));
  if (sShortcut != nullptr) pAction->setShortcut(QKeySequence(QString::fromUtf8(sShortcut)));
  connect(pAction, &QAction::triggered, this, [this, handler, lIndex] {
    RunCommand([this, handler, lIndex] { (this->*handler)(lIndex); });
  });
  m_entries[{sArray, lIndex}] = pAction;
  return pAction;
}

QAction* mfrmMain::MenuEntry(const std::string& sArray, int32_t lIndex) const {
  const auto it = m_entries.find({sArray, lIndex});
  return it == m_entries.end() ? nullptr : it->second;
}

void mfrmMain::CreateMenus() {
  QMenu* pFile = AddTopMenu("mnuFileTop", "&File");
  AddEntry(pFile, "mnuFile", 0, "&Open...", &mfrmMain::mnuFile_Click, "Ctrl+O");
  AddEntry(pFile, "mnuFile", 1, "&Save...", &mfrmMain::mnuFile_Click, "Ctrl+S");
  AddEntry(pFile, "mnuFile", 3, "&Export...", &mfrmMain::mnuFile_Click, "Ctrl+Shift+E");
  AddEntry(pFile, "mnuFile", 4, "Reopen Closed &Picture", &mfrmMain::mnuFile_Click, "Ctrl+Shift+T");
  AddEntry(pFile, "mnuFile", 2, "-", &mfrmMain::mnuFile_Click);
  // The recent files and the separator below them show once the list holds a file.
  for (int32_t i = 5; i <= 8; ++i)
    AddEntry(pFile, "mnuFile", i, "", &mfrmMain::mnuFile_Click)->setVisible(false);
  AddEntry(pFile, "mnuFile", 9, "-", &mfrmMain::mnuFile_Click)->setVisible(false);
  AddEntry(pFile, "mnuFile", 10, "&Exit", &mfrmMain::mnuFile_Click);

  QMenu* pEdit = AddTopMenu("mnuEditTOP", "&Edit");
  AddEntry(pEdit, "mnuEditHistory", 0, "&Undo", &mfrmMain::mnuEditHistory_Click, "Ctrl+Z");
  AddEntry(pEdit, "mnuEditHistory", 1, "&Redo", &mfrmMain::mnuEditHistory_Click, "Ctrl+Y")
      ->setShortcuts({QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")});
  AddEntry(pEdit, "mnuEditHistory", 2, "-", &mfrmMain::mnuEditHistory_Click);
  connect(pEdit, &QMenu::aboutToShow, this, &mfrmMain::UpdateEditHistory);
  AddEntry(pEdit, "mnuEdit", 1, "&Copy", &mfrmMain::mnuEdit_Click, "Ctrl+C");
  AddEntry(pEdit, "mnuEdit", 2, "&Paste", &mfrmMain::mnuEdit_Click, "Ctrl+V");

  QMenu* pImage = AddTopMenu("mnuImageTOP", "&Image");
  QMenu* pLowPass = AddSubMenu(pImage, "mnuImage", 0, "&Softening");
  AddEntry(pLowPass, "mnuLowPass", 0, "Soften", &mfrmMain::mnuLowPass_Click);
  AddEntry(pLowPass, "mnuLowPass", 1, "Soften More", &mfrmMain::mnuLowPass_Click);
  AddEntry(pLowPass, "mnuLowPass", 2, "Blur", &mfrmMain::mnuLowPass_Click);
  AddEntry(pLowPass, "mnuLowPass", 3, "Blur More", &mfrmMain::mnuLowPass_Click);
  QMenu* pHighPass = AddSubMenu(pImage, "mnuImage", 1, "S&harpening");
  AddEntry(pHighPass, "mnuHighPass", 0, "Sharpen", &mfrmMain::mnuHighPass_Click);
  AddEntry(pHighPass, "mnuHighPass", 1, "Sharpen More", &mfrmMain::mnuHighPass_Click);
  AddEntry(pHighPass, "mnuHighPass", 2, "Unsharp", &mfrmMain::mnuHighPass_Click);
  QMenu* pSpecial = AddSubMenu(pImage, "mnuImage", 2, "&Special");
  AddEntry(pSpecial, "mnuSpecial", 0, "&Emboss", &mfrmMain::mnuSpecial_Click);
  AddEntry(pSpecial, "mnuSpecial", 1, "-", &mfrmMain::mnuSpecial_Click);
  AddEntry(pSpecial, "mnuSpecial", 4, "Mi&nimum Rank", &mfrmMain::mnuSpecial_Click);
  AddEntry(pSpecial, "mnuSpecial", 5, "Me&dian Rank", &mfrmMain::mnuSpecial_Click);
  AddEntry(pSpecial, "mnuSpecial", 6, "Ma&ximum Rank", &mfrmMain::mnuSpecial_Click);
  AddEntry(pImage, "mnuImage", 3, "&Custom Defined", &mfrmMain::mnuImage_Click);
  AddEntry(pImage, "mnuImage", 4, "-", &mfrmMain::mnuImage_Click);
  AddEntry(pImage, "mnuImage", 5, "&Resample...", &mfrmMain::mnuImage_Click);
  AddEntry(pImage, "mnuImage", 6, "-", &mfrmMain::mnuImage_Click);
  AddEntry(pImage, "mnuImage", 7, "Co&mbine...", &mfrmMain::mnuImage_Click);

  QMenu* pColors = AddTopMenu("mnuColorTOP", "&Colors");
  AddEntry(pColors, "mnuColors", 0, "&Darken", &mfrmMain::mnuColors_Click);
  AddEntry(pColors, "mnuColors", 1, "&Lighten", &mfrmMain::mnuColors_Click);
  AddEntry(pColors, "mnuColors", 5, "&Negative", &mfrmMain::mnuColors_Click);
  AddEntry(pColors, "mnuColors", 7, "&Gray Scale", &mfrmMain::mnuColors_Click);
  AddEntry(pColors, "mnuColors", 8, "&B/W", &mfrmMain::mnuColors_Click);

  QMenu* pView = AddTopMenu("mnuViewTop", "&View");
  AddEntry(pView, "mnuView", 0, "Zoom &In", &mfrmMain::mnuView_Click, "Ctrl++")
      ->setShortcuts({QKeySequence("Ctrl++"), QKeySequence("Ctrl+=")});
  AddEntry(pView, "mnuView", 1, "Zoom &Out", &mfrmMain::mnuView_Click, "Ctrl+-");
  AddEntry(pView, "mnuView", 2, "&Actual Size", &mfrmMain::mnuView_Click, "Ctrl+0");
  AddEntry(pView, "mnuView", 3, "&Best Fit", &mfrmMain::mnuView_Click, "Ctrl+B");

  m_pWindowMenu = AddTopMenu("mnuWindowTop", "&Window");
  AddEntry(m_pWindowMenu, "mnuWindow", 0, "Tile &Horizontally", &mfrmMain::mnuWindow_Click);
  AddEntry(m_pWindowMenu, "mnuWindow", 1, "Tile &Vertically", &mfrmMain::mnuWindow_Click);
  AddEntry(m_pWindowMenu, "mnuWindow", 2, "&Cascade", &mfrmMain::mnuWindow_Click);
  AddEntry(m_pWindowMenu, "mnuWindow", 3, "&Arrange Icons", &mfrmMain::mnuWindow_Click);
  connect(m_pWindowMenu, &QMenu::aboutToShow, this, &mfrmMain::FillWindowList);
  UpdateEditHistory();
  UpdateViewMenu();
  UpdateReopenEntry();
}

void mfrmMain::RunCommand(const std::function<void()>& fnCommand) {
  std::string sDescription;
  bool bCancelled = false;
  // Whatever the command did to the pictures, their recovery data follows.
  struct cAfter {
    mfrmMain* pMain;
    ~cAfter() { pMain->KeepRecoveryData(); }
  } after{this};
  // A picture still queued for recovery is copied before the command may change it.
  if (m_pRecovery != nullptr) m_pRecovery->Settle();
  try {
    fnCommand();
    m_cOperation.Finish();
    UpdateEditHistory();
    return;
  } catch (const cError& e) {
    bCancelled = e.Number() == kErrCancelled;
    sDescription = e.Description();
  } catch (const std::bad_alloc&) {
    sDescription = "Out of memory";
  } catch (const std::exception& e) {
    sDescription = e.what();
  }
  m_cOperation.Finish();
  UpdateEditHistory();
  // An operation that failed half-way never completes: its progress goes away.
  ShowProgress(false);
  if (bCancelled) {
    // Stopped on request: the picture is as it was before; nothing to report but that.
    SetStatus("Cancelled", "#", "#");
  } else {
    MsgBox(sDescription, eMsgButtons::OK, eMsgIcon::Exclamation);
  }
}

void mfrmMain::mnuFile_Click(int32_t Index) {
  switch (Index) {
    case 0:
      OpenImageFile("");
      break;
    case 1:
      SaveImageFile();
      break;
    case 3: {
      frmImage* pDocument = nullptr;
      if (GetActiveImage(pDocument)) pDocument->ExportFile();
      break;
    }
    case 4:
      ReopenClosedPicture();
      break;
    case 5:
    case 6:
    case 7:
    case 8:
      OpenImageFile(m_cMRU.File(Index - 4));
      break;
    case 10:
      // Neither asks about changed documents nor stores the recent-files list; the pictures in
      // no file stay in the recovery folder.
      KeepRecoveryData();
      if (m_pRecovery != nullptr) m_pRecovery->Flush();
      EndProcess();
      break;
    default:
      break;
  }
}

void mfrmMain::mnuEditHistory_Click(int32_t Index) {
  if (Index != 0 && Index != 1) return;
  frmImage* pDocument = nullptr;
  if (!GetActiveImage(pDocument)) return;
  if (Index == 0) {
    pDocument->Undo();
  } else {
    pDocument->Redo();
  }
}

void mfrmMain::UpdateEditHistory() {
  const frmImage* pDocument = ActiveDocument();
  const cImageHistory* pHistory = pDocument != nullptr ? &pDocument->History() : nullptr;
  const auto show = [this](int32_t lIndex, const char* sCaption, bool bCan, std::string sStep) {
    QAction* pEntry = MenuEntry("mnuEditHistory", lIndex);
    pEntry->setText(QString::fromUtf8(sCaption) +
                    (bCan ? " " + QString::fromStdString(sStep).replace('&', "&&") : QString()));
    pEntry->setEnabled(bCan);
  };
  show(0, "&Undo", pHistory != nullptr && pHistory->CanUndo(),
       pHistory != nullptr ? pHistory->UndoName() : "");
  show(1, "&Redo", pHistory != nullptr && pHistory->CanRedo(),
       pHistory != nullptr ? pHistory->RedoName() : "");
}

void mfrmMain::mnuEdit_Click(int32_t Index) {
  switch (Index) {
    case 1: {
      frmImage* pDocument = nullptr;
      if (GetActiveImage(pDocument)) pDocument->CopyImage();
      break;
    }
    case 2:
      PasteImage();
      break;
    default:
      break;
  }
}

void mfrmMain::mnuImage_Click(int32_t Index) {
  if (Index != 3 && Index != 5 && Index != 7) return;
  frmImage* pDocument = nullptr;
  if (!GetActiveImage(pDocument)) return;
  switch (Index) {
    case 3:
      ApplyCustomFilter(*pDocument);
      break;
    case 5:
      ResampleImage(*pDocument);
      break;
    case 7:
      CombineImages();
      break;
    default:
      break;
  }
}

void mfrmMain::mnuLowPass_Click(int32_t Index) {
  static constexpr int32_t kTypes[] = {eSoften, eSoftenMore, eBlur, eBlurMore};
  if (Index < 0 || Index > 3) return;
  frmImage* pDocument = nullptr;
  if (GetActiveImage(pDocument)) pDocument->ProcessImage(kTypes[Index]);
}

void mfrmMain::mnuHighPass_Click(int32_t Index) {
  static constexpr int32_t kTypes[] = {eSharpen, eSharpenMore, eUnsharp};
  if (Index < 0 || Index > 2) return;
  frmImage* pDocument = nullptr;
  if (GetActiveImage(pDocument)) pDocument->ProcessImage(kTypes[Index]);
}

void mfrmMain::mnuSpecial_Click(int32_t Index) {
  int32_t eType = 0;
  switch (Index) {
    case 0:
      eType = eEmboss;
      break;
    case 4:
      eType = eMinimumRank;
      break;
    case 5:
      eType = eMedianRank;
      break;
    case 6:
      eType = eMaximumRank;
      break;
    default:
      return;
  }
  frmImage* pDocument = nullptr;
  if (GetActiveImage(pDocument)) pDocument->ProcessImage(eType);
}

void mfrmMain::mnuColors_Click(int32_t Index) {
  if (Index != 0 && Index != 1 && Index != 5 && Index != 7 && Index != 8) return;
  frmImage* pDocument = nullptr;
  if (!GetActiveImage(pDocument)) return;
  switch (Index) {
    case 0:
      pDocument->Fade();
      break;
    case 1:
      pDocument->Lighten();
      break;
    case 5:
      pDocument->NegativeImage();
      break;
    case 7:
      pDocument->GrayScale();
      break;
    case 8:
      pDocument->BlackAndWhite();
      break;
    default:
      break;
  }
}

void mfrmMain::mnuView_Click(int32_t Index) {
  frmImage* pDocument = ActiveDocument();
  if (pDocument == nullptr) return;
  switch (Index) {
    case 0:
      pDocument->ZoomIn();
      break;
    case 1:
      pDocument->ZoomOut();
      break;
    case 2:
      pDocument->ActualSize();
      break;
    case 3:
      pDocument->BestFit();
      break;
    default:
      break;
  }
}

void mfrmMain::UpdateViewMenu() {
  const bool bDocument = ActiveDocument() != nullptr;
  for (int32_t i = 0; i <= 3; ++i)
    MenuEntry("mnuView", i)->setEnabled(bDocument);
}

void mfrmMain::mnuWindow_Click(int32_t Index) {
  // Entry 0 tiles one above another (mode 1), entry 1 side by side (2), entry 2 cascades (0).
  static constexpr int32_t kModes[] = {1, 2, 0, 3};
  if (Index >= 0 && Index <= 3) ArrangeDocuments(kModes[Index]);
}

// --- Commands ------------------------------------------------------------------------------------

frmImage* mfrmMain::ActiveDocument() const {
  QMdiSubWindow* pWindow = m_pMdi->currentSubWindow();
  if (pWindow == nullptr) return nullptr;
  auto* pDocument = qobject_cast<frmImage*>(pWindow->widget());
  if (pDocument == nullptr || pDocument->ClassName() != kImageDocumentClass) return nullptr;
  return pDocument;
}

bool mfrmMain::GetActiveImage(frmImage*& pDocument) {
  pDocument = ActiveDocument();
  if (pDocument != nullptr) return true;
  MsgBox(kSelectImage, eMsgButtons::OK, eMsgIcon::Information);
  return false;
}

void mfrmMain::OpenImageFile(std::string sFile) {
  if (sFile.empty()) {
    std::string sFileTitle;
    bool bFileMustExist = true;
    bool bMultiSelect = false;
    bool bReadOnly = false;
    bool bHideReadOnly = false;
    // The last entry lists every kind of picture the program reads.
    std::string sFilter =
        "Bitmap Files (*.BMP)|*.BMP;*.DIB|GIF Files (*.GIF)|*.GIF|ICO Files (*.ICO)|*.ICO|"
        "All Pictures|*.BMP;*.DIB;*.GIF;*.ICO;*.PNG;*.JPG;*.JPEG;*.TIF;*.TIFF;*.WEBP";
    int32_t lFilterIndex = 1;
    std::string sInitDir;
    std::string sDlgTitle;
    std::string sDefaultExt = "BMP";
    QWidget* pOwner = this;
    uint32_t lFlags = 0;
    GCommonDialog cD;
    if (!cD.VBGetOpenFileName(sFile, sFileTitle, bFileMustExist, bMultiSelect, bReadOnly,
                              bHideReadOnly, sFilter, lFilterIndex, sInitDir, sDlgTitle,
                              sDefaultExt, pOwner, lFlags)) {
      return;
    }
  }
  frmImage* pDocument = nullptr;
  QMdiSubWindow* pWindow = AddDocumentWindow(pDocument);
  if (!pDocument->OpenFile(sFile, false)) {
    // The document reported the failure itself; its window goes again.
    RemoveDocumentWindow(pWindow);
    return;
  }
  ShowDocumentWindow(pWindow);
}

void mfrmMain::ShowDocumentWindow(QMdiSubWindow* pWindow) {
  // A new document is as large as its picture and lies inside the area where the area allows.
  const QRect area = m_pMdi->viewport()->rect();
  pWindow->resize(pWindow->sizeHint().boundedTo(area.size()));
  pWindow->show();
  QRect place = pWindow->geometry();
  if (place.right() > area.right()) place.moveRight(area.right());
  if (place.bottom() > area.bottom()) place.moveBottom(area.bottom());
  pWindow->move(std::max(place.left(), 0), std::max(place.top(), 0));
  m_pMdi->setActiveSubWindow(pWindow);
}

QMdiSubWindow* mfrmMain::AddDocumentWindow(frmImage*& pDocument) {
  pDocument = new frmImage(*this);
  QMdiSubWindow* pWindow = m_pMdi->addSubWindow(pDocument);
  // Every document's window menu would claim Ctrl+W and Ctrl+F4 as well: with two documents
  // open the keys would be ambiguous and do nothing. The main window's entry serves them all.
  if (QMenu* pSystem = pWindow->systemMenu()) {
    for (QAction* pAction : pSystem->actions()) {
      if (pAction->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_W)) ||
          pAction->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_F4))) {
        pAction->setShortcuts({});
      }
    }
  }
  return pWindow;
}

void mfrmMain::RemoveDocumentWindow(QMdiSubWindow* pWindow) {
  m_pMdi->removeSubWindow(pWindow);
  delete pWindow;
}

void mfrmMain::OpenFiles(const std::vector<std::string>& files) {
  for (const std::string& sFile : files) {
    if (sFile.empty()) continue;
    // The open dialog gives full paths; so does this, for the title and the recent files.
    const std::string sPath = AbsoluteFileName(sFile);
    RunCommand([this, sPath] { OpenImageFile(sPath); });
  }
}

void mfrmMain::dragEnterEvent(QDragEnterEvent* pEvent) {
  AcceptDrop(pEvent);
}

void mfrmMain::dragMoveEvent(QDragMoveEvent* pEvent) {
  AcceptDrop(pEvent);
}

void mfrmMain::dropEvent(QDropEvent* pEvent) {
  if (!AcceptDrop(pEvent)) return;
  // Opening may ask the user (an open error): not while the drag's source waits for the drop.
  QTimer::singleShot(
      0, this, [this, contents = DropContents(pEvent->mimeData())] { OpenDropped(contents); });
}

void mfrmMain::OpenDropped(const cDropContents& contents) {
  if (!contents.files.empty()) {
    OpenFiles(contents.files);
  } else if (contents.bImage) {
    // Picture data that cannot be decoded fails as a paste, with its message.
    PasteImage([&contents] { return PictureOfData(contents.data); });
  }
}

void mfrmMain::SaveImageFile() {
  frmImage* pDocument = nullptr;
  if (GetActiveImage(pDocument)) pDocument->SaveFile();
}

void mfrmMain::DocumentClosing(frmImage& cDocument) {
  // A closed picture is kept for reopening in this run; the next start does not offer it.
  if (m_kept.erase(&cDocument) > 0 && m_pRecovery != nullptr) {
    m_pRecovery->Forget(reinterpret_cast<uintptr_t>(&cDocument));
  }
  if (!cDocument.Unsaved()) return;
  try {
    m_cClosed.Push(cDocument.TakeClosed());
  } catch (const std::exception&) {
    // No memory to keep it: the window closes as it always did.
  }
  UpdateReopenEntry();
}

void mfrmMain::ReopenClosedPicture() {
  std::unique_ptr<sClosedPicture> pClosed = m_cClosed.Pop();
  UpdateReopenEntry();
  if (pClosed == nullptr) return;
  frmImage* pDocument = nullptr;
  QMdiSubWindow* pWindow = AddDocumentWindow(pDocument);
  try {
    pDocument->Reopen(*pClosed);
  } catch (...) {
    // Not lost: it stays to be reopened when there is room.
    RemoveDocumentWindow(pWindow);
    m_cClosed.Push(std::move(pClosed));
    UpdateReopenEntry();
    throw;
  }
  ShowDocumentWindow(pWindow);
}

void mfrmMain::KeepRecoveryData() {
  if (m_pRecovery == nullptr || !m_pRecovery->Enabled()) return;
  for (QMdiSubWindow* pWindow : m_pMdi->subWindowList()) {
    auto* pDocument = qobject_cast<frmImage*>(pWindow->widget());
    if (pDocument == nullptr || pDocument->ImageWidth() < 1) continue;
    const uint64_t lKey = reinterpret_cast<uintptr_t>(pDocument);
    const auto it = m_kept.find(pDocument);
    if (!pDocument->Unsaved()) {
      if (it != m_kept.end()) {
        m_pRecovery->Forget(lKey);
        m_kept.erase(it);
      }
    } else if (it == m_kept.end() || it->second != pDocument->ChangeCount()) {
      m_pRecovery->Keep(lKey, pDocument->Filename(), pDocument->CaptionName(), pDocument->NoFile(),
                        pDocument->Document().Picture());
      m_kept[pDocument] = pDocument->ChangeCount();
    }
  }
}

void mfrmMain::RestoreLeftBehind() {
  cRecoveryStore::sLeftBehind found = m_pRecovery->FindLeftBehind();
  if (!found.damaged.empty()) {
    std::string sText =
        "These files in the recovery folder could not be read; they were left there:";
    for (const std::string& sPath : found.damaged)
      sText += "\r\n" + sPath;
    MsgBox(sText, eMsgButtons::OK, eMsgIcon::Exclamation);
  }
  if (found.pictures.empty()) {
    m_pRecovery->DiscardLeftBehind(found);
    return;
  }
  std::string sText = "Restore the pictures that were not saved when Brennic last closed?\r\n";
  for (const sRecoveredPicture& cPicture : found.pictures)
    sText += "\r\n" + frmImage::TitleOf(cPicture.sName);
  if (MsgBox(sText, eMsgButtons::YesNo, eMsgIcon::Question) == eMsgResult::Yes) {
    std::vector<sRecoveredPicture> failed;
    for (sRecoveredPicture& cPicture : found.pictures) {
      sClosedPicture cState;
      cState.sName = cPicture.sName;
      cState.sCaption = cPicture.sCaption;
      cState.bDirty = true;
      cState.bNoFile = cPicture.bNoFile;
      cState.lWidth = cPicture.lWidth;
      cState.lHeight = cPicture.lHeight;
      cState.picture = std::move(cPicture.picture);
      frmImage* pDocument = nullptr;
      QMdiSubWindow* pWindow = AddDocumentWindow(pDocument);
      try {
        pDocument->Reopen(cState);
        ShowDocumentWindow(pWindow);
      } catch (const std::exception& e) {
        RemoveDocumentWindow(pWindow);
        // Its file stays for the next start.
        failed.push_back(cPicture);
        MsgBox("An error occured trying to open this file: '" + cPicture.sPath + "': " + e.what(),
               eMsgButtons::OK, eMsgIcon::Exclamation);
      }
    }
    std::erase_if(found.pictures, [&](const sRecoveredPicture& c) {
      return std::any_of(failed.begin(), failed.end(),
                         [&](const sRecoveredPicture& f) { return f.sPath == c.sPath; });
    });
    // Kept under this copy before the old files go.
    KeepRecoveryData();
    m_pRecovery->Flush();
    UpdateEditHistory();
  }
  m_pRecovery->DiscardLeftBehind(found);
}

void mfrmMain::UpdateReopenEntry() {
  MenuEntry("mnuFile", 4)->setEnabled(!m_cClosed.Empty());
}

bool mfrmMain::ApplyCustomFilter(frmImage& cDocument) {
  return RunCustomFilterDialog(this, cDocument);
}

bool mfrmMain::ResampleImage(frmImage& cDocument) {
  return RunResampleDialog(this, cDocument);
}

bool mfrmMain::CombineImages() {
  return RunCombineDialog(this, [this](const frmCombination& fC) {
    frmImage* pDocument = nullptr;
    QMdiSubWindow* pWindow = AddDocumentWindow(pDocument);
    pWindow->show();
    try {
      pDocument->Combine(fC);
    } catch (...) {
      // A combination that failed leaves no empty window behind; the failure is shown.
      RemoveDocumentWindow(pWindow);
      throw;
    }
    ShowDocumentWindow(pWindow);
  });
}

// A new document window as the paste sees it.
class cPasteWindow final : public IPasteDocument {
 public:
  explicit cPasteWindow(mfrmMain& main)
      : m_main(main), m_pWindow(main.AddDocumentWindow(m_pDocument)) {}
  bool OpenFile(const std::string& sFile, bool bIsTemp) override {
    return m_pDocument->OpenFile(sFile, bIsTemp);
  }
  void Show() override { m_main.ShowDocumentWindow(m_pWindow); }
  void Unload() override { m_main.RemoveDocumentWindow(m_pWindow); }

 private:
  mfrmMain& m_main;
  frmImage* m_pDocument = nullptr;
  QMdiSubWindow* m_pWindow;
};

bool mfrmMain::PasteImage(const PastePictureSource& fnPicture) {
  const NewPasteDocument newDocument = [this]() -> std::unique_ptr<IPasteDocument> {
    return std::make_unique<cPasteWindow>(*this);
  };
  return fnPicture ? PastePicture(fnPicture, newDocument) : PasteFromClipboard(newDocument);
}

// --- Window menu ---------------------------------------------------------------------------------

void mfrmMain::DocumentActivated(QMdiSubWindow* pWindow) {
  UpdateEditHistory();
  UpdateViewMenu();
  if (pWindow == nullptr) return;
  if (auto* pDocument = qobject_cast<frmImage*>(pWindow->widget())) pDocument->Activate();
}

void mfrmMain::FillWindowList() {
  for (QAction* pAction : m_windowList) {
    m_pWindowMenu->removeAction(pAction);
    delete pAction;
  }
  m_windowList.clear();
  const QList<QMdiSubWindow*> windows = m_pMdi->subWindowList(QMdiArea::CreationOrder);
  if (windows.isEmpty()) return;
  m_windowList.push_back(m_pWindowMenu->addSeparator());
  m_windowList.back()->setObjectName("windowListSeparator");
  int32_t lNumber = 0;
  for (QMdiSubWindow* pWindow : windows) {
    QString sCaption = ShownTitle(*pWindow);
    sCaption.replace('&', "&&");
    QAction* pAction = m_pWindowMenu->addAction(QString("&%1 %2").arg(++lNumber).arg(sCaption));
    pAction->setObjectName("windowListEntry");
    pAction->setCheckable(true);
    pAction->setChecked(pWindow == m_pMdi->currentSubWindow());
    connect(pAction, &QAction::triggered, this, [this, pWindow] {
      // The window may have gone since the menu was filled.
      if (m_pMdi->subWindowList().contains(pWindow)) {
        if (pWindow->isMinimized()) pWindow->showNormal();
        m_pMdi->setActiveSubWindow(pWindow);
      }
    });
    m_windowList.push_back(pAction);
  }
}

void mfrmMain::ArrangeDocuments(int32_t lMode) {
  switch (lMode) {
    case 0:
      m_pMdi->cascadeSubWindows();
      break;
    case 1:
      TileDocuments(true);
      break;
    case 2:
      TileDocuments(false);
      break;
    case 3:
      ArrangeIcons();
      break;
    default:
      break;
  }
}

void mfrmMain::TileDocuments(bool bOneAboveAnother) {
  std::vector<QMdiSubWindow*> windows;
  for (QMdiSubWindow* pWindow : m_pMdi->subWindowList(QMdiArea::CreationOrder)) {
    if (!pWindow->isHidden() && !pWindow->isMinimized()) windows.push_back(pWindow);
  }
  // The minimised documents keep their row along the bottom; the others share what is left.
  QRect area = m_pMdi->viewport()->rect();
  area.setHeight(area.height() - ArrangeIcons());
  if (windows.empty()) return;
  const int64_t n = static_cast<int64_t>(windows.size());
  for (int64_t i = 0; i < n; ++i) {
    QMdiSubWindow* pWindow = windows[static_cast<size_t>(i)];
    if (pWindow->isMaximized()) pWindow->showNormal();
    if (bOneAboveAnother) {
      const int iTop = static_cast<int>(area.top() + area.height() * i / n);
      const int iBottom = static_cast<int>(area.top() + area.height() * (i + 1) / n);
      pWindow->setGeometry(area.left(), iTop, area.width(), iBottom - iTop);
    } else {
      const int iLeft = static_cast<int>(area.left() + area.width() * i / n);
      const int iRight = static_cast<int>(area.left() + area.width() * (i + 1) / n);
      pWindow->setGeometry(iLeft, area.top(), iRight - iLeft, area.height());
    }
  }
}

int32_t mfrmMain::ArrangeIcons() {
  const QRect area = m_pMdi->viewport()->rect();
  int32_t x = 0;
  int32_t y = area.bottom() + 1;
  bool bAny = false;
  for (QMdiSubWindow* pWindow : m_pMdi->subWindowList(QMdiArea::CreationOrder)) {
    if (pWindow->isHidden() || !pWindow->isMinimized()) continue;
    const QSize size = pWindow->size();
    if (!bAny) {
      y = area.bottom() + 1 - size.height();
    } else if (x > 0 && x + size.width() > area.width()) {
      // The row is full: the next one lies above it.
      x = 0;
      y -= size.height();
    }
    pWindow->move(x, y);
    x += size.width();
    bAny = true;
  }
  return bAny ? area.bottom() + 1 - y : 0;
}

}  // namespace brennic
