// The main window with real documents: the close walk and what it stores, the recent files after
// a restart, the Window menu's arrangements and list, activation, the progress bar painted while
// an operation holds the event loop, and files named on the command line.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QThread>
#include <memory>

#include "FrameTestUtil.h"
#include "frame/cStatusStrip.h"
#include "platform/ProgressBar.h"

namespace brennic {
namespace {

using test::cFrameTest;
using test::cTestMain;

// A document changed by the one colour command that needs no more than the engine's combination.
frmImage* Changed(frmImage* pDocument) {
  if (pDocument != nullptr) pDocument->NegativeImage();
  return pDocument;
}

std::vector<uint8_t> Dword(uint32_t l) {
  return {static_cast<uint8_t>(l), static_cast<uint8_t>(l >> 8), static_cast<uint8_t>(l >> 16),
          static_cast<uint8_t>(l >> 24)};
}

// --- Start-up -----------------------------------------------------------------------------------

TEST_F(cFrameTest, TheStoredWindowPositionIsReadInTwips) {
  const auto text = [](const std::string& s) {
    std::vector<uint8_t> bytes(s.begin(), s.end());
    bytes.push_back(0);
    return bytes;
  };
  ASSERT_TRUE(test::PutRawValue(m_registry.Store(), kHKeyCurrentUser, "Software\\Window Position",
                                "Left", kRegSz, text("1500")));
  ASSERT_TRUE(test::PutRawValue(m_registry.Store(), kHKeyCurrentUser, "Software\\Window Position",
                                "Top", kRegSz, text("not a number")));
  m_pMain->move(7, 9);
  m_pMain->ApplyStoredWindowPosition();
  EXPECT_EQ(m_pMain->pos(), QPoint(100, 9));
  EXPECT_TRUE(m_boxes.Shown().empty());
  // Start-up places the window at the middle of the screen all the same.
  m_pMain->Load();
  EXPECT_EQ(m_pMain->pos(), QPoint(860, 440));
}

// --- Closing ------------------------------------------------------------------------------------

TEST_F(cFrameTest, FirstRunShowsNoRecentFilesAndClosingStoresAnEmptyList) {
  for (int32_t i = 5; i <= 9; ++i)
    EXPECT_FALSE(Entry("mnuFile_" + std::to_string(i))->isVisible());
  EXPECT_EQ(m_pMain->RecentFiles().MaxFileCount(), 4);
  bool bCancel = false;
  m_pMain->QueryUnload(bCancel, vbFormControlMenu);
  EXPECT_FALSE(bCancel);
  EXPECT_EQ(m_pMain->iEnded, 1);
  EXPECT_EQ(Stored("MaxCount"), std::make_pair(uint32_t{kRegDword}, Dword(4)));
  EXPECT_EQ(Stored("Count"), std::make_pair(uint32_t{kRegDword}, Dword(0)));
}

TEST_F(cFrameTest, ACancelledQuestionRefusesTheCloseAndAsksNoFurther) {
  ASSERT_NE(Changed(Open(Picture("first.bmp"))), nullptr);
  ASSERT_NE(Changed(Open(Picture("second.bmp"))), nullptr);
  m_boxes.Answer(eMsgResult::Cancel);
  bool bCancel = false;
  m_pMain->QueryUnload(bCancel, vbFormControlMenu);
  EXPECT_TRUE(bCancel);
  ASSERT_EQ(m_boxes.Shown().size(), 1u);
  EXPECT_EQ(m_boxes.Shown()[0].sText,
            "The image 'first.bmp' has been changed.\r\n\r\nDo you want to save it?");
  EXPECT_EQ(m_pMain->iEnded, 0);
  EXPECT_EQ(Stored("Count").first, 0xFFFFu);
  EXPECT_EQ(Windows().size(), 2u);
}

TEST_F(cFrameTest, TheWalkAsksEveryChangedDocumentThenStoresAndEnds) {
  ASSERT_NE(Changed(Open(Picture("first.bmp"))), nullptr);
  ASSERT_NE(Open(Picture("clean.bmp")), nullptr);
  frmImage* pThird = Changed(Open(Picture("third.bmp")));
  ASSERT_NE(pThird, nullptr);
  m_boxes.Answer(eMsgResult::No);
  m_boxes.Answer(eMsgResult::Yes);
  const std::string sSaved = m_dir.File("third saved.bmp");
  m_dialogs.ChooseFiles({sSaved});
  m_pMain->close();  // from program code: reason 1
  EXPECT_EQ(m_pMain->iEnded, 1);
  ASSERT_EQ(m_boxes.Shown().size(), 2u);
  EXPECT_NE(m_boxes.Shown()[0].sText.find("'first.bmp'"), std::string::npos);
  EXPECT_NE(m_boxes.Shown()[1].sText.find("'third.bmp'"), std::string::npos);
  EXPECT_FALSE(pThird->Dirty());
  // The list stored holds the saved file first.
  EXPECT_EQ(Stored("Count"), std::make_pair(uint32_t{kRegDword}, Dword(4)));
  const std::vector<uint8_t> sFirst = Stored("File1").second;
  EXPECT_EQ(std::string(sFirst.begin(), sFirst.end()).c_str(), sSaved);
}

TEST_F(cFrameTest, SessionEndAndTerminationAskNothingAndStoreTheList) {
  ASSERT_NE(Changed(Open(Picture("first.bmp"))), nullptr);
  for (int16_t iMode : {vbAppWindows, vbAppTaskManager}) {
    SCOPED_TRACE(iMode);
    bool bCancel = false;
    m_pMain->QueryUnload(bCancel, iMode);
    EXPECT_FALSE(bCancel);
  }
  EXPECT_TRUE(m_boxes.Shown().empty());
  EXPECT_EQ(m_pMain->iEnded, 2);
  EXPECT_EQ(Stored("Count"), std::make_pair(uint32_t{kRegDword}, Dword(1)));
}

// A name need not be UTF-8 (here Latin-1): it is opened, listed and stored byte for byte.
TEST_F(cFrameTest, TheRecentFilesComeBackAfterARestart) {
  const std::string sA = Picture("caf\xe9.bmp");
  const std::string sB = Picture("b.bmp");
  ASSERT_NE(Open(sA), nullptr);
  ASSERT_NE(Open(sB), nullptr);
  m_pMain->close();
  ASSERT_EQ(m_pMain->iEnded, 1);
  m_pMain.reset();

  // A second run reads the same store.
  m_pMain = std::make_unique<cTestMain>();
  m_pMain->Load();
  EXPECT_EQ(m_pMain->RecentFiles().FileCount(), 2);
  EXPECT_EQ(m_pMain->RecentFiles().File(1), sB);
  EXPECT_TRUE(Entry("mnuFile_5")->isVisible());
  EXPECT_TRUE(Entry("mnuFile_5")->text().startsWith("&1)  "));
  EXPECT_TRUE(Entry("mnuFile_5")->text().endsWith("b.bmp"));
  EXPECT_TRUE(Entry("mnuFile_6")->text().startsWith("&2)  "));
  EXPECT_TRUE(Entry("mnuFile_6")->text().endsWith(QString::fromUtf8("caf\uFFFD.bmp")));
  EXPECT_FALSE(Entry("mnuFile_7")->isVisible());
  EXPECT_TRUE(Entry("mnuFile_9")->isVisible());
  EXPECT_TRUE(Windows().empty());

  const size_t lRequests = m_dialogs.FileRequests().size();
  Click("mnuFile_6");
  ASSERT_NE(m_pMain->ActiveDocument(), nullptr);
  EXPECT_EQ(m_pMain->ActiveDocument()->Filename(), sA);
  EXPECT_EQ(m_dialogs.FileRequests().size(), lRequests);
}

// --- Window menu
// ----------------------------------------------------------------------------------

class WindowMenuTest : public cFrameTest {
 protected:
  void SetUp() override {
    cFrameTest::SetUp();
    m_pMain->resize(800, 600);
    for (const char* sName : {"one.bmp", "two.bmp", "three.bmp"}) {
      ASSERT_NE(Open(Picture(sName, 300, 200)), nullptr);
    }
    m_area = m_pMain->MdiArea()->viewport()->rect();
  }
  QRect m_area;
};

TEST_F(WindowMenuTest, TileHorizontallyPutsTheDocumentsOneAboveAnother) {
  Click("mnuWindow_0");
  const std::vector<QMdiSubWindow*> windows = Windows();
  const int h = m_area.height();
  EXPECT_EQ(windows[0]->geometry(), QRect(0, 0, m_area.width(), h / 3));
  EXPECT_EQ(windows[1]->geometry(), QRect(0, h / 3, m_area.width(), 2 * h / 3 - h / 3));
  EXPECT_EQ(windows[2]->geometry(), QRect(0, 2 * h / 3, m_area.width(), h - 2 * h / 3));
}

TEST_F(WindowMenuTest, TileVerticallyPutsTheDocumentsSideBySide) {
  Click("mnuWindow_1");
  const std::vector<QMdiSubWindow*> windows = Windows();
  const int w = m_area.width();
  EXPECT_EQ(windows[0]->geometry(), QRect(0, 0, w / 3, m_area.height()));
  EXPECT_EQ(windows[1]->geometry(), QRect(w / 3, 0, 2 * w / 3 - w / 3, m_area.height()));
  EXPECT_EQ(windows[2]->geometry(), QRect(2 * w / 3, 0, w - 2 * w / 3, m_area.height()));
}

TEST_F(WindowMenuTest, CascadeStepsTheDocumentsDownAndRight) {
  Click("mnuWindow_0");
  Click("mnuWindow_2");
  const std::vector<QMdiSubWindow*> windows = Windows();
  EXPECT_LT(windows[0]->x(), windows[1]->x());
  EXPECT_LT(windows[0]->y(), windows[1]->y());
  EXPECT_LT(windows[1]->x(), windows[2]->x());
  EXPECT_LT(windows[1]->y(), windows[2]->y());
}

TEST_F(WindowMenuTest, ArrangeIconsLinesMinimisedDocumentsUpAlongTheBottom) {
  std::vector<QMdiSubWindow*> windows = Windows();
  windows[0]->showMinimized();
  windows[2]->showMinimized();
  windows[0]->move(300, 10);
  windows[2]->move(100, 100);
  Click("mnuWindow_3");
  const QSize icon = windows[0]->size();
  EXPECT_EQ(windows[0]->pos(), QPoint(0, m_area.height() - icon.height()));
  EXPECT_EQ(windows[2]->pos(), QPoint(icon.width(), m_area.height() - windows[2]->height()));
  // Tiling leaves the row of icons free.
  Click("mnuWindow_0");
  EXPECT_EQ(windows[1]->geometry(), QRect(0, 0, m_area.width(), m_area.height() - icon.height()));
  EXPECT_TRUE(windows[0]->isMinimized());
}

TEST_F(WindowMenuTest, TheWindowListNamesTheDocumentsAndActivatesTheChosenOne) {
  auto* pMenu = m_pMain->findChild<QMenu*>("mnuWindowTop");
  ASSERT_NE(pMenu, nullptr);
  emit pMenu->aboutToShow();
  const QList<QAction*> actions = pMenu->actions();
  ASSERT_EQ(actions.size(), 4 + 1 + 3);
  EXPECT_TRUE(actions[4]->isSeparator());
  EXPECT_EQ(actions[5]->text().toStdString(), "&1 Image: " + m_dir.File("one.bmp"));
  EXPECT_EQ(actions[6]->text().toStdString(), "&2 Image: " + m_dir.File("two.bmp"));
  EXPECT_EQ(actions[7]->text().toStdString(), "&3 Image: " + m_dir.File("three.bmp"));
  EXPECT_FALSE(actions[5]->isChecked());
  EXPECT_TRUE(actions[7]->isChecked());

  actions[5]->trigger();
  ASSERT_NE(m_pMain->ActiveDocument(), nullptr);
  EXPECT_EQ(m_pMain->ActiveDocument()->FileTitle(), "one.bmp");
  // Activation shows the document's title and size and keeps the message.
  EXPECT_EQ(m_pMain->StatusStrip()->ImageLabel()->text(), "one.bmp ");
  EXPECT_EQ(m_pMain->StatusStrip()->SizeLabel()->text(), "300 x 200 ");
  EXPECT_EQ(m_pMain->StatusStrip()->MainText(), "Opened " + m_dir.File("three.bmp") + ".");

  // The list follows the documents: a closed one disappears, and "&" stays a plain character.
  Windows()[1]->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_NE(Open(Picture("R&D.bmp")), nullptr);
  emit pMenu->aboutToShow();
  ASSERT_EQ(pMenu->actions().size(), 4 + 1 + 3);
  EXPECT_EQ(pMenu->actions()[6]->text().toStdString(), "&2 Image: " + m_dir.File("three.bmp"));
  EXPECT_EQ(pMenu->actions()[7]->text().toStdString(), "&3 Image: " + m_dir.File("R&&D.bmp"));
  EXPECT_EQ(LoadedWindows().Count(), 4);
}

TEST_F(WindowMenuTest, AClosedDocumentLeavesTheCollectionAtOnce) {
  frmImage* pFirst = qobject_cast<frmImage*>(Windows()[0]->widget());
  ASSERT_NE(pFirst, nullptr);
  pFirst->NegativeImage();
  Windows()[0]->close();
  // Closing discards without asking, and a later close request does not ask either.
  EXPECT_TRUE(m_boxes.Shown().empty());
  EXPECT_EQ(LoadedWindows().Count(), 3);
  bool bCancel = false;
  m_pMain->QueryUnload(bCancel, vbFormControlMenu);
  EXPECT_FALSE(bCancel);
  EXPECT_TRUE(m_boxes.Shown().empty());
}

// --- Progress while an operation runs
// -------------------------------------------------------------

class cPaintCounter final : public QObject {
 public:
  int iPaints = 0;

 protected:
  bool eventFilter(QObject* pWatched, QEvent* pEvent) override {
    if (pEvent->type() == QEvent::Paint) ++iPaints;
    return QObject::eventFilter(pWatched, pEvent);
  }
};

TEST_F(cFrameTest, TheProgressBarIsPaintedAtOnceButNotForEveryColumn) {
  ProgressBar* pBar = m_pMain->StatusStrip()->Progress();
  ASSERT_NE(pBar->hwnd(), nullptr);
  cPaintCounter counter;
  pBar->hwnd()->Widget()->installEventFilter(&counter);
  QCoreApplication::processEvents();

  // Nothing below processes events: every paint counted is a synchronous one.
  m_pMain->ProgressMax(4000);
  m_pMain->ProgressValue(0);
  m_pMain->ShowProgress(true);
  EXPECT_EQ(counter.iPaints, 1);
  // Columns that do not lengthen the bar draw nothing.
  for (int32_t l = 1; l <= 10; ++l)
    m_pMain->ProgressValue(l);
  EXPECT_EQ(counter.iPaints, 1);
  QThread::msleep(40);
  QElapsedTimer sincePaint;
  sincePaint.start();
  m_pMain->ProgressValue(2000);
  EXPECT_EQ(counter.iPaints, 2);
  // Too soon after the last paint, even though the bar grew (unless this machine stalled).
  m_pMain->ProgressValue(3000);
  if (sincePaint.elapsed() < cStatusStrip::kProgressRepaintMs) {
    EXPECT_EQ(counter.iPaints, 2);
  }
  QThread::msleep(40);
  const int iBefore = counter.iPaints;
  m_pMain->ProgressValue(3500);
  EXPECT_EQ(counter.iPaints, iBefore + 1);
  EXPECT_EQ(pBar->Position(), 3500);

  // A long run of columns paints once per interval at most.
  const int iBeforeRun = counter.iPaints;
  QElapsedTimer clock;
  clock.start();
  for (int32_t l = 0; l < 4000; ++l) {
    m_pMain->ProgressValue(l);
    if (l % 40 == 0) QThread::usleep(1000);
  }
  EXPECT_GT(counter.iPaints, iBeforeRun);
  EXPECT_LE(counter.iPaints - iBeforeRun, clock.elapsed() / cStatusStrip::kProgressRepaintMs + 1);
  m_pMain->ShowProgress(false);
  EXPECT_TRUE(pBar->isHidden());
}

// --- The command line ----------------------------------------------------------------------------

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
  EXPECT_EQ(windows[0]->windowTitle(), QString::fromStdString("Image: " + sA));
  EXPECT_EQ(windows[1]->windowTitle().toStdString(), "Image: " + sB);
  EXPECT_EQ(m_pMain->RecentFiles().File(1), sB);
  EXPECT_EQ(m_pMain->RecentFiles().File(2), sA);
  EXPECT_EQ(m_pMain->ActiveDocument()->FileTitle(), "b.bmp");
  ASSERT_EQ(m_boxes.Shown().size(), 1u);
  EXPECT_TRUE(m_boxes.Shown()[0].sText.starts_with("An error occured trying to open this file: "));
  EXPECT_TRUE(m_dialogs.FileRequests().empty());
}

}  // namespace
}  // namespace brennic
