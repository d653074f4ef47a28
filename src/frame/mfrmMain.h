#pragma once
// mfrmMain: the multiple-document main window of the program, the first window created and the
// last one alive. It carries the documents' area, the status strip (picStatus) and, later, the
// menu bar; it comes up through Load and ends the process from its close request.
//
// Close requests arrive with a reason (UnloadMode): the user closing the window, program code,
// the desktop session ending, or SIGTERM. For the first two the changed documents are asked in
// the order they were loaded and the first refusal keeps the program running; then the
// recent-files list is stored and the process ends at once, without further window events.

#include <QMainWindow>
#include <cstdint>
#include <string>

#include "platform/cLoadedWindows.h"

class QMdiArea;

namespace brennic {

class cStatusStrip;
class cTermSignalWatcher;

inline constexpr const char* kMainCaption = "Brennic V.2.10";
inline constexpr const char* kDepthWarning =
    "Screen colour depths below 16 bits/pixel are not supported by this sample.";

// Why the main window is asked to close.
enum eUnloadMode : int16_t {
  vbFormControlMenu = 0,  // the user closed the window
  vbFormCode = 1,         // program code closed it
  vbAppWindows = 2,       // the desktop session is ending
  vbAppTaskManager = 3,   // ended from outside (SIGTERM)
};

class mfrmMain : public QMainWindow, public cLoadedWindow {
  Q_OBJECT

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
  void SetStatus(const std::string& sMain, const std::string& sImage, const std::string& sSize);
  void ProgressMax(int32_t lMax);
  void ProgressValue(int32_t lValue);
  void ShowProgress(bool bShow);
  // Numbers the documents without a file of their own: 1 on the first call of a run, then 2...
  int32_t NewImageIndex();

 protected:
  // Start-up step: apply the window position stored in the settings (failures ignored).
  virtual void ApplyStoredWindowPosition() {}
  // Start-up step: load the recent-files list and show it in the File menu.
  virtual void LoadRecentFiles() {}
  // Close step: store the recent-files list.
  virtual void SaveRecentFiles() {}
  // Ends the process at once (EndProcessNow). Tests replace it to stay alive.
  virtual void EndProcess();

  void closeEvent(QCloseEvent* pEvent) override;

 private:
  void OnSessionEnding();
  void OnTerminateRequest();

  QMdiArea* m_pMdi = nullptr;
  cStatusStrip* m_pStatus = nullptr;
  cTermSignalWatcher* m_pTermWatcher = nullptr;
  int32_t m_lNewImageIndex = 0;
};

}  // namespace brennic
