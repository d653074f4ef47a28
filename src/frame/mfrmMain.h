#pragma once
// mfrmMain: the multiple-document main window of the program, the first window created and the
// last one alive. It carries the menu bar, the documents' area and the status strip (picStatus);
// it comes up through Load and ends the process from its close request.
//
// Menus are arrays of entries told apart by an index, with gaps; one handler serves each array
// and switches on the index. Every entry is a QAction whose objectName is the array's name, "_"
// and the index ("mnuFile_0", "mnuLowPass_2", "mnuFile_9" for the hidden separator); a submenu's
// QMenu and its menuAction carry the name of the entry that opens it ("mnuImage_0"), a top-level
// menu that of its title ("mnuFileTop"). Image commands act on the active document; a failure
// inside a command is reported in a message box and the program goes on.
//
// Close requests arrive with a reason (UnloadMode): the user closing the window, program code,
// the desktop session ending, or SIGTERM. For the first two the changed documents are asked in
// the order they were loaded and the first refusal keeps the program running; then the
// recent-files list is stored and the process ends at once, without further window events.

#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "document/IDocumentFrame.h"
#include "document/cClosedPictures.h"
#include "document/cRecoveryStore.h"
#include "frame/cMRUFileList.h"
#include "frame/cOperationGuard.h"
#include "frame/mDrop.h"
#include "frame/mPaste.h"
#include "platform/cLoadedWindows.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace brennic {

class cStatusStrip;
class cTermSignalWatcher;
class frmImage;

inline constexpr const char* kMainCaption = "Brennic V.2.10";
inline constexpr const char* kDepthWarning =
    "Screen colour depths below 16 bits/pixel are not supported by this sample.";
inline constexpr const char* kSelectImage = "Please select icon to process.";

// Why the main window is asked to close.
enum eUnloadMode : int16_t {
  vbFormControlMenu = 0,  // the user closed the window
  vbFormCode = 1,         // program code closed it
  vbAppWindows = 2,       // the desktop session is ending
  vbAppTaskManager = 3,   // ended from outside (SIGTERM)
};

class mfrmMain : public QMainWindow, public cLoadedWindow, public IDocumentFrame {
  Q_OBJECT
  friend class cPasteWindow;

 public:
  // Design size and the offset of the start-up placement, in twips.
  static constexpr double kWidthTwips = 5250;
  static constexpr double kHeightTwips = 2865;
  static constexpr double kPlacementOffsetTwips = 1500;

  explicit mfrmMain(QWidget* pParent = nullptr);
  ~mfrmMain() override;

  QMdiArea* MdiArea() const { return m_pMdi; }
  cStatusStrip* StatusStrip() const { return m_pStatus; }

  // Start-up: no minimise and maximise buttons, topmost, 5250 x 2865 twips, the stored position
  // and then the placement that replaces it, the recent-files list, show, and the warning about
  // a display of 8 bits per pixel or less.
  void Load();

  // The close request. Sets bCancel when a document refuses; otherwise does not return in the
  // shipped program (EndProcess).
  virtual void QueryUnload(bool& bCancel, int16_t iUnloadMode);

  // Operations the documents call.
  void SetStatus(const std::string& sMain, const std::string& sImage,
                 const std::string& sSize) override;
  void ProgressMax(int32_t lMax) override;
  void ProgressValue(int32_t lValue) override;
  void ShowProgress(bool bShow) override;
  void KeepAlive() override;
  bool CancelRequested() override;
  // Numbers the documents without a file of their own: 1 on the first call of a run, then 2...
  int32_t NewImageIndex() override;
  // Puts a path at the top of the recent-files list and shows the list in the File menu.
  void AddMRUFile(const std::string& sFileName) override;
  // A closing document that is not in any file as it is goes into the closed pictures.
  void DocumentClosing(frmImage& cDocument) override;
  // The documents File > Reopen Closed Picture can bring back, the latest last.
  const cClosedPictures& ClosedPictures() const { return m_cClosed; }
  // Where the pictures in no file are kept against a kill or a crash; null before Load.
  cRecoveryStore* Recovery() const { return m_pRecovery.get(); }

  // Opens each file as File > Open opens the file chosen in its dialog (files named on the
  // command line).
  void OpenFiles(const std::vector<std::string>& files);

  const cMRUFileList& RecentFiles() const { return m_cMRU; }
  // The entry sArray, lIndex of the menus; nullptr when there is none.
  QAction* MenuEntry(const std::string& sArray, int32_t lIndex) const;
  // The active image document, or nullptr; asks nothing.
  frmImage* ActiveDocument() const;

 protected:
  // Start-up step: apply the window position stored in the settings (failures ignored).
  virtual void ApplyStoredWindowPosition();
  // Start-up step: load the recent-files list and show it in the File menu.
  virtual void LoadRecentFiles();
  // Close step: store the recent-files list.
  virtual void SaveRecentFiles();
  // Start-up step: the recovery folder (empty: recovery is off).
  virtual std::string RecoveryRoot() const;
  // Ends the process at once (EndProcessNow). Tests replace it to stay alive.
  virtual void EndProcess();

  // Runs one menu command. A failure raised inside it (an engine or document error, memory
  // running out) is shown in a message box; the document stays as the failure left it.
  void RunCommand(const std::function<void()>& fnCommand);

  void closeEvent(QCloseEvent* pEvent) override;
  // Picture files dropped anywhere on the window open as File > Open opens them; picture data
  // that is no file opens as Edit > Paste does. Other drags are refused.
  void dragEnterEvent(QDragEnterEvent* pEvent) override;
  void dragMoveEvent(QDragMoveEvent* pEvent) override;
  void dropEvent(QDropEvent* pEvent) override;

 private:
  using Handler = void (mfrmMain::*)(int32_t);

  void CreateMenus();
  QMenu* AddTopMenu(const char* sName, const char* sCaption);
  QMenu* AddSubMenu(QMenu* pMenu, const char* sArray, int32_t lIndex, const char* sCaption);
  // An entry of an array; the caption "-" makes a separator.
  QAction* AddEntry(QMenu* pMenu, const char* sArray, int32_t lIndex, const char* sCaption,
                    Handler handler, const char* sShortcut = nullptr);

  // One handler per menu array.
  void mnuFile_Click(int32_t Index);
  void mnuEditHistory_Click(int32_t Index);
  void mnuEdit_Click(int32_t Index);
  void mnuImage_Click(int32_t Index);
  void mnuLowPass_Click(int32_t Index);
  void mnuHighPass_Click(int32_t Index);
  void mnuSpecial_Click(int32_t Index);
  void mnuColors_Click(int32_t Index);
  void mnuView_Click(int32_t Index);
  void mnuWindow_Click(int32_t Index);

  // The active image document; when there is none, says so in a message box and gives false.
  bool GetActiveImage(frmImage*& pDocument);
  // sFile empty: asks for the file with the open dialog first.
  void OpenImageFile(std::string sFile);
  void SaveImageFile();
  // Brings the most recently closed changed document back in a new window.
  void ReopenClosedPicture();
  void UpdateReopenEntry();
  // Recovery data follows the documents: the state of each one in no file is kept after every
  // change, and goes once it is in a file.
  void KeepRecoveryData();
  // Offers the pictures that copies no longer running left behind.
  void RestoreLeftBehind();
  // The dialog commands of the Image menu.
  bool ApplyCustomFilter(frmImage& cDocument);
  bool ResampleImage(frmImage& cDocument);
  bool CombineImages();
  // Edit > Paste: the clipboard's picture in a new document; given fnPicture, that picture (a
  // drop) instead.
  bool PasteImage(const PastePictureSource& fnPicture = {});
  // A new, empty document in a window of the area, not shown yet.
  QMdiSubWindow* AddDocumentWindow(frmImage*& pDocument);
  // Sizes, places, shows and activates a new document's window.
  void ShowDocumentWindow(QMdiSubWindow* pWindow);
  // Takes a document's window out of the area again and destroys it with its document.
  void RemoveDocumentWindow(QMdiSubWindow* pWindow);
  // Shows the recent files in the File menu's entries 5 to 8 and the separator 9.
  void ShowMRUFiles();
  // 0 cascade, 1 one above another, 2 side by side, 3 minimised documents along the bottom.
  void ArrangeDocuments(int32_t lMode);
  void TileDocuments(bool bOneAboveAnother);
  // Lines the minimised documents up along the bottom edge; returns the height they take.
  int32_t ArrangeIcons();
  // The Window menu's list of open documents, rebuilt each time the menu opens.
  void FillWindowList();
  // Enables Undo and Redo and names their steps for the active document (the Edit menu's
  // opening, every command, activation and closing of documents), so that the shortcuts too
  // act only when there is a step to take.
  void UpdateEditHistory();
  // The View menu acts on the active document: without one its entries are disabled.
  void UpdateViewMenu();
  void DocumentActivated(QMdiSubWindow* pWindow);

  void OpenDropped(const cDropContents& contents);

  void OnSessionEnding();
  void OnTerminateRequest();

  QMdiArea* m_pMdi = nullptr;
  cStatusStrip* m_pStatus = nullptr;
  cTermSignalWatcher* m_pTermWatcher = nullptr;
  int32_t m_lNewImageIndex = 0;
  cMRUFileList m_cMRU;
  std::map<std::pair<std::string, int32_t>, QAction*> m_entries;
  QMenu* m_pWindowMenu = nullptr;
  std::vector<QAction*> m_windowList;
  cOperationGuard m_cOperation;
  cClosedPictures m_cClosed;
  std::unique_ptr<cRecoveryStore> m_pRecovery;
  // The change count of each document whose state is kept.
  std::map<const frmImage*, uint64_t> m_kept;
};

}  // namespace brennic
