// brennic: the desktop program.

#include <QApplication>

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
  window.Load();
  return QApplication::exec();
}
