// Edit > Paste and the Image menu's dialog commands on real documents.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <tuple>

#include "FrameTestUtil.h"
#include "document/cImageDocumentCore.h"
#include "document/frmNewSize.h"
#include "filters/cCustomFilterStore.h"
#include "filters/frmCustomFilter.h"
#include "frame/frmCombination.h"
#include "image/cDesktopBridge.h"
#include "image/cImageProcessDIB.h"
#include "platform/Clipboard.h"
#include "platform/cQtDesktopBridge.h"
#include "support/ClipboardTestUtil.h"
#include "support/DialogTestUtil.h"

namespace brennic {
namespace {

using test::cFrameTest;
using test::TypeInto;
using test::WhenModal;

class EditAndImageCommands : public cFrameTest {
 protected:
  void SetUp() override {
    cFrameTest::SetUp();
    SetClipboardService(&m_clipboard);
    SetDesktopBridge(&m_bridge);
  }
  void TearDown() override {
    SetDesktopBridge(nullptr);
    SetClipboardService(nullptr);
    cFrameTest::TearDown();
  }
  test::cScopedTempFolder m_temp;
  test::cMemoryClipboard m_clipboard;
  cQtDesktopBridge m_bridge;
};

TEST_F(EditAndImageCommands, PastedAndCombinedDocumentsShareOneNumbering) {
  frmImage* pOriginal = OpenRandom("photo.bmp", 7, 5);
  ASSERT_NE(pOriginal, nullptr);
  const std::vector<uint8_t> original = Shown(pOriginal);
  Click("mnuView_0");  // a copy is at the picture's own size, whatever the zoom
  Click("mnuEdit_1");

  Click("mnuEdit_2");
  frmImage* pFirst = m_pMain->ActiveDocument();
  ASSERT_NE(pFirst, pOriginal);
  EXPECT_EQ(pFirst->Filename(), "Image 1");
  EXPECT_EQ(Shown(pFirst), original);
  EXPECT_FALSE(pFirst->Dirty());

  // A cancelled combination makes no document and uses no number.
  WhenModal<frmCombination>([](frmCombination* pDialog) {
    ASSERT_NE(pDialog, nullptr);
    QTest::mouseClick(pDialog->cmdCancel(), Qt::LeftButton);
  });
  Click("mnuImage_7");
  EXPECT_EQ(m_pMain->ActiveDocument(), pFirst);
  ASSERT_NE(OpenRandom("tall.bmp", 4, 9), nullptr);
  WhenModal<frmCombination>([](frmCombination* pDialog) {
    ASSERT_NE(pDialog, nullptr);
    test::ChooseListEntry(pDialog->cboSource(1), 2);  // photo.bmp with tall.bmp
    QTest::mouseClick(pDialog->optCombine(1), Qt::LeftButton, Qt::NoModifier, QPoint(8, 6));
    QTest::mouseClick(pDialog->cmdOK(), Qt::LeftButton);
  });
  Click("mnuImage_7");
  frmImage* pCombined = m_pMain->ActiveDocument();
  EXPECT_EQ(pCombined->Filename(), "Image 2");
  EXPECT_EQ(std::pair(pCombined->ImageWidth(), pCombined->ImageHeight()), std::pair(4, 5));
  EXPECT_TRUE(pCombined->Dirty());

  Click("mnuEdit_2");
  EXPECT_EQ(m_pMain->ActiveDocument()->Filename(), "Image 3");
  EXPECT_EQ(Shown(m_pMain->ActiveDocument()), original);
  EXPECT_TRUE(m_boxes.Shown().empty());
  EXPECT_EQ(Windows().size(), 5u);
  // Pasted pictures are no recent files, and their temporary files are gone.
  EXPECT_EQ(m_pMain->RecentFiles().FileCount(), 2);
  EXPECT_TRUE(m_temp.Names().empty());
}

TEST_F(EditAndImageCommands, APasteWithoutAPictureSaysSoAndOpensNothing) {
  Click("mnuEdit_2");
  ASSERT_EQ(m_boxes.Shown().size(), 1u);
  EXPECT_EQ(test::Box(m_boxes.Shown()[0]),
            test::Box("An error occured whilst trying to paste this icon: The clipboard holds no "
                      "picture. Copy a picture first, then paste again.",
                      eMsgIcon::Exclamation));
  EXPECT_TRUE(Windows().empty());
  EXPECT_TRUE(m_temp.Names().empty());
  // Without a temporary folder the paste says why and opens nothing either.
  ASSERT_NE(OpenRandom("photo.bmp", 3, 2), nullptr);
  Click("mnuEdit_1");
  const std::string sGone = m_temp.Path() + "/gone";
  ::setenv("TMPDIR", sGone.c_str(), 1);
  Click("mnuEdit_2");
  ::setenv("TMPDIR", m_temp.Path().c_str(), 1);
  ASSERT_EQ(m_boxes.Shown().size(), 2u);
  EXPECT_TRUE(m_boxes.Shown()[1].sText.starts_with(
      "An error occured whilst trying to paste this icon: The temporary folder '" + sGone +
      "' cannot be used"))
      << m_boxes.Shown()[1].sText;
  EXPECT_EQ(Windows().size(), 1u);
  // The next paste numbers from 1: nothing was used up.
  Click("mnuEdit_2");
  EXPECT_EQ(m_pMain->ActiveDocument()->Filename(), "Image 1");
}

TEST_F(EditAndImageCommands, CustomDefinedRunsTheEditorsKernelOnTheActiveDocument) {
  frmImage* pDocument = OpenRandom("photo.bmp", 9, 6);
  ASSERT_NE(pDocument, nullptr);
  const std::vector<uint8_t> before = Shown(pDocument);
  WhenModal<frmCustomFilter>([](frmCustomFilter* pDialog) {
    ASSERT_NE(pDialog, nullptr);
    TypeInto(pDialog->txtValue(0), "2");
    QTest::keyClick(pDialog->txtValue(0), Qt::Key_Escape);
  });
  Click("mnuImage_3");
  EXPECT_EQ(Shown(pDocument), before);
  EXPECT_FALSE(pDocument->Dirty());

  WhenModal<frmCustomFilter>([](frmCustomFilter* pDialog) {
    ASSERT_NE(pDialog, nullptr);
    TypeInto(pDialog->txtValue(7 * 3 + 4), "5");
    TypeInto(pDialog->txtValue(7 * 2 + 3), "-1");
    TypeInto(pDialog->txtWeight(), "4");
    QTest::mouseClick(pDialog->cmdOK(), Qt::LeftButton);
  });
  Click("mnuImage_3");
  EXPECT_TRUE(m_boxes.Shown().empty());
  EXPECT_TRUE(pDocument->Dirty());
  EXPECT_EQ(ListFilters().size(), 1u);

  cImageProcessDIB cI;
  cI.FilterType(eCustom);
  cI.FilterArraySize(3);
  // The grid's boxes run down the columns; the centre keeps its 1.
  cI.FilterValue(0, 0, 1);
  cI.FilterValue(0, 1, 5);
  cI.FilterValue(-1, 0, -1);
  cI.FilterWeight(4);
  cImageDocumentCore cExpected;
  cExpected.LoadImage(*m_pOriginal);
  cExpected.LoadCustomFilter(cI);
  cExpected.ProcessImage(eCustom);
  EXPECT_EQ(Shown(pDocument), test::DisplayBytes(cExpected.Picture()));
  EXPECT_NE(Shown(pDocument), test::DisplayBytes(*m_pOriginal));
}

TEST_F(EditAndImageCommands, ResampleGivesTheChosenSize) {
  frmImage* pDocument = OpenRandom("photo.bmp", 8, 6);
  ASSERT_NE(pDocument, nullptr);
  // The dialog offers the document's size; 50 per cent halves both sides.
  WhenModal<frmNewSize>([](frmNewSize* pDialog) {
    ASSERT_NE(pDialog, nullptr);
    EXPECT_EQ(pDialog->txtWidth()->text(), "8");
    EXPECT_EQ(pDialog->txtHeight()->text(), "6");
    QTest::mouseClick(pDialog->optStyle(1), Qt::LeftButton);
    TypeInto(pDialog->txtPercent(), "50");
    QTest::keyClick(pDialog->txtPercent(), Qt::Key_Return);
  });
  Click("mnuImage_5");
  EXPECT_TRUE(m_boxes.Shown().empty());
  EXPECT_EQ(std::tuple(pDocument->ImageWidth(), pDocument->ImageHeight(),
                       pDocument->Document().Work().Width()),
            std::tuple(4, 3, 4));
  EXPECT_TRUE(pDocument->Dirty());
}

}  // namespace
}  // namespace brennic
