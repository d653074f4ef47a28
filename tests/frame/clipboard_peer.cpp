// Another program on the desktop's clipboard, for the tests of copying and pasting between
// programs (run under an X server):
//   clipboard_peer get FILE   waits (at most 20 s) for a picture on the clipboard and writes it
//                             to FILE as a PNG; exit code 2 when none came
//   clipboard_peer put FILE   puts the picture in FILE on the clipboard, prints "ready", and
//                             serves it until its standard input closes, another program takes
//                             the clipboard, or 60 s have passed

#include <unistd.h>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
  QGuiApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: clipboard_peer get|put FILE\n");
    return 1;
  }
  QClipboard* pClipboard = QGuiApplication::clipboard();
  if (std::strcmp(argv[1], "get") == 0) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 20000) {
      const QMimeData* pData = pClipboard->mimeData();
      if (pData != nullptr && pData->hasImage()) {
        const QImage image = qvariant_cast<QImage>(pData->imageData());
        return !image.isNull() && image.save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 3;
      }
      QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
      ::usleep(50000);
    }
    return 2;
  }
  if (std::strcmp(argv[1], "put") == 0) {
    const QImage image(QString::fromLocal8Bit(argv[2]));
    if (image.isNull()) return 3;
    pClipboard->setImage(image);
    QObject::connect(pClipboard, &QClipboard::dataChanged, &app, [pClipboard] {
      if (!pClipboard->ownsClipboard()) QCoreApplication::quit();
    });
    QSocketNotifier stdinClosed(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&stdinClosed, &QSocketNotifier::activated, &app, [] {
      char c = 0;
      if (::read(STDIN_FILENO, &c, 1) <= 0) QCoreApplication::quit();
    });
    QTimer::singleShot(60000, &app, &QCoreApplication::quit);
    // "ready" only once the X server knows this program as the clipboard's owner: the loop has
    // run, so the ownership request has gone out.
    QTimer::singleShot(0, &app, [pClipboard] {
      if (!pClipboard->ownsClipboard()) QCoreApplication::exit(4);
      std::printf("ready\n");
      std::fflush(stdout);
    });
    return QGuiApplication::exec();
  }
  return 1;
}
