#pragma once
// A session driven by a script instead of a person, for the test that runs the real program
// under a real display. The environment variable BRENNIC_SCRIPT names a text file of commands,
// one a line, run one after another once the main window is up, with the event loop running in
// between so that the windows paint:
//
//   trigger <entry>    runs a menu entry as a click does, by its objectName ("mnuLowPass_2")
//   choose <path>      the next file dialog chooses <path> (without one, dialogs are cancelled)
//   answer <button>    the next message box is answered yes, no, cancel or ok (default: ok, or
//                      cancel for a question)
//   wait <ms>          lets the program run for a while
//   resize <w> <h>     sizes the main window, in pixels
//   scroll <bar> <n>   moves the active document's scroll bar (hscScroll, vscScroll) to n
//   grab <png file>    writes what the display shows of the main window
//   entries <array>    prints "<objectName> <visible 0/1> <caption>" for every entry of an array
//   activate <n>       activates the n-th document window (1 = the first opened)
//   boxes real         from here on message boxes are the program's own, for a person to answer
//   close              closes the main window as program code does
//
// Every message box is printed as "message: <text>". A line that cannot be run ends the
// process with status 3.

#include <QObject>
#include <deque>
#include <string>
#include <vector>

#include "platform/GCommonDialog.h"
#include "platform/MessageBox.h"

namespace brennic {

class mfrmMain;

class cScriptedSession final : public QObject,
                               public IMessageBoxService,
                               public ICommonDialogService {
  Q_OBJECT

 public:
  cScriptedSession(mfrmMain& main, std::vector<std::string> lines);
  ~cScriptedSession() override;

  // Reads the script named by BRENNIC_SCRIPT and starts it; nullptr when none is named.
  static cScriptedSession* FromEnvironment(mfrmMain& main);

  eMsgResult Show(const std::string& sText, eMsgButtons eButtons, eMsgIcon eIcon,
                  const std::string& sTitle) override;
  bool ChooseFile(const sFileDialogRequest& request, sFileDialogChoice& choice) override;
  bool ChooseColor(int32_t&, std::array<int32_t, 16>&, uint32_t, QWidget*) override {
    return false;
  }
  bool ChooseFont(QFont&, int32_t, int32_t, uint32_t, QWidget*) override { return false; }
  bool Print(QPrinter&, sPrintSettings&, uint32_t, QWidget*) override { return false; }
  bool PageSetup(QPrinter&, sPageSetupSettings&, uint32_t, QWidget*) override { return false; }

 private:
  void RunNext();
  [[noreturn]] void Fail(const std::string& sWhy);

  mfrmMain& m_main;
  std::vector<std::string> m_lines;
  size_t m_lNext = 0;
  std::deque<std::string> m_files;
  std::deque<eMsgResult> m_answers;
};

}  // namespace brennic
