// brennic: the desktop program.
//
//   brennic [FILE ...]
//
// Each FILE opens in a document window of its own, as File > Open opens it.

#include <QApplication>
#include <string>
#include <vector>

#include "cScriptedSession.h"
#include "frame/mfrmMain.h"
#include "image/cError.h"
#include "image/mRandom.h"
#include "platform/cQtDesktopBridge.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Brennic");
  brennic::SetExeBaseName(argc > 0 ? argv[0] : "brennic");
  brennic::RandomizeFromClock();
  // The image buffer reaches the screen, message boxes and the clipboard through this.
  brennic::cQtDesktopBridge desktop;
  brennic::SetDesktopBridge(&desktop);
  brennic::mfrmMain window;
  // A test may drive the program; its stand-ins for the dialogs are in place before any shows.
  brennic::cScriptedSession::FromEnvironment(window);
  window.Load();
  // The toolkit has taken its own options out of argv. Names are bytes, passed on as given.
  std::vector<std::string> files(argv + 1, argv + argc);
  window.OpenFiles(files);
  return QApplication::exec();
}
