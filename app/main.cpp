// brennic: the desktop program.
//
//   brennic [OPTION ...] [--] [FILE ...]
//
// Each FILE opens in a document window of its own, as File > Open opens it. The text of --help
// below is also the source of the manual page (cmake/ManPage.cmake).

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <string>
#include <vector>

#include "cScriptedSession.h"
#include "frame/mfrmMain.h"
#include "image/cError.h"
#include "image/mRandom.h"
#include "platform/cQtDesktopBridge.h"

namespace {

void Describe(QCommandLineParser& parser) {
  // The leading line break parts the description from Qt's usage line.
  parser.setApplicationDescription(
      "\n"
      "Opens each picture FILE in a document window of its own, as File > Open does: Windows\n"
      "bitmaps (BMP, DIB), GIF pictures, icons (ICO) and what Qt's image plugins read (PNG,\n"
      "JPEG). The menus run filters, colour operations, resampling and the combination of two\n"
      "pictures; File > Save writes a 24-bit Windows bitmap, even under a name ending in\n"
      "\".ico\". A FILE whose name starts with \"-\" opens when it follows \"--\".\n"
      "\n"
      "Environment:\n"
      "  BRENNIC_REGISTRY  the settings file (recent files, custom filters) instead of\n"
      "                    $XDG_CONFIG_HOME/brennic/registry.sqlite\n"
      "  XDG_CONFIG_HOME   the folder of the settings file (default: ~/.config)\n"
      "  BRENNIC_THREADS   how many threads the filters use (default: one per processor)\n"
      "  TMPDIR            the folder of the temporary files of a paste (default: /tmp)\n"
      "  BRENNIC_SCRIPT    a file of commands that drives the program instead of a person\n"
      "                    (for tests)");
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument("FILE", "A picture to open.", "[FILE...]");
}

void NameApplication() {
  QCoreApplication::setApplicationName("Brennic");
  QCoreApplication::setApplicationVersion(BRENNIC_VERSION);
}

}  // namespace

int main(int argc, char* argv[]) {
  {
    // --help and --version answer without a display (over ssh, or while the manual page is
    // made), before the toolkit insists on one. Its own options are unknown here; no matter.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
      arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser probe;
    Describe(probe);
    probe.parse(arguments);
    if (probe.isSet("help") || probe.isSet("version")) {
      QCoreApplication app(argc, argv);
      NameApplication();
      if (probe.isSet("version")) probe.showVersion();
      probe.showHelp();
    }
  }
  QApplication app(argc, argv);
  NameApplication();
  // The toolkit has taken its own options out of the arguments; the rest are ours.
  QCommandLineParser parser;
  Describe(parser);
  parser.process(app);
  brennic::SetExeBaseName(argc > 0 ? argv[0] : "brennic");
  brennic::RandomizeFromClock();
  // The image buffer reaches the screen, message boxes and the clipboard through this.
  brennic::cQtDesktopBridge desktop;
  brennic::SetDesktopBridge(&desktop);
  brennic::mfrmMain window;
  // A test may drive the program; its stand-ins for the dialogs are in place before any shows.
  brennic::cScriptedSession::FromEnvironment(window);
  window.Load();
  // The files as the parser found them, but as the bytes given: a name need not be UTF-8, and
  // its decoded text would name another file. The toolkit has taken its own options out of argv.
  std::vector<std::string> files;
  bool bOptionsEnd = false;
  for (int i = 1; i < argc; ++i) {
    const std::string sArgument = argv[i];
    if (!bOptionsEnd && sArgument == "--") {
      bOptionsEnd = true;
    } else if (bOptionsEnd || sArgument.size() < 2 || sArgument[0] != '-') {
      files.push_back(sArgument);
    }
  }
  window.OpenFiles(files);
  return QApplication::exec();
}
