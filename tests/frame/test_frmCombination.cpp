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
#include <array>
#include <memory>
#include <string>
#include <utility>

#include "FrameTestUtil.h"
#include "document/IImageDocument.h"
#include "frame/frmCombination.h"
#include "platform/cLoadedWindows.h"
#include "support/DialogTestUtil.h"
#include "support/GuiTestUtil.h"

namespace brennic {
namespace {

using test::ChooseListEntry;
using test::TypeInto;

// An image document as the dialog sees it, and another kind of window in the collection.
class cFakeImage final : public QWidget, public cLoadedWindow, public IImageDocument {
 public:
  cFakeImage(std::string sTitle, int32_t lWidth, int32_t lHeight)
      : cLoadedWindow(kImageDocumentClass), m_sTitle(std::move(sTitle)), m_size{lWidth, lHeight} {}
  hDC ImageDibHDC() override { return nullptr; }
  int32_t ImageWidth() const override { return m_size[0]; }
  int32_t ImageHeight() const override { return m_size[1]; }
  std::string FileTitle() const override { return m_sTitle; }

 private:
  std::string m_sTitle;
  std::array<int32_t, 2> m_size;
};
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
  // Offset 1, offset 2, multiplier 1, multiplier 2.
  void SetBoxes(const std::array<const char*, 4>& texts) {
    for (int i = 0; i < 4; ++i)
      TypeInto(i < 2 ? Dialog().txtOffset(i) : Dialog().txtMultiplier(i - 2), texts[i]);
  }

  test::cScriptedMessageBoxes m_messages;
  test::cScopedScreenMetrics m_metrics;
  test::cTopMostLog m_topMost;
  std::unique_ptr<frmCombination> m_pDialog;
};

TEST_F(CombinationDialog, ControlsWithTheirCaptionsAndDefaults) {
  Open();
  QStringList texts{Dialog().windowTitle()};
  for (const char* sName : {"lblSource", "lblOffset", "lblMultiplier"}) {
    for (int i = 0; i < 2; ++i)
      texts << cModalDialog::IndexedChild<QLabel>(&Dialog(), sName, i)->text();
  }
  for (int i = 0; i < 3; ++i)
    texts << Dialog().optCombine(i)->text();
  texts << Dialog().txtOffset(0)->text() << Dialog().txtMultiplier(1)->text();
  EXPECT_EQ(texts, (QStringList{"Image Combination", "Source Image &1:", "Source Image &2:",
                                "Offset:", "Offset:", "Multiplier:", "Multiplier:", "&Add Images",
                                "&Darkest", "&Lightest", "0", "1"}));
  EXPECT_EQ(cModalDialog::IndexedChild<QLabel>(&Dialog(), "lblSource", 1)->buddy(),
            Dialog().cboSource(1));
  EXPECT_TRUE(Dialog().optCombine(0)->isChecked());
  EXPECT_TRUE(Dialog().cmdOK()->isDefault());
  EXPECT_TRUE(Dialog().Cancelled());
}

// Only image documents are listed, each in both lists; the output size is the smaller of each
// side of the two chosen.
TEST_F(CombinationDialog, TheListsHoldTheImageDocumentsAndTheOutputSizeIsTheSmallerSide) {
  // The chosen documents' places in the collection and the output size, as one line.
  const auto chosen = [&] {
    return std::to_string(Dialog().ImageSource(1)) + " " + std::to_string(Dialog().ImageSource(2)) +
           " " + Dialog().lblInfo()->text().toStdString() + " = " +
           std::to_string(Dialog().NewImageWidth()) + " x " +
           std::to_string(Dialog().NewImageHeight());
  };
  {
    cFakeImage only("Photo.bmp", 50, 40);  // one document: chosen in both
    Open();
    EXPECT_EQ(chosen(), "0 0 Output image size: 50 x 40 = 50 x 40");
  }
  cFakeImage wide("Wide.bmp", 100, 80);
  cOtherWindow other;
  cFakeImage tall("Tall.gif", 60, 120);
  cFakeImage small("Small.ico", 32, 32);
  Open();
  ASSERT_EQ(Dialog().cboSource(0)->count(), 3);
  EXPECT_EQ(Dialog().cboSource(1)->itemText(1), "Tall.gif");
  EXPECT_EQ(Dialog().cboSource(1)->itemData(1).toInt(), 2);
  EXPECT_EQ(chosen(), "0 2 Output image size: 60 x 80 = 60 x 80");
  ChooseListEntry(Dialog().cboSource(0), 2);
  EXPECT_EQ(chosen(), "3 2 Output image size: 32 x 32 = 32 x 32");
  ChooseListEntry(Dialog().cboSource(1), 0);
  EXPECT_EQ(chosen(), "3 0 Output image size: 32 x 32 = 32 x 32");
}

// The four boxes and their labels are enabled for "Add Images" only, and keep their text.
TEST_F(CombinationDialog, AddControlsAreEnabledOnlyForAddImages) {
  Open();
  SetBoxes({"5", "-5", "2", "3"});
  std::vector<QWidget*> tagged;
  for (QWidget* p : Dialog().findChildren<QWidget*>()) {
    if (cModalDialog::Tag(p) == "Add") tagged.push_back(p);
  }
  ASSERT_EQ(tagged.size(), 8u) << "the four boxes and their labels";
  for (const int iOption : {1, 2, 0}) {
    Click(Dialog().optCombine(iOption));
    for (const QWidget* p : tagged)
      EXPECT_EQ(p->isEnabled(), iOption == 0) << p->objectName().toStdString() << iOption;
    EXPECT_TRUE(Dialog().cboSource(0)->isEnabled());
  }
  EXPECT_EQ(Dialog().txtOffset(1)->text(), "-5");
  EXPECT_EQ(Dialog().txtMultiplier(1)->text(), "3");
}

// OK (clicked or pressed) reads the four boxes, rounding halves to even, whichever option is
// chosen: the disabled boxes too.
TEST_F(CombinationDialog, OkReadsTheFourBoxesRoundingHalvesToEven) {
  const struct {
    int iOption;
    bool bKey;
    std::array<const char*, 4> boxes;
    std::array<int32_t, 5> expected;  // type, offsets, multipliers
  } cases[] = {{0, false, {" 2.5 ", "3.5", "-7", "+1.5"}, {1, 2, 4, -7, 2}},
               {2, true, {"10", "-20", "3", "0"}, {3, 10, -20, 3, 0}},
               {1, false, {"0", "0", "1", "1"}, {2, 0, 0, 1, 1}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.iOption);
    Open();
    SetBoxes(c.boxes);
    Click(Dialog().optCombine(c.iOption));
    if (c.bKey) {
      QTest::keyClick(Dialog().cmdOK(), Qt::Key_Space);
    } else {
      Click(Dialog().cmdOK());
    }
    EXPECT_FALSE(Dialog().isVisible());
    EXPECT_FALSE(Dialog().Cancelled());
    EXPECT_EQ(
        (std::array<int32_t, 5>{Dialog().CombinationType(), Dialog().Offset(1), Dialog().Offset(2),
                                Dialog().Multiplier(1), Dialog().Multiplier(2)}),
        c.expected);
  }
  EXPECT_TRUE(m_messages.Shown().empty());
}

TEST_F(CombinationDialog, UnreadableEntriesAreRefusedEvenWhenDisabled) {
  Open();
  SetBoxes({"1", "abc", "1", "1"});
  Click(Dialog().optCombine(2));
  Click(Dialog().cmdOK());
  ASSERT_EQ(m_messages.Shown().size(), 1u);
  // The wrong box is named, whichever option is chosen.
  EXPECT_EQ(test::Box(m_messages.Shown()[0]),
            test::Box("Error in entries.\n\nSource Image 2: Offset", eMsgIcon::Information));
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

}  // namespace
}  // namespace brennic
