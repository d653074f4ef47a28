// The resample dialog driven through its controls.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "document/frmNewSize.h"
#include "platform/mSysColor.h"
#include "support/DialogTestUtil.h"
#include "support/GuiTestUtil.h"

namespace brennic {
namespace {

class NewSizeDialog : public ::testing::Test {
 protected:
  // A fresh dialog for an image of lW x lH, shown (which loads it) but not modal.
  frmNewSize& Open(int32_t lW, int32_t lH) {
    m_pDialog = std::make_unique<frmNewSize>(&m_main, m_topMost.Function());
    m_pDialog->SetSize(lW, lH);
    m_pDialog->show();
    return *m_pDialog;
  }
  frmNewSize& Dialog() { return *m_pDialog; }
  QString Width() { return m_pDialog->txtWidth()->text(); }
  QString Height() { return m_pDialog->txtHeight()->text(); }
  void Click(QAbstractButton* p) { QTest::mouseClick(p, Qt::LeftButton); }
  // Each box and the check box as "box:read-only/writable:colour", the mark "kept"/"free".
  std::string Modes() {
    std::string s;
    for (QLineEdit* p : {Dialog().txtWidth(), Dialog().txtHeight(), Dialog().txtPercent()}) {
      const int32_t lColour = cModalDialog::BackColor(p);
      s += p->objectName().toStdString() + (p->isReadOnly() ? ":ro:" : ":rw:") +
           (lColour == kSysWindowColor  ? "window "
            : lColour == kSysButtonFace ? "face "
                                        : "? ");
    }
    const QCheckBox* pKeep = Dialog().chkKeepProportion();
    return s + (pKeep->isChecked() ? "kept" : "free") + (pKeep->isEnabled() ? "" : " disabled");
  }

  test::cScriptedMessageBoxes m_messages;
  test::cScopedScreenMetrics m_metrics;
  test::cTopMostLog m_topMost;
  QWidget m_main;
  std::unique_ptr<frmNewSize> m_pDialog;
};

TEST_F(NewSizeDialog, OpensWithTheCurrentSize) {
  Open(640, 480);
  const auto text = [&](const char* sName) { return Dialog().findChild<QLabel*>(sName)->text(); };
  // The current size reads "480 X 640", height first.
  EXPECT_EQ((QStringList{Dialog().windowTitle(), Width(), Height(), text("lblOrigHeight"),
                         text("Label1"), text("lblOrigWidth"), Dialog().txtPercent()->text()}),
            (QStringList{"Choose New Size", "640", "480", "480", "X", "640", "100"}));
  EXPECT_LT(Dialog().lblOrigHeight()->x(), Dialog().lblOrigWidth()->x());
  EXPECT_EQ(
      std::tuple(Dialog().Cancelled(), Dialog().optStyle(0)->isChecked(), Modes()),
      std::tuple(true, true, "txtWidth:rw:window txtHeight:rw:window txtPercent:ro:face free"));
}

// Each row a fresh dialog: the mark ticked or not, Percent chosen or not, one text typed into
// one box; the sizes the boxes show then, and what OK gives: the size in the boxes, or the
// message, the dialog left open and cancelled with the entries as they were, until it is closed.
// Other sides are computed truncating toward zero from the typed side rounded half to even, and not
// mirrored back; text that is no number changes nothing. 12.5 per cent is taken as 12, 13.5 as 14;
// 640 x 481 at width 100 is 75.15 high (75 would give 99 back). At 101 x 33, 50 per cent makes the
// width 50.5 -> 50, which sets the height 33 x 50 / 101 = 16; then the height 16.5 -> 16 sets the
// width 101 x 16 / 33 = 48.
TEST_F(NewSizeDialog, TheOtherSidesFollowWhatIsTypedAndOkGivesTheSizeOrRefusesIt) {
  enum eBox { kWidth, kHeight, kPercent };
  const struct {
    int32_t lW;
    int32_t lH;
    bool bKeep;
    bool bPercent;
    eBox eTyped;
    const char* sTyped;
    const char* sWidth;
    const char* sHeight;
    const char* sAccepted;  // "" when OK refuses
  } cases[] = {
      {640, 480, false, false, kWidth, "320", "320", "480", "320x480"},
      {640, 480, true, false, kWidth, "320", "320", "240", "320x240"},
      {640, 480, true, false, kHeight, "120", "160", "120", "160x120"},
      {640, 480, true, false, kHeight, "abc", "640", "abc", ""},
      {640, 481, true, false, kWidth, "100", "100", "75", "100x75"},
      {640, 481, true, false, kWidth, "-64", "-64", "-48", ""},
      {640, 481, true, false, kWidth, "2.5", "2.5", "1", "2x1"},
      {640, 480, false, true, kPercent, "50", "320", "240", "320x240"},
      {640, 480, false, true, kPercent, "12.5", "77", "58", "77x58"},
      {640, 480, false, true, kPercent, "13.5", "90", "67", "90x67"},
      {640, 480, false, true, kPercent, "abc", "640", "480", "640x480"},
      {101, 101, false, true, kPercent, "33", "33", "33", "33x33"},
      {101, 33, true, true, kPercent, "50", "48", "16", "48x16"},
      {640, 480, false, false, kWidth, "32767", "32767", "480", "32767x480"},
      {640, 480, false, false, kHeight, " 2.5 ", "640", " 2.5 ", "640x2"},
      {640, 480, false, false, kWidth, "0", "0", "480", ""},
      {640, 480, false, false, kWidth, "", "", "480", ""},
      {640, 480, false, false, kWidth, "32768", "32768", "480", ""},
      {640, 480, false, false, kWidth, "99999999999", "99999999999", "480", ""},
      {640, 480, false, false, kWidth, "0.4", "0.4", "480", ""},
      {640, 480, false, false, kHeight, "1e3", "640", "1e3", ""},
  };
  int iRefused = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.lW) + " x " + std::to_string(c.lH) + " typed " + c.sTyped);
    Open(c.lW, c.lH);
    if (c.bKeep) Click(Dialog().chkKeepProportion());
    EXPECT_EQ(Height(), QString::number(c.lH)) << "ticking changes nothing by itself";
    if (c.bPercent) Click(Dialog().optStyle(1));
    QLineEdit* pBoxes[] = {Dialog().txtWidth(), Dialog().txtHeight(), Dialog().txtPercent()};
    test::TypeInto(pBoxes[c.eTyped], c.sTyped);
    const std::tuple<QString, QString, QString> shown(pBoxes[c.eTyped]->text(), Width(), Height());
    EXPECT_EQ(shown, std::tuple(c.sTyped, c.sWidth, c.sHeight));
    const size_t lMessages = m_messages.Shown().size();
    Click(Dialog().cmdOK());
    const bool bAccepted = *c.sAccepted != 0;
    EXPECT_EQ(std::tuple(Dialog().isVisible(), Dialog().Cancelled(), m_messages.Shown().size()),
              std::tuple(!bAccepted, !bAccepted, lMessages + (bAccepted ? 0 : 1)));
    if (bAccepted) {
      EXPECT_EQ(
          std::to_string(Dialog().ImageWidth()) + "x" + std::to_string(Dialog().ImageHeight()),
          c.sAccepted);
      continue;
    }
    EXPECT_EQ(std::tuple(pBoxes[c.eTyped]->text(), Width(), Height()), shown);
    // Cancel, Escape or the close box: cancelled and unloaded, the main window made topmost again.
    if (iRefused == 0) Click(Dialog().cmdCancel());
    if (iRefused == 1) QTest::keyClick(Dialog().txtWidth(), Qt::Key_Escape);
    if (iRefused++ >= 2) Dialog().close();
    EXPECT_EQ(std::tuple(Dialog().isVisible(), Dialog().Cancelled(), Dialog().ImageWidth(),
                         LoadedWindows().IndexOf(&Dialog()), m_topMost.Calls().back()),
              std::tuple(false, true, 0, -1, test::sTopMostCall{&m_main, true}));
  }
  EXPECT_EQ(
      test::Messages(m_messages),
      std::vector<test::tMessage>(8, {"Please enter a width and a height between 1 and 32767.",
                                      eMsgButtons::OK, eMsgIcon::Information, kAppTitle}));
}

TEST_F(NewSizeDialog, PercentModeSwapsWhichBoxesTakeInput) {
  Open(640, 480);
  Click(Dialog().chkKeepProportion());
  Click(Dialog().optStyle(1));
  // The mark stays while disabled.
  EXPECT_EQ(Modes(), "txtWidth:ro:face txtHeight:ro:face txtPercent:rw:window kept disabled");
  Click(Dialog().optStyle(0));
  EXPECT_EQ(Modes(), "txtWidth:rw:window txtHeight:rw:window txtPercent:ro:face kept");
}

}  // namespace
}  // namespace brennic
