// Edit > Undo and Redo and File > Reopen Closed Picture through the menus.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QTest>

#include "FrameTestUtil.h"
#include "frame/cStatusStrip.h"
#include "platform/Clipboard.h"
#include "platform/mWindowing.h"
#include "support/ClipboardTestUtil.h"

namespace brennic {
namespace {

class UndoTest : public test::cFrameTest {
 protected:
  // The captions of Undo and Redo, with "-" for a disabled entry, e.g. "&Undo Blur|-&Redo".
  std::string Captions() const {
    std::string s;
    for (const char* sName : {"mnuEditHistory_0", "mnuEditHistory_1"}) {
      const QAction* pEntry = Entry(sName);
      s += (s.empty() ? "" : "|") + std::string(pEntry->isEnabled() ? "" : "-") +
           pEntry->text().toStdString();
    }
    return s;
  }
};

TEST_F(UndoTest, EntriesNameTheStepAndAreEnabledOnlyWhenThereIsOne) {
  EXPECT_EQ(Captions(), "-&Undo|-&Redo");
  // Disabled entries do nothing, not even ask for a document.
  Click("mnuEditHistory_0");
  Click("mnuEditHistory_1");
  EXPECT_TRUE(m_boxes.Shown().empty());

  frmImage* pDocument = OpenRandom("a.bmp");
  ASSERT_NE(pDocument, nullptr);
  EXPECT_EQ(Captions(), "-&Undo|-&Redo");
  const std::vector<uint8_t> original = Held(pDocument);
  Click("mnuLowPass_3");
  EXPECT_EQ(Captions(), "&Undo Blur More|-&Redo");
  const std::vector<uint8_t> blurred = Held(pDocument);
  Click("mnuColors_0");
  EXPECT_EQ(Captions(), "&Undo Darken|-&Redo");

  Click("mnuEditHistory_0");
  EXPECT_EQ(Captions(), "&Undo Blur More|&Redo Darken");
  EXPECT_EQ(Held(pDocument), blurred);
  Click("mnuEditHistory_0");
  EXPECT_EQ(Captions(), "-&Undo|&Redo Blur More");
  EXPECT_EQ(Shown(pDocument), original);
  Click("mnuEditHistory_1");
  EXPECT_EQ(Captions(), "&Undo Blur More|&Redo Darken");
  EXPECT_EQ(Shown(pDocument), blurred);
  // A new command drops what could have been redone.
  Click("mnuHighPass_2");
  EXPECT_EQ(Captions(), "&Undo Unsharp|-&Redo");

  // The shortcut (the menu tree pins the others).
  m_pMain->activateWindow();
  QApplication::setActiveWindow(m_pMain.get());
  QTest::keyClick(m_pMain.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Held(pDocument), blurred);
  EXPECT_EQ(Captions(), "&Undo Blur More|&Redo Unsharp");
  EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(UndoTest, EveryDocumentHasItsOwnHistoryAndTheEntriesFollowTheActiveOne) {
  frmImage* pFirst = OpenRandom("first.bmp");
  ASSERT_NE(pFirst, nullptr);
  Click("mnuColors_5");
  frmImage* pSecond = OpenRandom("second.bmp");
  ASSERT_NE(pSecond, nullptr);
  EXPECT_EQ(Captions(), "-&Undo|-&Redo");
  // A change outside the menus (as another window's command) shows when the menu opens.
  pSecond->ProcessImage(eEmboss);
  EXPECT_EQ(Captions(), "-&Undo|-&Redo");
  Q_EMIT m_pMain->findChild<QMenu*>("mnuEditTOP")->aboutToShow();
  EXPECT_EQ(Captions(), "&Undo Emboss|-&Redo");

  m_pMain->MdiArea()->setActiveSubWindow(Windows()[0]);
  EXPECT_EQ(Captions(), "&Undo Negative|-&Redo");
  Click("mnuEditHistory_0");
  EXPECT_EQ(std::make_pair(pFirst->Dirty(), pSecond->Dirty()), std::make_pair(false, true));
  // Closing the active document: the entries follow the one that becomes active.
  for (const char* sAfter : {"&Undo Emboss|-&Redo", "-&Undo|-&Redo"}) {
    Windows()[0]->close();
    QApplication::processEvents();
    EXPECT_EQ(Captions(), sAfter);
  }
  EXPECT_TRUE(Windows().empty());
}

TEST_F(UndoTest, ReopenClosedPictureBringsBackChangedDocumentsNewestFirstWithTheirHistory) {
  const auto close = [](frmImage* pDocument) {
    pDocument->parentWidget()->close();  // its window
    QCoreApplication::processEvents();
  };
  EXPECT_FALSE(Entry("mnuFile_4")->isEnabled());
  frmImage* pKept = OpenRandom("kept.bmp");
  ASSERT_NE(pKept, nullptr);
  const std::vector<uint8_t> original = Held(pKept);
  Click("mnuColors_0");
  const std::vector<uint8_t> darkened = Held(pKept);
  close(pKept);
  // Pictures that are the ones in their files are not kept.
  close(OpenRandom("plain.bmp"));
  frmImage* pUndone = OpenRandom("undone.bmp");
  Click("mnuColors_0");
  Click("mnuEditHistory_0");
  close(pUndone);
  ASSERT_TRUE(Entry("mnuFile_4")->isEnabled());
  EXPECT_EQ(m_pMain->ClosedPictures().Count(), 1u);

  QTest::keyClick(m_pMain.get(), Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
  frmImage* pBack = m_pMain->ActiveDocument();
  ASSERT_NE(pBack, nullptr);
  EXPECT_EQ(pBack->windowTitle().toStdString(), "Image: " + m_dir.File("kept.bmp") + "[*]");
  EXPECT_EQ(pBack->FileTitle(), "kept.bmp");
  EXPECT_TRUE(pBack->Dirty());
  EXPECT_EQ(Shown(pBack), darkened);
  EXPECT_FALSE(Entry("mnuFile_4")->isEnabled());
  EXPECT_EQ(Captions(), "&Undo Darken|-&Redo");
  Click("mnuEditHistory_0");
  EXPECT_EQ(Held(pBack), original);
  EXPECT_FALSE(pBack->Dirty());
  close(pBack);  // the file's picture again: not kept
  EXPECT_FALSE(Entry("mnuFile_4")->isEnabled());

  // A pasted picture is in no file: kept from the start, and it comes back unchanged as it was.
  test::cMemoryClipboard clipboard;
  clipboard.m_image = QImage(3, 2, QImage::Format_RGB888);
  clipboard.m_image.fill(Qt::red);
  SetClipboardService(&clipboard);
  Click("mnuEdit_2");
  SetClipboardService(nullptr);
  ASSERT_NE(m_pMain->ActiveDocument(), nullptr);
  const std::string sPasted = m_pMain->ActiveDocument()->Filename();
  close(m_pMain->ActiveDocument());
  Click("mnuFile_4");
  ASSERT_NE(m_pMain->ActiveDocument(), nullptr);
  EXPECT_EQ(m_pMain->ActiveDocument()->Filename(), sPasted);
  EXPECT_EQ(
      std::make_pair(m_pMain->ActiveDocument()->Dirty(), m_pMain->ActiveDocument()->Unsaved()),
      std::make_pair(false, true));

  // Repeated use walks back through at least the last ten.
  for (int i = 0; i < 12; ++i) {
    ASSERT_NE(OpenRandom("n" + std::to_string(i) + ".bmp", 3, 2), nullptr);
    Click("mnuColors_0");
  }
  for (QMdiSubWindow* pWindow : Windows())
    close(qobject_cast<frmImage*>(pWindow->widget()));
  for (int i = 11; i >= -1; --i) {  // the pasted one last, as it was closed first
    Click("mnuFile_4");
    ASSERT_NE(m_pMain->ActiveDocument(), nullptr);
    EXPECT_EQ(m_pMain->ActiveDocument()->Filename(),
              i < 0 ? sPasted : m_dir.File("n" + std::to_string(i) + ".bmp"));
  }
  EXPECT_FALSE(Entry("mnuFile_4")->isEnabled());
  EXPECT_TRUE(m_boxes.Shown().empty());
}

// The size goes back with the picture: the work buffer, the view, the status strip; the title
// marks a picture that differs from its file.
TEST_F(UndoTest, UndoingAResampleBringsBackTheSizeTheWorkBufferTheViewAndTheStatus) {
  frmImage* pDocument = OpenRandom("cat.bmp", 9, 7);
  ASSERT_NE(pDocument, nullptr);
  const std::vector<uint8_t> original = Held(pDocument);
  const std::string sTitle = "Image: " + m_dir.File("cat.bmp");
  // Title, status labels, work buffer and view sizes, changed flag.
  const auto state = [&] {
    const cStatusStrip* pStrip = m_pMain->StatusStrip();
    const QSize view = pDocument->picImage()->size();
    return ShownTitle(*Windows()[0]).toStdString() + "|" +
           (pStrip->ImageLabel()->text() + "|" + pStrip->SizeLabel()->text()).toStdString() + "|" +
           std::to_string(pDocument->Document().Work().Width()) + "x" +
           std::to_string(pDocument->Document().Work().Height()) + "|" +
           std::to_string(view.width()) + "x" + std::to_string(view.height()) +
           (pDocument->Dirty() ? "|changed" : "");
  };
  const std::string sOriginal = sTitle + "|cat.bmp |9 x 7 |9x7|9x7";
  const std::string sResampled = sTitle + "*|cat.bmp |20 x 3 |20x3|20x3|changed";
  m_pMain->RunCommand([pDocument] { pDocument->Resample(20, 3); });
  EXPECT_EQ(Captions(), "&Undo Resample|-&Redo");
  EXPECT_EQ(state(), sResampled);
  const std::vector<uint8_t> resampled = Held(pDocument);
  Click("mnuEditHistory_0");
  EXPECT_EQ(state(), sOriginal);
  EXPECT_EQ(Shown(pDocument), original);
  Click("mnuEditHistory_1");
  EXPECT_EQ(state(), sResampled);
  EXPECT_EQ(Shown(pDocument), resampled);
}

}  // namespace
}  // namespace brennic
