// Copying and pasting between Brennic and another program (clipboard_peer) through a real X
// server. ctest runs these once more under xvfb-run; on the offscreen platform they skip.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <random>
#include <string>

#include "image/cDIBSection.h"
#include "image/cError.h"
#include "platform/Clipboard.h"
#include "platform/PictureIO.h"
#include "platform/cQtDesktopBridge.h"
#include "support/ImageTestUtil.h"

namespace brennic {
namespace {

// Waits for the peer while this program answers the X server (and so the peer's requests).
bool FinishWhileServing(QProcess& process, int lTimeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (process.state() != QProcess::NotRunning && timer.elapsed() < lTimeoutMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    process.waitForFinished(10);
  }
  return process.state() == QProcess::NotRunning;
}

// Ends the peer however the test ends: its standard input closes, which ends it; a peer that
// does not go is killed, never left behind or destroyed while running.
struct sPeerGuard {
  QProcess& peer;
  ~sPeerGuard() {
    if (peer.state() == QProcess::NotRunning) return;
    peer.closeWriteChannel();
    if (!FinishWhileServing(peer, 20000)) {
      peer.kill();
      peer.waitForFinished();
    }
  }
};

class ClipboardBetweenPrograms : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != "xcb") {
      GTEST_SKIP() << "needs an X server: ctest runs these under xvfb-run "
                      "(ClipboardBetweenPrograms.UnderXvfb)";
    }
    ASSERT_TRUE(m_dir.isValid());
    SetDesktopBridge(&m_bridge);
  }
  void TearDown() override { SetDesktopBridge(nullptr); }

  std::string File(const char* sName) const { return (m_dir.path() + "/" + sName).toStdString(); }

  // Odd width (row padding) and every byte different.
  static std::unique_ptr<cDIBSection> Picture() {
    return test::MakeImageFromRows({{{1, 2, 3}, {40, 50, 60}, {70, 80, 90}},
                                    {{100, 110, 120}, {130, 140, 150}, {160, 170, 180}},
                                    {{190, 200, 210}, {220, 230, 240}, {250, 251, 252}}});
  }

  // The peer puts img on the clipboard; this program pastes it.
  void ExpectPastedFromPeer(cDIBSection& img);

  QTemporaryDir m_dir;
  cQtDesktopBridge m_bridge;
};

TEST_F(ClipboardBetweenPrograms, ACopyFromBrennicPastesIntoAnotherProgram) {
  const auto img = Picture();
  ASSERT_TRUE(img->CopyToClipboard(false));

  QProcess peer;
  const sPeerGuard guard{peer};
  peer.start(BRENNIC_CLIPBOARD_PEER, {"get", QString::fromStdString(File("got.png"))});
  ASSERT_TRUE(peer.waitForStarted());
  ASSERT_TRUE(FinishWhileServing(peer, 30000));
  ASSERT_EQ(peer.exitCode(), 0) << peer.readAllStandardError().toStdString();

  cDIBSection got;
  got.CreateFromPicture(*LoadPicture(File("got.png")));
  EXPECT_EQ(test::PixelBytes(got), test::PixelBytes(*img));
}

// Also one larger than the toolkit would decode (its allocation limit set to 1 MB here, as the
// default 128 MB is to a 48-megapixel picture): the program's own limit applies.
TEST_F(ClipboardBetweenPrograms, APictureFromAnotherProgramPastesIntoBrennic) {
  std::mt19937 rng(5);
  for (const auto& img : {test::MakeRandomImage(1001, 600, rng), Picture()}) {
    ExpectPastedFromPeer(*img);
  }
}

void ClipboardBetweenPrograms::ExpectPastedFromPeer(cDIBSection& img) {
  SavePicture(img, File("put.bmp"));
  // This program learns of the peer's clipboard from the X server's events: counted from here.
  QCoreApplication::processEvents();
  int lChanges = 0;
  const QMetaObject::Connection changed = QObject::connect(
      QGuiApplication::clipboard(), &QClipboard::dataChanged, [&lChanges] { ++lChanges; });

  QProcess peer;
  const sPeerGuard guard{peer};
  peer.start(BRENNIC_CLIPBOARD_PEER, {"put", QString::fromStdString(File("put.bmp"))});
  ASSERT_TRUE(peer.waitForStarted());
  ASSERT_TRUE(peer.waitForReadyRead(20000));
  ASSERT_EQ(peer.readLine().trimmed(), "ready");
  QElapsedTimer timer;
  timer.start();
  while (lChanges == 0 && timer.elapsed() < 20000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  QObject::disconnect(changed);
  ASSERT_GT(lChanges, 0) << "the peer's clipboard was never announced";

  const int lLimit = QImageReader::allocationLimit();
  QImageReader::setAllocationLimit(1);
  cDIBSection pasted;
  try {
    pasted.CreateFromPicture(*ClipboardPicture());
  } catch (const cError& e) {
    ADD_FAILURE() << e.Description();
  }
  QImageReader::setAllocationLimit(lLimit);
  EXPECT_EQ(test::PixelBytes(pasted), test::PixelBytes(img));

  peer.closeWriteChannel();
  EXPECT_TRUE(FinishWhileServing(peer, 20000));
}

}  // namespace
}  // namespace brennic
