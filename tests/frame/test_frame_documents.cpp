// The main window with real documents: closing, the Window menu, long operations, recovery.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <fstream>

#include "FrameTestUtil.h"
#include "frame/cOperationGuard.h"
#include "frame/cStatusStrip.h"
#include "platform/ProgressBar.h"
#include "platform/mWindowing.h"

namespace brennic {
namespace {

using test::cFrameTest;

// A document changed by the one colour command that needs no more than the engine's combination.
frmImage* Changed(frmImage* pDocument) {
  if (pDocument != nullptr) pDocument->NegativeImage();
  return pDocument;
}

// A number as the settings store holds it.
std::pair<uint32_t, std::vector<uint8_t>> Dword(uint8_t l) {
  return {kRegDword, {l, 0, 0, 0}};
}

// Text values that read as numbers are applied (in twips), anything else is passed over silently.
TEST_F(cFrameTest, TheStoredWindowPositionIsReadInTwips) {
  for (const auto& [sName, sValue] : {std::pair{"Left", "1500"}, {"Top", "not a number"}}) {
    ASSERT_TRUE(test::PutRawValue(m_registry.Store(), kHKeyCurrentUser, "Software\\Window Position",
                                  sName, kRegSz,
                                  std::vector<uint8_t>(sValue, sValue + std::strlen(sValue) + 1)));
  }
  m_pMain->move(7, 9);
  m_pMain->ApplyStoredWindowPosition();
  EXPECT_EQ(m_pMain->pos(), QPoint(100, 9));
  EXPECT_TRUE(m_boxes.Shown().empty());
}

// Exit ends at once, asking and storing nothing. The close walk asks every changed document in
// turn; a cancelled question refuses the close and asks no further. Session end and termination
// ask nothing and store the list; answered questions let the close store it (the saved file
// first) and end.
TEST_F(cFrameTest, ExitTheCloseWalkAndTheSessionEndStoreTheListAsTheyMay) {
  ASSERT_NE(Changed(Open(Picture("first.bmp"))), nullptr);
  ASSERT_NE(Open(Picture("clean.bmp")), nullptr);
  frmImage* pThird = Changed(Open(Picture("third.bmp")));
  ASSERT_NE(pThird, nullptr);
  Click("mnuFile_10");
  EXPECT_EQ(m_pMain->iEnded, 1);
  EXPECT_TRUE(m_boxes.Shown().empty());
  m_boxes.Answer(eMsgResult::Cancel);
  bool bCancel = false;
  m_pMain->QueryUnload(bCancel, vbFormControlMenu);
  EXPECT_TRUE(bCancel);
  ASSERT_EQ(m_boxes.Shown().size(), 1u);
  EXPECT_EQ(m_boxes.Shown()[0].sText,
            "The image 'first.bmp' has been changed.\r\n\r\nDo you want to save it?");
  EXPECT_EQ(m_pMain->iEnded, 1);
  EXPECT_EQ(Stored("Count").first, 0xFFFFu);
  for (int16_t iMode : {vbAppWindows, vbAppTaskManager}) {
    bCancel = false;
    m_pMain->QueryUnload(bCancel, iMode);
    EXPECT_FALSE(bCancel) << iMode;
  }
  EXPECT_EQ(m_boxes.Shown().size(), 1u);
  EXPECT_EQ(m_pMain->iEnded, 3);
  EXPECT_EQ(Stored("Count"), Dword(3));

  m_boxes.Answer(eMsgResult::No);
  m_boxes.Answer(eMsgResult::Yes);
  const std::string sSaved = m_dir.File("third saved.bmp");
  m_dialogs.ChooseFiles({sSaved});
  m_pMain->close();  // from program code: reason 1
  EXPECT_EQ(m_pMain->iEnded, 4);
  ASSERT_EQ(m_boxes.Shown().size(), 3u);
  EXPECT_NE(m_boxes.Shown()[1].sText.find("'first.bmp'"), std::string::npos);
  EXPECT_NE(m_boxes.Shown()[2].sText.find("'third.bmp'"), std::string::npos);
  EXPECT_FALSE(pThird->Dirty());
  EXPECT_EQ(std::pair(Stored("MaxCount"), Stored("Count")), std::pair(Dword(4), Dword(4)));
  const std::vector<uint8_t> sFirst = Stored("File1").second;
  EXPECT_EQ(std::string(sFirst.begin(), sFirst.end()).c_str(), sSaved);
}

// Tiling in thirds side by side (one row: the rest is layout); the list names the documents (a
// checked one active), activates the chosen one and follows them; "&" stays a plain character.
TEST_F(cFrameTest, TheWindowMenuTilesAndListsTheDocuments) {
  m_pMain->resize(800, 600);
  for (const char* sName : {"one.bmp", "two.bmp", "three.bmp"})
    ASSERT_NE(Open(Picture(sName, 300, 200)), nullptr);
  const std::vector<QMdiSubWindow*> windows = Windows();
  const int w = m_pMain->MdiArea()->viewport()->width();
  const int h = m_pMain->MdiArea()->viewport()->height();
  Click("mnuWindow_1");
  EXPECT_EQ(windows[1]->geometry(), QRect(w / 3, 0, 2 * w / 3 - w / 3, h));

  auto* pMenu = m_pMain->findChild<QMenu*>("mnuWindowTop");
  ASSERT_NE(pMenu, nullptr);
  const auto list = [pMenu] {
    emit pMenu->aboutToShow();
    std::vector<std::string> entries;
    for (const QAction* p : pMenu->actions().mid(4))
      entries.push_back((p->isSeparator() ? "-" : "") + std::string(p->isChecked() ? "* " : "") +
                        p->text().toStdString());
    return entries;
  };
  const std::string sImage = "Image: " + m_dir.File("");
  m_pMain->MdiArea()->setActiveSubWindow(windows[2]);
  EXPECT_EQ(list(),
            (std::vector<std::string>{"-", "&1 " + sImage + "one.bmp", "&2 " + sImage + "two.bmp",
                                      "* &3 " + sImage + "three.bmp"}));
  pMenu->actions()[5]->trigger();
  ASSERT_NE(m_pMain->ActiveDocument(), nullptr);
  EXPECT_EQ(m_pMain->ActiveDocument()->FileTitle(), "one.bmp");
  // Activation shows the document's title and size and keeps the message.
  const cStatusStrip* pStrip = m_pMain->StatusStrip();
  EXPECT_EQ(pStrip->ImageLabel()->text() + "|" + pStrip->SizeLabel()->text(),
            "one.bmp |300 x 200 ");
  EXPECT_EQ(pStrip->MainText(), "Opened " + m_dir.File("three.bmp") + ".");
  Windows()[1]->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_NE(Open(Picture("R&D.bmp")), nullptr);
  EXPECT_EQ(list(),
            (std::vector<std::string>{"-", "&1 " + sImage + "one.bmp", "&2 " + sImage + "three.bmp",
                                      "* &3 " + sImage + "R&&D.bmp"}));
}

class cPaintCounter final : public QObject {
 public:
  int iPaints = 0;

 protected:
  bool eventFilter(QObject* pWatched, QEvent* pEvent) override {
    if (pEvent->type() == QEvent::Paint) ++iPaints;
    return QObject::eventFilter(pWatched, pEvent);
  }
};

// A long operation reports progress while it holds the event loop: the bar shows at once, the
// windows paint about every 30 ms (not for every column), and what the person does meanwhile is
// refused, not queued to run after the operation.
TEST_F(cFrameTest, DuringAnOperationTheWindowsPaintAndInputIsRefused) {
  ProgressBar* pBar = m_pMain->StatusStrip()->Progress();
  ASSERT_NE(pBar->hwnd(), nullptr);
  cPaintCounter counter;
  pBar->hwnd()->Widget()->installEventFilter(&counter);
  QLineEdit probe;
  probe.show();
  QCoreApplication::processEvents();

  m_pMain->ProgressMax(4000);
  m_pMain->ProgressValue(0);
  m_pMain->ShowProgress(true);
  EXPECT_GE(counter.iPaints, 1) << "the bar shows from the start";
  const auto press = [&probe] {
    QCoreApplication::postEvent(&probe,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x"));
  };
  press();
  QCoreApplication::postEvent(m_pMain.get(), new QCloseEvent());

  QElapsedTimer clock;
  clock.start();
  const int iAtStart = counter.iPaints;
  int64_t lColumns = 0;
  while (counter.iPaints < iAtStart + 3 && clock.elapsed() < 20000) {
    m_pMain->ProgressValue(static_cast<int32_t>(lColumns++ % 4000));
    if (lColumns % 64 == 0) QThread::usleep(500);
  }
  EXPECT_GE(counter.iPaints, iAtStart + 3) << "the bar was not painted while the work ran";
  EXPECT_LE(counter.iPaints - iAtStart, clock.elapsed() / cOperationGuard::kKeepAliveMs + 2);
  press();
  m_pMain->ShowProgress(false);
  QCoreApplication::processEvents();
  EXPECT_EQ(probe.text(), "") << "a key given during the operation ran afterwards";
  EXPECT_EQ(m_pMain->iEnded, 0) << "a close request given during the operation ran";

  // Afterwards input reaches the windows again.
  press();
  QCoreApplication::processEvents();
  EXPECT_EQ(probe.text(), "x");
}

// Escape or the strip's Cancel button stops a running operation: the picture is exactly as before,
// no step is added, the changed state stays, and the strip says so. Uncancelled, the same
// command runs to its end.
TEST_F(cFrameTest, EscapeOrTheCancelButtonStopsAnOperationAndPutsThePictureBack) {
  frmImage* pDocument = OpenRandom("noise.bmp", 64, 48);
  ASSERT_NE(pDocument, nullptr);
  const std::vector<uint8_t> before = Held(pDocument);
  cStatusStrip& strip = *m_pMain->StatusStrip();
  QPushButton* pCancel = strip.CancelButton();
  for (const bool bButton : {false, true}) {
    SCOPED_TRACE(bButton ? "Cancel button" : "Escape");
    // Queued now, taken while the operation runs.
    if (bButton) {
      const QPointF at = QRectF(pCancel->rect()).center();
      for (const QEvent::Type eType : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QCoreApplication::postEvent(
            pCancel, new QMouseEvent(eType, at, pCancel->mapToGlobal(at), Qt::LeftButton,
                                     Qt::LeftButton, Qt::NoModifier));
      }
    } else {
      QCoreApplication::postEvent(m_pMain.get(),
                                  new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    }
    Click("mnuLowPass_2");
    EXPECT_EQ(Held(pDocument), before);
    EXPECT_FALSE(pDocument->Dirty());
    EXPECT_FALSE(pDocument->History().CanUndo());
    EXPECT_EQ(strip.MainText(), "Cancelled");
    EXPECT_TRUE(strip.Progress()->isHidden());
    EXPECT_TRUE(pCancel->isHidden());
    EXPECT_TRUE(m_boxes.Shown().empty());
  }
  Click("mnuLowPass_2");
  EXPECT_NE(Held(pDocument), before);
  EXPECT_TRUE(pDocument->History().CanUndo());
  EXPECT_TRUE(strip.MainText().starts_with("Complete."));
}

// Ctrl+W and the window's own close discard without asking, the document leaves the
// collection at once, and a later close request asks nothing either.
TEST_F(cFrameTest, CtrlWAndTheCloseBoxCloseADocumentWithoutAsking) {
  for (const char* sName : {"a.bmp", "b.bmp", "c.bmp"})
    Changed(Open(Picture(sName)));
  m_pMain->activateWindow();
  QCoreApplication::processEvents();
  QTest::keyClick(m_pMain.get(), Qt::Key_W, Qt::ControlModifier);
  ASSERT_EQ(Windows().size(), 2u);
  EXPECT_EQ(qobject_cast<frmImage*>(Windows()[1]->widget())->Filename(), m_dir.File("b.bmp"));
  Windows()[0]->close();
  EXPECT_EQ(LoadedWindows().Count(), 2);  // the main window and one document
  EXPECT_TRUE(m_boxes.Shown().empty());
  Windows()[0]->close();  // changed too
  bool bCancel = false;
  m_pMain->QueryUnload(bCancel, vbFormControlMenu);
  EXPECT_FALSE(bCancel);
  EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(cFrameTest, PicturesInNoFileComeBackAfterExitAndGoWhenSavedOrAllQuestionsAreAnswered) {
  const test::cTempDir recovery;
  qputenv(kRecoveryEnvironment, QByteArray::fromStdString(recovery.Path().string()));
  const auto restart = [this] {
    m_pMain.reset();  // as a kill leaves it: no window closes, nothing is asked
    m_pMain = std::make_unique<test::cTestMain>();
    m_pMain->Load();
  };
  const auto kept = [&recovery] {
    size_t n = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(recovery.Path()))
      n += entry.path().extension() == ".brec" ? 1 : 0;
    return n;
  };
  restart();
  EXPECT_TRUE(m_boxes.Shown().empty());
  ASSERT_NE(Open(Picture("a.bmp")), nullptr);
  Click("mnuColors_5");
  const std::vector<uint8_t> changed = Held(m_pMain->ActiveDocument());
  ASSERT_NE(Open(Picture("b.bmp")), nullptr);  // as in its file: nothing to keep
  ASSERT_NE(Open(Picture("c.bmp")), nullptr);
  Click("mnuColors_5");
  m_pMain->Recovery()->Flush();
  EXPECT_EQ(kept(), 2u);
  m_dialogs.ChooseFiles({m_dir.File("c2.bmp")});
  Click("mnuFile_1");
  Click("mnuFile_10");  // Exit: nothing asked, the data stays
  EXPECT_EQ(m_pMain->iEnded, 1);
  EXPECT_EQ(kept(), 1u);

  m_boxes.Answer(eMsgResult::Yes);
  restart();
  ASSERT_EQ(m_boxes.Shown().size(), 1u);
  EXPECT_EQ(m_boxes.Shown()[0].sText,
            "Restore the pictures that were not saved when Brennic last closed?\r\n\r\na.bmp");
  ASSERT_EQ(Windows().size(), 1u);
  frmImage* pBack = m_pMain->ActiveDocument();
  ASSERT_NE(pBack, nullptr);
  EXPECT_EQ(pBack->Filename(), m_dir.File("a.bmp"));
  EXPECT_EQ(pBack->FileTitle(), "a.bmp");
  EXPECT_TRUE(pBack->Dirty());
  EXPECT_EQ(Held(pBack), changed);
  m_pMain->Recovery()->Flush();
  EXPECT_EQ(kept(), 1u);  // now under this copy

  // Every question answered (No): the data goes with the program.
  m_boxes.Answer(eMsgResult::No);
  bool bCancel = false;
  m_pMain->QueryUnload(bCancel, vbFormCode);
  EXPECT_FALSE(bCancel);
  EXPECT_EQ(kept(), 0u);
  restart();
  EXPECT_EQ(m_boxes.Shown().size(), 2u);  // the save question only

  // Answered No at the start, the pictures' data is deleted; a damaged file is named once and
  // stays.
  ASSERT_NE(Open(Picture("d.bmp")), nullptr);
  Click("mnuColors_5");
  const std::filesystem::path damaged = recovery.Path() / "1-gone" / "picture-1.brec";
  std::filesystem::create_directories(damaged.parent_path());
  std::ofstream(damaged) << "BRNRECV";
  m_boxes.Answer(eMsgResult::OK);
  m_boxes.Answer(eMsgResult::No);
  restart();
  ASSERT_EQ(m_boxes.Shown().size(), 4u);
  EXPECT_EQ(m_boxes.Shown()[2].sText,
            "These files in the recovery folder could not be read; they were left there:\r\n" +
                damaged.string());
  EXPECT_EQ(m_boxes.Shown()[3].sText,
            "Restore the pictures that were not saved when Brennic last closed?\r\n\r\nd.bmp");
  EXPECT_TRUE(Windows().empty());
  EXPECT_EQ(kept(), 1u);
  EXPECT_TRUE(std::filesystem::exists(damaged));

  // A folder that cannot be made is told at start.
  const std::string sBad = Picture("plain.bmp") + "/recovery";
  qputenv(kRecoveryEnvironment, QByteArray::fromStdString(sBad));
  restart();
  ASSERT_EQ(m_boxes.Shown().size(), 5u);
  EXPECT_EQ(m_boxes.Shown()[4].sText,
            "Pictures that are not saved cannot be kept for recovery: the folder '" + sBad +
                "' cannot be used.");
  qputenv(kRecoveryEnvironment, "off");
}

TEST_F(cFrameTest, FilesOnTheCommandLineOpenAsFileOpenOpensThem) {
  const std::string sA = Picture("caf\xe9.bmp");
  const std::string sB = Picture("b.bmp", 7, 5);
  const QString sPrevious = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(m_dir.Path().string())));
  m_pMain->OpenFiles({"caf\xe9.bmp", "", sB, "missing.bmp"});
  QDir::setCurrent(sPrevious);

  const std::vector<QMdiSubWindow*> windows = Windows();
  ASSERT_EQ(windows.size(), 2u);
  // Relative names become full paths, as the open dialog gives them.
  EXPECT_EQ(ShownTitle(*windows[0]), QString::fromStdString("Image: " + sA));
  EXPECT_EQ(ShownTitle(*windows[1]).toStdString(), "Image: " + sB);
  EXPECT_EQ(m_pMain->RecentFiles().File(1) + "|" + m_pMain->RecentFiles().File(2), sB + "|" + sA);
  ASSERT_EQ(m_boxes.Shown().size(), 1u);
  EXPECT_TRUE(m_boxes.Shown()[0].sText.starts_with("An error occured trying to open this file: "));
  EXPECT_TRUE(m_dialogs.FileRequests().empty());
}

}  // namespace
}  // namespace brennic
