// The resample dialog driven through its controls: the opening state, the keyboard order, the
// two modes and their colours, keeping proportions, the percentage, and the ways it closes.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "document/frmNewSize.h"
#include "platform/mSysColor.h"
#include "support/DialogTestUtil.h"
#include "support/GuiTestUtil.h"

namespace brennic {
namespace {

using test::TypeInto;

class NewSizeDialog : public ::testing::Test {
 protected:
  // A fresh dialog for an image of lW x lH, shown (which loads it) but not modal.
  frmNewSize& Open(int32_t lW, int32_t lH) {
    m_pDialog = std::make_unique<frmNewSize>(nullptr, m_topMost.Function());
    m_pDialog->SetSize(lW, lH);
    m_pDialog->show();
    return *m_pDialog;
  }
  frmNewSize& Dialog() { return *m_pDialog; }
  QString Width() { return m_pDialog->txtWidth()->text(); }
  QString Height() { return m_pDialog->txtHeight()->text(); }
  void Click(QAbstractButton* p) { QTest::mouseClick(p, Qt::LeftButton); }
  void KeepProportions() {
    Click(m_pDialog->chkKeepProportion());
    ASSERT_TRUE(m_pDialog->chkKeepProportion()->isChecked());
  }
  void PercentMode() {
    Click(m_pDialog->optStyle(1));
    ASSERT_TRUE(m_pDialog->optStyle(1)->isChecked());
  }
  void Percent(const QString& s) { TypeInto(m_pDialog->txtPercent(), s); }

  test::cScriptedMessageBoxes m_messages;
  test::cScopedScreenMetrics m_metrics;
  test::cTopMostLog m_topMost;
  std::unique_ptr<frmNewSize> m_pDialog;
};

TEST_F(NewSizeDialog, OpensWithTheCurrentSize) {
  Open(640, 480);
  EXPECT_EQ(Dialog().windowTitle(), "Choose New Size");
  EXPECT_TRUE(Dialog().Cancelled());
  EXPECT_EQ(Width(), "640");
  EXPECT_EQ(Height(), "480");
  // The current size reads "480 X 640", height first.
  EXPECT_EQ(Dialog().lblOrigHeight()->text(), "480");
  EXPECT_EQ(Dialog().findChild<QLabel*>("Label1")->text(), "X");
  EXPECT_EQ(Dialog().lblOrigWidth()->text(), "640");
  EXPECT_LT(Dialog().lblOrigHeight()->x(), Dialog().lblOrigWidth()->x());

  EXPECT_EQ(Dialog().Frame1()->title(), "Frame1");
  EXPECT_EQ(Dialog().optStyle(0)->text(), "&Free");
  EXPECT_EQ(Dialog().optStyle(1)->text(), "&Percent");
  EXPECT_TRUE(Dialog().optStyle(0)->isChecked());
  EXPECT_EQ(cModalDialog::IndexedChild<QRadioButton>(&Dialog(), "optStyle", 1),
            Dialog().optStyle(1));
  EXPECT_EQ(Dialog().findChild<QLabel*>("lbl")->text(), "Width:");
  EXPECT_EQ(Dialog().findChild<QLabel*>("lblHeight")->text(), "Height");
  EXPECT_EQ(Dialog().findChild<QLabel*>("lblPercentage")->text(), "Percent:");
  EXPECT_EQ(Dialog().chkKeepProportion()->text(), "&Keep proportions");
  EXPECT_FALSE(Dialog().chkKeepProportion()->isChecked());
  EXPECT_TRUE(Dialog().chkKeepProportion()->isEnabled());
  EXPECT_EQ(Dialog().txtPercent()->text(), "100");
  EXPECT_TRUE(Dialog().txtPercent()->isReadOnly());
  EXPECT_FALSE(Dialog().txtWidth()->isReadOnly());
  EXPECT_EQ(cModalDialog::BackColor(Dialog().txtPercent()), kSysButtonFace);
  EXPECT_EQ(cModalDialog::BackColor(Dialog().txtWidth()), kSysWindowColor);
  EXPECT_EQ(cModalDialog::BackColor(Dialog().txtHeight()), kSysWindowColor);
  EXPECT_EQ(Dialog().cmdOK()->text(), "OK");
  EXPECT_TRUE(Dialog().cmdOK()->isDefault());
  EXPECT_EQ(Dialog().cmdCancel()->text(), "Cancel");
  EXPECT_EQ(Dialog().font().pointSizeF(), 8.25);
  // The buttons sit side by side below the frame, OK on the left.
  EXPECT_GT(Dialog().cmdOK()->y(), Dialog().Frame1()->geometry().bottom());
  EXPECT_LT(Dialog().cmdOK()->x(), Dialog().cmdCancel()->x());
}

TEST_F(NewSizeDialog, KeyboardOrder) {
  Open(640, 480);
  std::vector<std::string> order;
  QWidget* p = Dialog().txtWidth();
  do {
    if (p->focusPolicy() & Qt::TabFocus) order.push_back(p->objectName().toStdString());
    p = p->nextInFocusChain();
  } while (p != Dialog().txtWidth());
  EXPECT_EQ(order,
            (std::vector<std::string>{"txtWidth", "txtHeight", "cmdCancel", "cmdOK", "txtPercent",
                                      "chkKeepProportion", "optStyle", "optStyle"}));
}

TEST_F(NewSizeDialog, KeepingProportionsSetsTheOtherSide) {
  Open(640, 480);
  TypeInto(Dialog().txtWidth(), "320");
  EXPECT_EQ(Height(), "480") << "proportions are not kept until ticked";
  KeepProportions();
  EXPECT_EQ(Height(), "480") << "ticking changes nothing by itself";
  TypeInto(Dialog().txtWidth(), "320");
  EXPECT_EQ(Height(), "240");
  TypeInto(Dialog().txtHeight(), "120");
  EXPECT_EQ(Width(), "160");
  TypeInto(Dialog().txtHeight(), "abc");
  EXPECT_EQ(Width(), "160") << "text that is no number changes nothing";
  EXPECT_EQ(Height(), "abc");
}

TEST_F(NewSizeDialog, ProportionsTruncateAndAreNotMirroredBack) {
  Open(640, 481);
  KeepProportions();
  TypeInto(Dialog().txtWidth(), "100");
  EXPECT_EQ(Height(), "75") << "481 x 100 / 640 = 75.15";
  EXPECT_EQ(Width(), "100") << "75 would give 99 back";
  TypeInto(Dialog().txtWidth(), "-64");
  EXPECT_EQ(Height(), "-48") << "truncated toward zero";
  TypeInto(Dialog().txtWidth(), "2.5");
  EXPECT_EQ(Height(), "1") << "2.5 rounds to 2; 481 x 2 / 640 = 1.5";
}

TEST_F(NewSizeDialog, SwitchingToPercentChangesNoValueUntilEdited) {
  Open(640, 480);
  KeepProportions();
  TypeInto(Dialog().txtWidth(), "100");
  PercentMode();
  EXPECT_EQ(Width(), "100");
  EXPECT_EQ(Height(), "75");
  EXPECT_EQ(Dialog().txtPercent()->text(), "100");
  EXPECT_TRUE(Dialog().txtWidth()->isReadOnly());
  EXPECT_TRUE(Dialog().txtHeight()->isReadOnly());
  EXPECT_FALSE(Dialog().txtPercent()->isReadOnly());
  EXPECT_FALSE(Dialog().chkKeepProportion()->isEnabled());
  EXPECT_TRUE(Dialog().chkKeepProportion()->isChecked()) << "the mark stays while disabled";
  EXPECT_EQ(cModalDialog::BackColor(Dialog().txtWidth()), kSysButtonFace);
  EXPECT_EQ(cModalDialog::BackColor(Dialog().txtHeight()), kSysButtonFace);
  EXPECT_EQ(cModalDialog::BackColor(Dialog().txtPercent()), kSysWindowColor);

  // Typing into a read-only box does nothing.
  QTest::keyClicks(Dialog().txtWidth(), "9");
  EXPECT_EQ(Width(), "100");

  Click(Dialog().optStyle(0));
  EXPECT_FALSE(Dialog().txtWidth()->isReadOnly());
  EXPECT_TRUE(Dialog().txtPercent()->isReadOnly());
  EXPECT_TRUE(Dialog().chkKeepProportion()->isEnabled());
  EXPECT_EQ(cModalDialog::BackColor(Dialog().txtWidth()), kSysWindowColor);
  EXPECT_EQ(cModalDialog::BackColor(Dialog().txtPercent()), kSysButtonFace);
}

TEST_F(NewSizeDialog, PercentScalesBothSides) {
  Open(640, 480);
  PercentMode();
  Percent("50");
  EXPECT_EQ(Width(), "320");
  EXPECT_EQ(Height(), "240");
  Percent("12.5");  // taken as 12
  EXPECT_EQ(Width(), "77");
  EXPECT_EQ(Height(), "58");
  Percent("13.5");  // taken as 14
  EXPECT_EQ(Dialog().txtPercent()->text(), "13.5");
  EXPECT_EQ(Width(), "90");
  EXPECT_EQ(Height(), "67");
  Percent("abc");
  EXPECT_EQ(Width(), "90");
  EXPECT_EQ(Height(), "67");
  Percent("");
  EXPECT_EQ(Width(), "90");
  Percent("x5");
  EXPECT_EQ(Width(), "90");

  Open(101, 101);
  PercentMode();
  Percent("33");
  EXPECT_EQ(Width(), "33");
  EXPECT_EQ(Height(), "33");
}

TEST_F(NewSizeDialog, PercentWithProportionsKeptSetsTheWidthFromTheRoundedHeight) {
  Open(101, 33);
  KeepProportions();
  PercentMode();
  Percent("50");
  // Width 50.5 -> 50 sets the height 33 x 50 / 101 = 16; then the height 16.5 -> 16 sets the
  // width 101 x 16 / 33 = 48.
  EXPECT_EQ(Height(), "16");
  EXPECT_EQ(Width(), "48");
}

TEST_F(NewSizeDialog, PercentIsIgnoredInFreeMode) {
  Open(640, 480);
  Dialog().txtPercent()->setText("50");
  EXPECT_EQ(Width(), "640");
}

TEST_F(NewSizeDialog, OkGivesTheSizeInTheBoxes) {
  Open(640, 480);
  TypeInto(Dialog().txtWidth(), "32767");
  TypeInto(Dialog().txtHeight(), " 2.5 ");
  Click(Dialog().cmdOK());
  EXPECT_TRUE(m_messages.Shown().empty());
  EXPECT_FALSE(Dialog().isVisible());
  EXPECT_FALSE(Dialog().Cancelled());
  EXPECT_EQ(Dialog().ImageWidth(), 32767);
  EXPECT_EQ(Dialog().ImageHeight(), 2);

  Open(640, 480);
  PercentMode();
  Percent("50");
  QTest::keyClick(Dialog().txtPercent(), Qt::Key_Return);
  EXPECT_FALSE(Dialog().Cancelled());
  EXPECT_EQ(Dialog().ImageWidth(), 320);
  EXPECT_EQ(Dialog().ImageHeight(), 240);
}

TEST_F(NewSizeDialog, OkRefusesSizesThatCannotBeMade) {
  Open(640, 480);
  for (const char* sWidth : {"0", "-5", "", "abc", "32768", "99999999999", "0.4"}) {
    TypeInto(Dialog().txtWidth(), sWidth);
    Click(Dialog().cmdOK());
  }
  TypeInto(Dialog().txtWidth(), "10");
  TypeInto(Dialog().txtHeight(), "1e3");
  Click(Dialog().cmdOK());
  ASSERT_EQ(m_messages.Shown().size(), 8u);
  for (const test::sShownMessage& shown : m_messages.Shown()) {
    EXPECT_EQ(shown.sText, "Please enter a width and a height between 1 and 32767.");
    EXPECT_EQ(shown.eButtons, eMsgButtons::OK);
  }
  EXPECT_TRUE(Dialog().isVisible());
  EXPECT_TRUE(Dialog().Cancelled());
  EXPECT_EQ(Height(), "1e3") << "the entries stay";

  TypeInto(Dialog().txtHeight(), "1");
  Click(Dialog().cmdOK());
  EXPECT_FALSE(Dialog().Cancelled());
  EXPECT_EQ(Dialog().ImageWidth(), 10);
  EXPECT_EQ(Dialog().ImageHeight(), 1);
}

TEST_F(NewSizeDialog, CancelEscapeAndTheCloseBoxLeaveItCancelled) {
  Open(640, 480);
  TypeInto(Dialog().txtWidth(), "5");
  Click(Dialog().cmdCancel());
  EXPECT_FALSE(Dialog().isVisible());
  EXPECT_TRUE(Dialog().Cancelled());
  EXPECT_EQ(Dialog().ImageWidth(), 0);

  Open(640, 480);
  QTest::keyClick(Dialog().txtWidth(), Qt::Key_Escape);
  EXPECT_FALSE(Dialog().isVisible());
  EXPECT_TRUE(Dialog().Cancelled());

  Open(640, 480);
  Dialog().close();
  EXPECT_FALSE(Dialog().isVisible());
  EXPECT_TRUE(Dialog().Cancelled());
}

TEST_F(NewSizeDialog, TopmostWhileShownAndTheMainWindowGetsItBack) {
  QWidget main;
  test::cTopMostLog log;
  {
    frmNewSize dialog(&main, log.Function());
    dialog.SetSize(10, 10);
    dialog.show();
    ASSERT_EQ(log.Calls().size(), 1u);
    EXPECT_EQ(log.Calls()[0], (test::sTopMostCall{&dialog, true}));
    EXPECT_EQ(LoadedWindows().Item(LoadedWindows().Count() - 1)->ClassName(), "frmNewSize");
    dialog.close();
    ASSERT_EQ(log.Calls().size(), 2u);
    EXPECT_EQ(log.Calls()[1], (test::sTopMostCall{&main, true}));
    EXPECT_EQ(LoadedWindows().IndexOf(&dialog), -1);
  }
  EXPECT_EQ(log.Calls().size(), 2u) << "releasing the closed dialog asks nothing more";
}

}  // namespace
}  // namespace brennic
