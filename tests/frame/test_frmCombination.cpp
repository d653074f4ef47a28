// The combine dialog driven through its controls: the two source lists filled from the loaded
// windows, the output size, enabling the "Add" controls, reading the four boxes at OK, and the
// ways it closes.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>
#include <string>
#include <utility>

#include "document/IImageDocument.h"
#include "frame/frmCombination.h"
#include "platform/cLoadedWindows.h"
#include "support/DialogTestUtil.h"
#include "support/GuiTestUtil.h"

namespace brennic {
namespace {

using test::ChooseListEntry;
using test::TypeInto;

// An image document as the dialog sees it.
class cFakeImage final : public QWidget, public cLoadedWindow, public IImageDocument {
 public:
  cFakeImage(std::string sTitle, int32_t lWidth, int32_t lHeight)
      : cLoadedWindow(kImageDocumentClass),
        m_sTitle(std::move(sTitle)),
        m_lWidth(lWidth),
        m_lHeight(lHeight) {}
  hDC ImageDibHDC() override { return nullptr; }
  int32_t ImageWidth() const override { return m_lWidth; }
  int32_t ImageHeight() const override { return m_lHeight; }
  std::string FileTitle() const override { return m_sTitle; }

 private:
  std::string m_sTitle;
  int32_t m_lWidth;
  int32_t m_lHeight;
};

// Another kind of window in the collection.
class cOtherWindow final : public QWidget, public cLoadedWindow {
 public:
  cOtherWindow() : cLoadedWindow("frmOther") {}
};

class CombinationDialog : public ::testing::Test {
 protected:
  frmCombination& Open() {
    m_pDialog = std::make_unique<frmCombination>(nullptr, m_topMost.Function());
    m_pDialog->show();
    return *m_pDialog;
  }
  frmCombination& Dialog() { return *m_pDialog; }
  // Clicks a button on its caption (an option button reacts to its circle and caption only).
  void Click(QAbstractButton* p) {
    QTest::mouseClick(p, Qt::LeftButton, Qt::NoModifier, QPoint(8, p->height() / 2));
  }
  void SetBoxes(const QString& sOffset1, const QString& sOffset2, const QString& sMultiplier1,
                const QString& sMultiplier2) {
    TypeInto(Dialog().txtOffset(0), sOffset1);
    TypeInto(Dialog().txtOffset(1), sOffset2);
    TypeInto(Dialog().txtMultiplier(0), sMultiplier1);
    TypeInto(Dialog().txtMultiplier(1), sMultiplier2);
  }

  test::cScriptedMessageBoxes m_messages;
  test::cScopedScreenMetrics m_metrics;
  test::cTopMostLog m_topMost;
  std::unique_ptr<frmCombination> m_pDialog;
};

TEST_F(CombinationDialog, ControlsAtTheirDesignPlaces) {
  Open();
  EXPECT_EQ(Dialog().windowTitle(), "Image Combination");
  // 4980 x 2820 twips at 15 twips per pixel.
  EXPECT_EQ(Dialog().size(), QSize(332, 188));
  EXPECT_EQ(Dialog().cboSource(0)->geometry(), QRect(4, 20, 153, 21));
  EXPECT_EQ(Dialog().cboSource(1)->geometry(), QRect(172, 20, 153, 21));
  EXPECT_EQ(Dialog().txtOffset(1)->geometry(), QRect(224, 68, 101, 19));
  EXPECT_EQ(Dialog().txtMultiplier(0)->geometry(), QRect(56, 92, 101, 19));
  EXPECT_EQ(Dialog().optCombine(2)->geometry(), QRect(4, 140, 89, 13));
  EXPECT_EQ(Dialog().lblInfo()->geometry(), QRect(8, 160, 193, 17));
  EXPECT_EQ(Dialog().cmdOK()->geometry(), QRect(208, 152, 61, 25));
  EXPECT_EQ(Dialog().cmdCancel()->geometry(), QRect(272, 152, 53, 25));

  const auto label = [&](const char* sName, int i) {
    return cModalDialog::IndexedChild<QLabel>(&Dialog(), sName, i)->text();
  };
  EXPECT_EQ(label("lblSource", 0), "Source Image &1:");
  EXPECT_EQ(label("lblSource", 1), "Source Image &2:");
  EXPECT_EQ(label("lblOffset", 1), "Offset:");
  EXPECT_EQ(label("lblMultiplier", 0), "Multiplier:");
  EXPECT_EQ(cModalDialog::IndexedChild<QLabel>(&Dialog(), "lblSource", 1)->buddy(),
            Dialog().cboSource(1));
  EXPECT_EQ(Dialog().optCombine(0)->text(), "&Add Images");
  EXPECT_EQ(Dialog().optCombine(1)->text(), "&Darkest");
  EXPECT_EQ(Dialog().optCombine(2)->text(), "&Lightest");
  EXPECT_TRUE(Dialog().optCombine(0)->isChecked());
  EXPECT_EQ(Dialog().txtOffset(0)->text(), "0");
  EXPECT_EQ(Dialog().txtMultiplier(1)->text(), "1");
  EXPECT_TRUE(Dialog().cmdOK()->isDefault());
  EXPECT_TRUE(Dialog().Cancelled());
}

TEST_F(CombinationDialog, OneDocumentIsListedTwiceAndSelectedInBoth) {
  cFakeImage image("Photo.bmp", 50, 40);
  Open();
  const int32_t lPosition = LoadedWindows().IndexOf(&image);
  for (int k = 0; k < 2; ++k) {
    ASSERT_EQ(Dialog().cboSource(k)->count(), 1);
    EXPECT_EQ(Dialog().cboSource(k)->itemText(0), "Photo.bmp");
    EXPECT_EQ(Dialog().cboSource(k)->itemData(0).toInt(), lPosition);
    EXPECT_EQ(Dialog().cboSource(k)->currentIndex(), 0);
  }
  EXPECT_EQ(Dialog().ImageSource(1), lPosition);
  EXPECT_EQ(Dialog().ImageSource(2), lPosition);
  EXPECT_EQ(Dialog().lblInfo()->text(), "Output image size: 50 x 40");
  EXPECT_EQ(Dialog().NewImageWidth(), 50);
  EXPECT_EQ(Dialog().NewImageHeight(), 40);
}

TEST_F(CombinationDialog, OutputSizeIsTheSmallerOfEachSide) {
  cFakeImage wide("Wide.bmp", 100, 80);
  cOtherWindow other;
  cFakeImage tall("Tall.gif", 60, 120);
  cFakeImage small("Small.ico", 32, 32);
  Open();
  ASSERT_EQ(Dialog().cboSource(0)->count(), 3) << "only image documents are listed";
  EXPECT_EQ(Dialog().cboSource(1)->itemText(1), "Tall.gif");
  EXPECT_EQ(Dialog().cboSource(1)->itemData(1).toInt(), LoadedWindows().IndexOf(&tall));
  EXPECT_EQ(Dialog().cboSource(0)->currentText(), "Wide.bmp");
  EXPECT_EQ(Dialog().cboSource(1)->currentText(), "Tall.gif");
  EXPECT_EQ(Dialog().lblInfo()->text(), "Output image size: 60 x 80");
  EXPECT_EQ(Dialog().ImageSource(1), LoadedWindows().IndexOf(&wide));
  EXPECT_EQ(Dialog().ImageSource(2), LoadedWindows().IndexOf(&tall));

  ChooseListEntry(Dialog().cboSource(0), 2);
  EXPECT_EQ(Dialog().lblInfo()->text(), "Output image size: 32 x 32");
  EXPECT_EQ(Dialog().ImageSource(1), LoadedWindows().IndexOf(&small));
  ChooseListEntry(Dialog().cboSource(1), 0);
  EXPECT_EQ(Dialog().lblInfo()->text(), "Output image size: 32 x 32");
  EXPECT_EQ(Dialog().ImageSource(2), LoadedWindows().IndexOf(&wide));
  ChooseListEntry(Dialog().cboSource(0), 0);
  EXPECT_EQ(Dialog().lblInfo()->text(), "Output image size: 100 x 80");
  EXPECT_EQ(Dialog().NewImageWidth(), 100);
  EXPECT_EQ(Dialog().NewImageHeight(), 80);
}

TEST_F(CombinationDialog, AddControlsAreEnabledOnlyForAddImages) {
  Open();
  SetBoxes("5", "-5", "2", "3");
  int iTagged = 0;
  for (QWidget* p : Dialog().findChildren<QWidget*>()) {
    if (cModalDialog::Tag(p) == "Add") ++iTagged;
  }
  EXPECT_EQ(iTagged, 8) << "the four boxes and their labels";

  const auto enabled = [&](bool bEnabled) {
    for (int k = 0; k < 2; ++k) {
      for (const char* sName : {"lblOffset", "txtOffset", "lblMultiplier", "txtMultiplier"}) {
        const QWidget* p = cModalDialog::IndexedChild<QWidget>(&Dialog(), sName, k);
        ASSERT_NE(p, nullptr) << sName << k;
        EXPECT_EQ(p->isEnabled(), bEnabled) << sName << k;
      }
    }
    EXPECT_TRUE(Dialog().cboSource(0)->isEnabled());
    EXPECT_TRUE(Dialog().optCombine(1)->isEnabled());
  };
  Click(Dialog().optCombine(1));
  enabled(false);
  Click(Dialog().optCombine(2));
  enabled(false);
  Click(Dialog().optCombine(0));
  enabled(true);
  EXPECT_EQ(Dialog().txtOffset(0)->text(), "5");
  EXPECT_EQ(Dialog().txtOffset(1)->text(), "-5");
  EXPECT_EQ(Dialog().txtMultiplier(0)->text(), "2");
  EXPECT_EQ(Dialog().txtMultiplier(1)->text(), "3");
}

TEST_F(CombinationDialog, OkReadsTheFourBoxesRoundingHalvesToEven) {
  Open();
  SetBoxes(" 2.5 ", "3.5", "-7", "+1.5");
  Click(Dialog().cmdOK());
  EXPECT_TRUE(m_messages.Shown().empty());
  EXPECT_FALSE(Dialog().isVisible());
  EXPECT_FALSE(Dialog().Cancelled());
  EXPECT_EQ(Dialog().CombinationType(), 1);
  EXPECT_EQ(Dialog().Offset(1), 2);
  EXPECT_EQ(Dialog().Offset(2), 4);
  EXPECT_EQ(Dialog().Multiplier(1), -7);
  EXPECT_EQ(Dialog().Multiplier(2), 2);
}

TEST_F(CombinationDialog, LightestStillReadsTheDisabledBoxes) {
  Open();
  SetBoxes("10", "-20", "3", "0");
  Click(Dialog().optCombine(2));
  QTest::keyClick(Dialog().cmdOK(), Qt::Key_Space);
  EXPECT_FALSE(Dialog().Cancelled());
  EXPECT_EQ(Dialog().CombinationType(), 3);
  EXPECT_EQ(Dialog().Offset(1), 10);
  EXPECT_EQ(Dialog().Offset(2), -20);
  EXPECT_EQ(Dialog().Multiplier(1), 3);
  EXPECT_EQ(Dialog().Multiplier(2), 0);

  Open();
  Click(Dialog().optCombine(1));
  Click(Dialog().cmdOK());
  EXPECT_EQ(Dialog().CombinationType(), 2);
}

TEST_F(CombinationDialog, UnreadableEntriesAreRefusedEvenWhenDisabled) {
  Open();
  SetBoxes("1", "abc", "1", "1");
  Click(Dialog().optCombine(2));
  Click(Dialog().cmdOK());
  ASSERT_EQ(m_messages.Shown().size(), 1u);
  // The wrong box is named, whichever option is chosen.
  EXPECT_EQ(m_messages.Shown()[0].sText, "Error in entries.\n\nSource Image 2: Offset");
  EXPECT_EQ(m_messages.Shown()[0].eIcon, eMsgIcon::Information);
  EXPECT_EQ(m_messages.Shown()[0].eButtons, eMsgButtons::OK);
  EXPECT_EQ(m_messages.Shown()[0].sTitle, kAppTitle);
  EXPECT_TRUE(Dialog().isVisible());
  EXPECT_TRUE(Dialog().Cancelled());

  Click(Dialog().optCombine(0));
  for (const char* sBad : {"", "1e3", "3000000000", "1 2", "0x10", "-"}) {
    TypeInto(Dialog().txtOffset(1), sBad);
    Click(Dialog().cmdOK());
  }
  EXPECT_EQ(m_messages.Shown().size(), 7u);
  // Where it can be typed into, the wrong box has the focus.
  EXPECT_EQ(Dialog().focusWidget(), Dialog().txtOffset(1));
  TypeInto(Dialog().txtOffset(1), "0");
  TypeInto(Dialog().txtMultiplier(0), "x");
  Click(Dialog().cmdOK());
  EXPECT_EQ(m_messages.Shown().back().sText, "Error in entries.\n\nSource Image 1: Multiplier");
  EXPECT_EQ(Dialog().focusWidget(), Dialog().txtMultiplier(0));
  TypeInto(Dialog().txtMultiplier(0), "1");
  EXPECT_TRUE(Dialog().Cancelled());
  EXPECT_EQ(Dialog().Offset(1), 0) << "nothing is taken from a refused entry";

  // Corrected, the entries are accepted.
  TypeInto(Dialog().txtOffset(1), "-2147483648");
  Click(Dialog().cmdOK());
  EXPECT_FALSE(Dialog().Cancelled());
  EXPECT_EQ(Dialog().Offset(1), 1);
  EXPECT_EQ(Dialog().Offset(2), INT32_MIN);
}

TEST_F(CombinationDialog, CancelEscapeAndTheCloseBoxLeaveItCancelled) {
  QWidget main;
  test::cTopMostLog log;
  for (int iWay = 0; iWay < 3; ++iWay) {
    frmCombination dialog(&main, log.Function());
    dialog.show();
    EXPECT_EQ(log.Calls().back(), (test::sTopMostCall{&dialog, true}));
    if (iWay == 0) QTest::mouseClick(dialog.cmdCancel(), Qt::LeftButton);
    if (iWay == 1) QTest::keyClick(dialog.txtOffset(0), Qt::Key_Escape);
    if (iWay == 2) dialog.close();
    EXPECT_FALSE(dialog.isVisible()) << iWay;
    EXPECT_TRUE(dialog.Cancelled()) << iWay;
    EXPECT_EQ(log.Calls().back(), (test::sTopMostCall{&main, true})) << iWay;
    EXPECT_EQ(LoadedWindows().IndexOf(&dialog), -1) << iWay;
  }
  EXPECT_EQ(log.Calls().size(), 6u);
}

}  // namespace
}  // namespace brennic
