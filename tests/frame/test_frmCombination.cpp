// The combine dialog at OK (Image > Combine from the menu pins the rest).

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <array>

#include "FrameTestUtil.h"
#include "frame/frmCombination.h"
#include "support/DialogTestUtil.h"

namespace brennic {
namespace {

using test::TypeInto;

class CombinationDialog : public ::testing::Test {
 protected:
  void Open() {
    m_pDialog = std::make_unique<frmCombination>(nullptr, m_topMost.Function());
    m_pDialog->show();
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
