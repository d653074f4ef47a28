// Edit > Undo and Redo through the menus: their captions and enabled state as documents change,
// come and go; exact pictures and sizes; the changed flag through saving, undoing and redoing;
// failing commands; the shortcuts.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <random>

#include "FrameTestUtil.h"
#include "platform/Clipboard.h"
#include "platform/cPictureBox.h"
#include "support/ClipboardTestUtil.h"

namespace brennic {
namespace {

using test::cFrameTest;

class UndoTest : public cFrameTest {
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
  // A document of random pixels, opened through File > Open.
  frmImage* OpenRandom(const std::string& sName, int32_t lWidth = 9, int32_t lHeight = 7) {
    std::mt19937 rng(static_cast<uint32_t>(sName.size()));
    const std::string sPath = m_dir.File(sName);
    test::WriteBitmap(sPath, *test::MakeRandomImage(lWidth, lHeight, rng));
    return Open(sPath);
  }
  static std::vector<uint8_t> Shown(frmImage* pDocument) {
    return test::DisplayBytes(pDocument->picImage()->Image());
  }
  static std::vector<uint8_t> Held(frmImage* pDocument) {
    return test::DisplayBytes(pDocument->Document().Picture());
  }
};

TEST_F(UndoTest, EntriesNameTheStepAndAreEnabledOnlyWhenThereIsOne) {
  BRENNIC_SKIP_WITHOUT_ENGINE("blur-more");
  BRENNIC_SKIP_WITHOUT_ENGINE("darken");
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
  EXPECT_EQ(Shown(pDocument), blurred);
  Click("mnuEditHistory_0");
  EXPECT_EQ(Captions(), "-&Undo|&Redo Blur More");
  EXPECT_EQ(Shown(pDocument), original);
  Click("mnuEditHistory_1");
  EXPECT_EQ(Captions(), "&Undo Blur More|&Redo Darken");
  EXPECT_EQ(Shown(pDocument), blurred);
  // A new command drops what could have been redone.
  Click("mnuHighPass_2");
  EXPECT_EQ(Captions(), "&Undo Unsharp|-&Redo");
  const std::vector<uint8_t> sharpened = Held(pDocument);

  // The shortcuts: Ctrl+Z back, Ctrl+Y and Ctrl+Shift+Z again; a disabled entry's does nothing.
  m_pMain->activateWindow();
  QApplication::setActiveWindow(m_pMain.get());
  QTest::keyClick(m_pMain.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Held(pDocument), blurred);
  EXPECT_EQ(Captions(), "&Undo Blur More|&Redo Unsharp");
  QTest::keyClick(m_pMain.get(), Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(Held(pDocument), sharpened);
  QTest::keyClick(m_pMain.get(), Qt::Key_Z, Qt::ControlModifier);
  QTest::keyClick(m_pMain.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Held(pDocument), sharpened);
  EXPECT_EQ(Captions(), "&Undo Unsharp|-&Redo");
  QTest::keyClick(m_pMain.get(), Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(Held(pDocument), sharpened);
  EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(UndoTest, EveryDocumentHasItsOwnHistoryAndTheEntriesFollowTheActiveOne) {
  BRENNIC_SKIP_WITHOUT_ENGINE("negative");
  BRENNIC_SKIP_WITHOUT_ENGINE("gray-scale");
  frmImage* pFirst = OpenRandom("first.bmp");
  ASSERT_NE(pFirst, nullptr);
  Click("mnuColors_5");
  frmImage* pSecond = OpenRandom("second.bmp");
  ASSERT_NE(pSecond, nullptr);
  EXPECT_EQ(Captions(), "-&Undo|-&Redo");
  Click("mnuColors_7");
  EXPECT_EQ(Captions(), "&Undo Gray Scale|-&Redo");

  m_pMain->MdiArea()->setActiveSubWindow(Windows()[0]);
  EXPECT_EQ(Captions(), "&Undo Negative|-&Redo");
  Click("mnuEditHistory_0");
  EXPECT_FALSE(pFirst->Dirty());
  EXPECT_TRUE(pSecond->Dirty());
  EXPECT_EQ(pSecond->History().UndoName(), "Gray Scale");

  // Closing the active document: the entries follow the one that becomes active.
  Windows()[0]->close();
  QApplication::processEvents();
  ASSERT_EQ(Windows().size(), 1u);
  EXPECT_EQ(m_pMain->ActiveDocument(), pSecond);
  EXPECT_EQ(Captions(), "&Undo Gray Scale|-&Redo");
  Windows()[0]->close();
  QApplication::processEvents();
  EXPECT_TRUE(Windows().empty());
  EXPECT_EQ(Captions(), "-&Undo|-&Redo");
}

TEST_F(UndoTest, TheEntriesAreRightWhenTheMenuOpensAfterAChangeOutsideTheMenus) {
  BRENNIC_SKIP_WITHOUT_ENGINE("emboss");
  frmImage* pDocument = OpenRandom("a.bmp");
  ASSERT_NE(pDocument, nullptr);
  pDocument->ProcessImage(eEmboss);  // as another window's command would
  EXPECT_EQ(Captions(), "-&Undo|-&Redo");
  auto* pEdit = m_pMain->findChild<QMenu*>("mnuEditTOP");
  ASSERT_NE(pEdit, nullptr);
  Q_EMIT pEdit->aboutToShow();
  EXPECT_EQ(Captions(), "&Undo Emboss|-&Redo");
}

TEST_F(UndoTest, TheChangedFlagSaysWhetherThePictureIsTheOneOfTheFile) {
  BRENNIC_SKIP_WITHOUT_ENGINE("darken");
  BRENNIC_SKIP_WITHOUT_ENGINE("lighten");
  frmImage* pDocument = OpenRandom("a.bmp");
  ASSERT_NE(pDocument, nullptr);
  Click("mnuColors_0");
  EXPECT_TRUE(pDocument->Dirty());
  Click("mnuEditHistory_0");
  EXPECT_FALSE(pDocument->Dirty());
  Click("mnuEditHistory_1");
  EXPECT_TRUE(pDocument->Dirty());

  m_dialogs.ChooseFiles({m_dir.File("saved.ico")});
  Click("mnuFile_1");
  ASSERT_FALSE(pDocument->Dirty());
  // Back to the picture that was opened: it differs from the file now.
  Click("mnuEditHistory_0");
  EXPECT_TRUE(pDocument->Dirty());
  Click("mnuEditHistory_1");
  EXPECT_FALSE(pDocument->Dirty());
  Click("mnuColors_1");
  EXPECT_TRUE(pDocument->Dirty());
  Click("mnuEditHistory_0");
  EXPECT_FALSE(pDocument->Dirty());

  // So closing asks exactly when the picture differs from the file.
  bool bCancel = false;
  m_pMain->QueryUnload(bCancel, vbFormCode);
  EXPECT_TRUE(m_boxes.Shown().empty());
  EXPECT_EQ(m_pMain->iEnded, 1);
  Click("mnuEditHistory_0");
  m_boxes.Answer(eMsgResult::Cancel);
  m_pMain->QueryUnload(bCancel, vbFormCode);
  EXPECT_TRUE(bCancel);
  ASSERT_EQ(m_boxes.Shown().size(), 1u);
  EXPECT_EQ(m_boxes.Shown()[0].sText,
            "The image 'saved.ico' has been changed.\r\n\r\nDo you want to save it?");
}

TEST_F(UndoTest, ReopenClosedPictureBringsBackChangedDocumentsNewestFirstWithTheirHistory) {
  BRENNIC_SKIP_WITHOUT_ENGINE("darken");
  const auto close = [this](frmImage* pDocument) {
    for (QMdiSubWindow* pWindow : Windows())
      if (pWindow->widget() == pDocument) pWindow->close();
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
  EXPECT_EQ(pBack->Filename(), m_dir.File("kept.bmp"));
  EXPECT_EQ(pBack->FileTitle(), "kept.bmp");
  EXPECT_EQ(pBack->windowTitle().toStdString(), "Image: " + m_dir.File("kept.bmp") + "[*]");
  EXPECT_TRUE(pBack->Dirty());
  EXPECT_EQ(Held(pBack), darkened);
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
  EXPECT_FALSE(m_pMain->ActiveDocument()->Dirty());
  EXPECT_TRUE(m_pMain->ActiveDocument()->Unsaved());

  // Repeated use walks back through at least the last ten.
  for (int i = 0; i < 12; ++i) {
    ASSERT_NE(OpenRandom("n" + std::to_string(i) + ".bmp", 3, 2), nullptr);
    Click("mnuColors_0");
  }
  for (QMdiSubWindow* pWindow : Windows())
    close(qobject_cast<frmImage*>(pWindow->widget()));
  for (int i = 11; i >= 0; --i) {
    Click("mnuFile_4");
    ASSERT_NE(m_pMain->ActiveDocument(), nullptr);
    EXPECT_EQ(m_pMain->ActiveDocument()->FileTitle(), "n" + std::to_string(i) + ".bmp");
  }
  Click("mnuFile_4");  // the pasted one, closed first
  EXPECT_EQ(m_pMain->ActiveDocument()->Filename(), sPasted);
  EXPECT_FALSE(Entry("mnuFile_4")->isEnabled());
  EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(UndoTest, UndoingAResampleBringsBackTheSizeTheWorkBufferAndTheView) {
  BRENNIC_SKIP_WITHOUT_ENGINE("resample");
  frmImage* pDocument = OpenRandom("a.bmp", 9, 7);
  ASSERT_NE(pDocument, nullptr);
  const std::vector<uint8_t> original = Held(pDocument);
  m_pMain->RunCommand([pDocument] { pDocument->Resample(20, 3); });
  EXPECT_EQ(Captions(), "&Undo Resample|-&Redo");
  const std::vector<uint8_t> resampled = Held(pDocument);
  Click("mnuEditHistory_0");
  EXPECT_EQ(pDocument->ImageWidth(), 9);
  EXPECT_EQ(pDocument->ImageHeight(), 7);
  EXPECT_EQ(pDocument->Document().Work().Width(), 9);
  EXPECT_EQ(pDocument->Document().Work().Height(), 7);
  EXPECT_EQ(pDocument->picImage()->size(), QSize(9, 7));
  EXPECT_EQ(Shown(pDocument), original);
  EXPECT_FALSE(pDocument->Dirty());
  Click("mnuEditHistory_1");
  EXPECT_EQ(pDocument->Document().Work().Width(), 20);
  EXPECT_EQ(pDocument->Document().Work().Height(), 3);
  EXPECT_EQ(pDocument->picImage()->size(), QSize(20, 3));
  EXPECT_EQ(Shown(pDocument), resampled);
  EXPECT_TRUE(pDocument->Dirty());

  // At the same size it is a step all the same, as it marks the document changed.
  Click("mnuEditHistory_0");
  m_pMain->RunCommand([pDocument] { pDocument->Resample(9, 7); });
  EXPECT_TRUE(pDocument->Dirty());
  EXPECT_EQ(Captions(), "&Undo Resample|-&Redo");
  Click("mnuEditHistory_0");
  EXPECT_FALSE(pDocument->Dirty());
  EXPECT_EQ(Shown(pDocument), original);
}

}  // namespace
}  // namespace brennic
