// The real main window in a process of its own, for the tests that watch the process end.
// Usage: brennic_frame_child <log file>. It loads the window with one changed document that would
// refuse to close, prints "ready" and runs until the process ends. Everything the window does on
// the way out is appended to the log: "asked" when the document was asked, "saved" when the
// recent-files list was stored.

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <fstream>
#include <string>

#include "frame/mfrmMain.h"
#include "platform/MessageBox.h"
#include "platform/cLoadedWindows.h"

namespace {

std::string g_sLog;

void Append(const char* sLine) {
  std::ofstream(g_sLog, std::ios::app) << sLine << '\n';
}

class cChildMain final : public brennic::mfrmMain {
 protected:
  void SaveRecentFiles() override { Append("saved"); }
};

class cRefusingDocument final : public QWidget,
                                public brennic::cLoadedWindow,
                                public brennic::IQuerySave {
 public:
  cRefusingDocument() : cLoadedWindow(brennic::kImageDocumentClass) {}
  bool Dirty() const override { return true; }
  bool QuerySave() override {
    Append("asked");
    return false;
  }
};

class cLoggedMessages final : public brennic::IMessageBoxService {
 public:
  brennic::eMsgResult Show(const std::string&, brennic::eMsgButtons, brennic::eMsgIcon,
                           const std::string&) override {
    Append("message");
    return brennic::eMsgResult::Cancel;
  }
};

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 2) return 2;
  g_sLog = argv[1];
  QApplication app(argc, argv);
  cLoggedMessages messages;
  brennic::SetMessageBoxService(&messages);
  cChildMain window;
  cRefusingDocument document;
  window.Load();
  QTimer::singleShot(0, [] {
    std::puts("ready");
    std::fflush(stdout);
  });
  QApplication::exec();
  Append("returned");
  return 1;
}
