// The custom filter editor driven through its controls: the opening state, the key filter and
// the three-character limit, the colours, Auto-calc, Base On, the refusals at OK, the kernel
// size found from the non-zero boxes, and storing and reloading named filters through the
// settings store.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "filters/cCustomFilterStore.h"
#include "filters/frmCustomFilter.h"
#include "platform/mSysColor.h"
#include "support/DialogTestUtil.h"
#include "support/GuiTestUtil.h"
#include "support/RegistryTestUtil.h"

namespace brennic {
namespace {

using test::ChooseListEntry;
using test::TypeInto;

constexpr int kCentre = frmCustomFilter::kCentreBox;

int Box(int iRow, int iColumn) {
  return 7 * iRow + iColumn;
}

class CustomFilterDialog : public ::testing::Test {
 protected:
  void SetUp() override { Open(); }

  // A fresh dialog, shown (which loads it) but not modal, so that the test can drive it.
  void Open() {
    m_pDialog = std::make_unique<frmCustomFilter>(nullptr, m_topMost.Function());
    m_pDialog->show();
  }
  frmCustomFilter& Dialog() { return *m_pDialog; }
  QLineEdit* Value(int i) { return m_pDialog->txtValue(i); }
  QString Weight() { return m_pDialog->txtWeight()->text(); }
  void Type(int i, const QString& s) { TypeInto(Value(i), s); }
  void ClickOK() { QTest::mouseClick(m_pDialog->cmdOK(), Qt::LeftButton); }
  int32_t Colour(int i) { return cModalDialog::BackColor(Value(i)); }
  // Chooses a Base On entry by its caption from the opened list.
  void BaseOn(const QString& sCaption) {
    const int i = m_pDialog->cboBaseOn()->findText(sCaption);
    ASSERT_GE(i, 0) << sCaption.toStdString();
    ChooseListEntry(m_pDialog->cboBaseOn(), i);
    ASSERT_EQ(m_pDialog->cboBaseOn()->currentText(), sCaption);
  }
  void TypeName(const QString& sName) { TypeInto(m_pDialog->cboName()->lineEdit(), sName); }
  // Every box's text, row by row.
  std::vector<std::string> Grid() {
    std::vector<std::string> texts;
    for (int i = 0; i < kFilterCells; ++i)
      texts.push_back(Value(i)->text().toStdString());
    return texts;
  }
  // A grid of "0" with the given boxes set.
  static std::vector<std::string> GridWith(const std::vector<std::pair<int, std::string>>& set) {
    std::vector<std::string> texts(kFilterCells, "0");
    for (const auto& [i, s] : set)
      texts[static_cast<size_t>(i)] = s;
    return texts;
  }

  test::cScopedRegistry m_registry;
  test::cScriptedMessageBoxes m_messages;
  test::cScopedScreenMetrics m_metrics;
  test::cTopMostLog m_topMost;
  std::unique_ptr<frmCustomFilter> m_pDialog;
};

TEST_F(CustomFilterDialog, OpensWithTheIdentityKernel) {
  EXPECT_EQ(Dialog().windowTitle(), "Custom Filter");
  EXPECT_TRUE(Dialog().Cancelled());
  EXPECT_EQ(Grid(), GridWith({{kCentre, "1"}}));
  for (int i = 0; i < kFilterCells; ++i) {
    EXPECT_EQ(Colour(i), i == kCentre ? kSysWindowColor : kSysButtonFace) << i;
  }
  EXPECT_EQ(Weight(), "1");
  EXPECT_FALSE(Dialog().chkAuto()->isChecked());
  EXPECT_EQ(Dialog().chkAuto()->text(), "Auto-&calc");
  EXPECT_EQ(Dialog().cboName()->currentText(), "New Filter");
  EXPECT_EQ(Dialog().cboName()->count(), 0);
  EXPECT_EQ(Dialog().cboBaseOn()->currentText(), "<none>");
  EXPECT_FALSE(Dialog().cboBaseOn()->isEditable());

  const std::vector<std::pair<QString, int>> expected = {
      {"<none>", -1}, {"<reset>", -2},    {"Blur", 1},    {"Blur More", 2},
      {"Soften", 3},  {"Soften More", 4}, {"Sharpen", 5}, {"Sharpen More", 6}};
  ASSERT_EQ(Dialog().cboBaseOn()->count(), static_cast<int>(expected.size()));
  for (int i = 0; i < Dialog().cboBaseOn()->count(); ++i) {
    EXPECT_EQ(Dialog().cboBaseOn()->itemText(i), expected[static_cast<size_t>(i)].first);
    EXPECT_EQ(Dialog().cboBaseOn()->itemData(i).toInt(), expected[static_cast<size_t>(i)].second);
  }
}

TEST_F(CustomFilterDialog, ControlsSitAtTheirPlacesAndAnswerToTheirNames) {
  // Box i: left 60 + 480 column, top 480 + 360 row, 435 x 315 twips; 15 twips per pixel.
  for (int i : {0, 8, 24, 48}) {
    QLineEdit* pBox = cModalDialog::IndexedChild<QLineEdit>(&Dialog(), "txtValue", i);
    ASSERT_EQ(pBox, Value(i));
    EXPECT_EQ(pBox->geometry(), QRect(4 + 32 * (i % 7), 32 + 24 * (i / 7), 29, 21)) << i;
  }
  EXPECT_EQ(cModalDialog::IndexedChild<QLineEdit>(&Dialog(), "txtValue", 49), nullptr);
  for (const char* sName : {"lblName", "cboName", "lblWeight", "txtWeight", "chkAuto", "lblBase",
                            "cboBaseOn", "cmdOK", "cmdCancel"}) {
    EXPECT_NE(Dialog().findChild<QWidget*>(sName), nullptr) << sName;
  }
  EXPECT_EQ(Dialog().findChild<QLabel*>("lblName")->text(), "Name:");
  EXPECT_EQ(Dialog().findChild<QLabel*>("lblWeight")->text(), "Weight:");
  EXPECT_EQ(Dialog().findChild<QLabel*>("lblBase")->text(), "Base On:");
  EXPECT_TRUE(Dialog().cmdOK()->isDefault());
  EXPECT_EQ(Dialog().font().pointSizeF(), 8.25);
  EXPECT_TRUE(Dialog().windowFlags().testFlag(Qt::Tool));
  EXPECT_FALSE(Dialog().windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(Dialog().windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(Dialog().minimumSize(), Dialog().maximumSize());
}

TEST_F(CustomFilterDialog, BoxesTakeDigitsMinusAndBackspaceUpToThreeCharacters) {
  Type(0, "a1 -.b2x");
  EXPECT_EQ(Value(0)->text(), "1-2");
  QTest::keyClicks(Value(0), "9");
  EXPECT_EQ(Value(0)->text(), "1-2") << "a fourth character";
  QTest::keyClick(Value(0), Qt::Key_Backspace);
  EXPECT_EQ(Value(0)->text(), "1-");
  QTest::keyClicks(Value(0), "75");
  EXPECT_EQ(Value(0)->text(), "1-7");
  // Typing over a selection replaces it, so it does not count against the limit.
  Type(0, "999");
  EXPECT_EQ(Value(0)->text(), "999");
  // Control characters are discarded too: no paste or select-all from the keyboard.
  Value(0)->deselect();
  QTest::keyClick(Value(0), Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(Value(0)->selectedText(), "");
  // Keys that type nothing still move and delete.
  QTest::keyClick(Value(0), Qt::Key_Home);
  QTest::keyClick(Value(0), Qt::Key_Delete);
  EXPECT_EQ(Value(0)->text(), "99");

  TypeInto(Dialog().txtWeight(), "+1e2x45");
  EXPECT_EQ(Weight(), "124");

  // Text that does not come from the keyboard is neither filtered nor cut.
  Value(1)->setText("12345.5");
  EXPECT_EQ(Value(1)->text(), "12345.5");
}

TEST_F(CustomFilterDialog, ColourShowsWhetherABoxIsNonZero) {
  Type(3, "5");
  EXPECT_EQ(Colour(3), kSysWindowColor);
  Type(3, "-");
  EXPECT_EQ(Colour(3), kSysWindowColor) << "a lone minus keeps the colour";
  Type(3, "-0");
  EXPECT_EQ(Colour(3), kSysButtonFace);
  Type(3, "-7");
  EXPECT_EQ(Colour(3), kSysWindowColor);
  Type(3, "");
  EXPECT_EQ(Colour(3), kSysWindowColor) << "an empty box keeps the colour";
  Type(3, "00");
  EXPECT_EQ(Colour(3), kSysButtonFace);
  Type(3, "12-");
  EXPECT_EQ(Colour(3), kSysWindowColor) << "12- is no number as a whole: the colour of 12 stays";
  Type(3, "0");
  Value(3)->setText("5-");
  EXPECT_EQ(Colour(3), kSysButtonFace);

  Type(kCentre, "0");
  EXPECT_EQ(Colour(kCentre), kSysButtonFace);
  // The colours are those of the palette's window and button-face entries.
  EXPECT_EQ(Value(kCentre)->palette().color(QPalette::Base),
            ColorFromRGB(TranslatedColorOrMinusOne(kSysButtonFace)));
}

TEST_F(CustomFilterDialog, AutoCalcSumsTheBoxesThatHoldNumbers) {
  Type(0, "2");
  EXPECT_EQ(Weight(), "1") << "no sums while Auto-calc is off";
  Dialog().chkAuto()->click();
  EXPECT_EQ(Weight(), "3");
  Type(48, "-10");
  EXPECT_EQ(Weight(), "-7");
  Type(47, "12-");
  EXPECT_EQ(Weight(), "-7") << "a box that is not a number as a whole adds nothing";
  Type(46, "-");
  EXPECT_EQ(Weight(), "-7");
  Type(48, "6");
  EXPECT_EQ(Weight(), "9");
  Type(0, "-9");
  EXPECT_EQ(Weight(), "-2");
  Type(kCentre, "0");
  EXPECT_EQ(Weight(), "-3") << "the weight may be 0 or negative";

  Dialog().chkAuto()->click();
  EXPECT_FALSE(Dialog().chkAuto()->isChecked());
  EXPECT_EQ(Weight(), "-3") << "unchecking changes nothing";
  Type(1, "5");
  EXPECT_EQ(Weight(), "-3");

  // A weight typed while Auto-calc is on is replaced at the next change of a box.
  Dialog().chkAuto()->click();
  EXPECT_EQ(Weight(), "2");
  TypeInto(Dialog().txtWeight(), "50");
  Type(1, "4");
  EXPECT_EQ(Weight(), "1");
}

TEST_F(CustomFilterDialog, BaseOnBlurThenNoneKeepsTheBlurKernel) {
  BaseOn("Blur");
  std::vector<std::pair<int, std::string>> ones;
  for (int r = 2; r <= 4; ++r) {
    for (int c = 2; c <= 4; ++c)
      ones.emplace_back(Box(r, c), "1");
  }
  EXPECT_EQ(Grid(), GridWith(ones));
  EXPECT_EQ(Weight(), "9");
  EXPECT_EQ(Colour(Box(2, 2)), kSysWindowColor);
  EXPECT_EQ(Colour(Box(1, 1)), kSysButtonFace);

  BaseOn("<none>");
  EXPECT_EQ(Grid(), GridWith(ones));
  EXPECT_EQ(Weight(), "9");

  BaseOn("<reset>");
  EXPECT_EQ(Grid(), GridWith({{kCentre, "1"}}));
  EXPECT_EQ(Weight(), "1");
  EXPECT_EQ(Colour(Box(2, 2)), kSysButtonFace);
  EXPECT_EQ(Colour(kCentre), kSysWindowColor);
}

TEST_F(CustomFilterDialog, BaseOnReplacesTheWholeGridWithTheBuiltInKernel) {
  Type(0, "7");
  Type(48, "-3");
  BaseOn("Sharpen");
  std::vector<std::pair<int, std::string>> sharpen;
  for (int r = 2; r <= 4; ++r) {
    for (int c = 2; c <= 4; ++c)
      sharpen.emplace_back(Box(r, c), Box(r, c) == kCentre ? "15" : "-1");
  }
  EXPECT_EQ(Grid(), GridWith(sharpen));
  EXPECT_EQ(Weight(), "7");

  BaseOn("Soften More");
  EXPECT_EQ(Value(kCentre)->text(), "12");
  EXPECT_EQ(Value(Box(2, 3))->text(), "2");
  EXPECT_EQ(Value(Box(1, 1))->text(), "1");
  EXPECT_EQ(Value(Box(0, 0))->text(), "0");
  EXPECT_EQ(Weight(), "44");

  // With Auto-calc on, the weight is still the built-in one at the end.
  Dialog().chkAuto()->click();
  BaseOn("Sharpen More");
  EXPECT_EQ(Value(kCentre)->text(), "5");
  EXPECT_EQ(Value(Box(2, 2))->text(), "0");
  EXPECT_EQ(Value(Box(2, 3))->text(), "-1");
  EXPECT_EQ(Weight(), "1");
}

TEST_F(CustomFilterDialog, ResetRestoresTheIdentityAfterTyping) {
  Type(0, "7");
  Type(kCentre, "-");
  TypeInto(Dialog().txtWeight(), "40");
  BaseOn("<reset>");
  EXPECT_EQ(Grid(), GridWith({{kCentre, "1"}}));
  EXPECT_EQ(Weight(), "1");
  EXPECT_EQ(Colour(0), kSysButtonFace);
}

TEST_F(CustomFilterDialog, RefusesAFilterThatWouldMakeEveryImageBlack) {
  Type(kCentre, "0");
  ClickOK();
  Type(kCentre, "-");
  Type(0, "");
  ClickOK();
  ASSERT_EQ(m_messages.Shown().size(), 2u);
  for (const test::sShownMessage& shown : m_messages.Shown()) {
    EXPECT_EQ(shown.sText,
              "This filter would always cause the output image to be black.  Please enter a "
              "value.");
    EXPECT_EQ(shown.eIcon, eMsgIcon::Information);
    EXPECT_EQ(shown.eButtons, eMsgButtons::OK);
    EXPECT_EQ(shown.sTitle, kAppTitle);
  }
  EXPECT_TRUE(Dialog().isVisible());
  EXPECT_TRUE(Dialog().Cancelled());
  EXPECT_EQ(Value(kCentre)->text(), "-") << "the entries stay as they were";
  EXPECT_TRUE(ListFilters().empty());
}

TEST_F(CustomFilterDialog, RefusesACentreOnlyFilter) {
  Type(kCentre, "8");
  ClickOK();
  ASSERT_EQ(m_messages.Shown().size(), 1u);
  EXPECT_EQ(m_messages.Shown()[0].sText, "Filters must be at least 3x3 in size.");
  EXPECT_EQ(m_messages.Shown()[0].eIcon, eMsgIcon::Information);
  EXPECT_TRUE(Dialog().isVisible());
  EXPECT_TRUE(Dialog().Cancelled());
  EXPECT_TRUE(ListFilters().empty());

  // Closing by the close box after the refusal leaves the dialog cancelled.
  Dialog().close();
  EXPECT_FALSE(Dialog().isVisible());
  EXPECT_TRUE(Dialog().Cancelled());
}

TEST_F(CustomFilterDialog, RefusesValuesTheStoreCannotHold) {
  Type(0, "256");
  ClickOK();
  ASSERT_EQ(m_messages.Shown().size(), 1u);
  EXPECT_EQ(m_messages.Shown()[0].sText, "Values must lie between -255 and 255.");
  EXPECT_EQ(m_messages.Shown()[0].eIcon, eMsgIcon::Information);
  EXPECT_TRUE(Dialog().isVisible());
  EXPECT_TRUE(Dialog().Cancelled());
  EXPECT_TRUE(ListFilters().empty());

  Type(0, "255");
  Type(1, "-99");
  ClickOK();
  EXPECT_EQ(m_messages.Shown().size(), 1u);
  EXPECT_FALSE(Dialog().isVisible());
  EXPECT_FALSE(Dialog().Cancelled());
  EXPECT_EQ(Dialog().ImageProcess().FilterValue(-3, -3), 255);
  EXPECT_EQ(Dialog().ImageProcess().FilterValue(-3, -2), -99);
}

TEST_F(CustomFilterDialog, OneFarBoxMakesTheFilterSevenWide) {
  Type(Box(0, 3), "4");
  TypeInto(Dialog().txtWeight(), "5");
  ClickOK();
  EXPECT_TRUE(m_messages.Shown().empty());
  EXPECT_FALSE(Dialog().Cancelled());
  cImageProcessDIB& engine = Dialog().ImageProcess();
  EXPECT_EQ(engine.FilterArraySize(), 7);
  EXPECT_EQ(engine.FilterWeight(), 5);
  // Row r of the grid is iX = r - 3, column c is iY = c - 3.
  EXPECT_EQ(engine.FilterValue(-3, 0), 4);
  EXPECT_EQ(engine.FilterValue(0, -3), 0);
  EXPECT_EQ(engine.FilterValue(0, 0), 1);
}

TEST_F(CustomFilterDialog, BoxesWithinTheMiddleThreeRowsAndColumnsMakeAThreeByThree) {
  Type(Box(2, 4), "3");
  Type(Box(4, 2), "-2");
  Type(Box(3, 4), "12-");  // text value 12
  Type(Box(0, 0), "-");    // text value 0
  Type(Box(6, 6), "");
  TypeInto(Dialog().txtWeight(), "-4");
  ClickOK();
  EXPECT_FALSE(Dialog().Cancelled());
  cImageProcessDIB& engine = Dialog().ImageProcess();
  EXPECT_EQ(engine.FilterArraySize(), 3);
  EXPECT_EQ(engine.FilterWeight(), -4) << "a negative weight is handed over unchanged";
  EXPECT_EQ(engine.FilterValue(-1, 1), 3);
  EXPECT_EQ(engine.FilterValue(1, -1), -2);
  EXPECT_EQ(engine.FilterValue(0, 1), 12);
  EXPECT_EQ(engine.FilterValue(0, 0), 1);
  EXPECT_EQ(engine.FilterValue(-1, -1), 0);
}

TEST_F(CustomFilterDialog, FiveByFiveFromTheSecondRing) {
  Type(Box(5, 2), "1");
  Type(kCentre, "0");
  ClickOK();
  EXPECT_EQ(Dialog().ImageProcess().FilterArraySize(), 5);
  EXPECT_EQ(Dialog().ImageProcess().FilterValue(2, -1), 1);
}

TEST_F(CustomFilterDialog, CancelEscapeAndTheCloseBoxLeaveItCancelled) {
  Type(0, "5");
  QTest::mouseClick(Dialog().cmdCancel(), Qt::LeftButton);
  EXPECT_FALSE(Dialog().isVisible());
  EXPECT_TRUE(Dialog().Cancelled());

  Open();
  Type(0, "5");
  QTest::keyClick(Value(0), Qt::Key_Escape);
  EXPECT_FALSE(Dialog().isVisible());
  EXPECT_TRUE(Dialog().Cancelled());

  Open();
  Dialog().close();
  EXPECT_TRUE(Dialog().Cancelled());
  EXPECT_TRUE(ListFilters().empty()) << "nothing is stored unless accepted";
}

TEST_F(CustomFilterDialog, EnterAcceptsThroughTheDefaultButton) {
  Type(Box(3, 2), "2");
  QTest::keyClick(Value(Box(3, 2)), Qt::Key_Return);
  EXPECT_FALSE(Dialog().isVisible());
  EXPECT_FALSE(Dialog().Cancelled());
}

TEST_F(CustomFilterDialog, TopmostWhileShownAndTheMainWindowGetsItBack) {
  QWidget main;
  test::cTopMostLog log;
  frmCustomFilter dialog(&main, log.Function());
  EXPECT_TRUE(log.Calls().empty()) << "nothing before it is shown";
  dialog.show();
  ASSERT_EQ(log.Calls().size(), 1u);
  EXPECT_EQ(log.Calls()[0], (test::sTopMostCall{&dialog, true}));
  EXPECT_EQ(LoadedWindows().IndexOf(&dialog), LoadedWindows().Count() - 1);

  QTest::keyClick(dialog.txtValue(0), Qt::Key_Escape);
  ASSERT_EQ(log.Calls().size(), 2u);
  EXPECT_EQ(log.Calls()[1], (test::sTopMostCall{&main, true}));
  EXPECT_EQ(LoadedWindows().IndexOf(&dialog), -1) << "unloaded";
  EXPECT_TRUE(dialog.Cancelled()) << "still readable";
}

TEST_F(CustomFilterDialog, StoresANamedFilterAndLoadsItBack) {
  TypeName("Edges");
  Type(Box(0, 1), "-7");  // cell (iX, iY) = (-3, -2)
  Type(Box(1, 0), "9");   // cell (-2, -3)
  Type(kCentre, "255");
  TypeInto(Dialog().txtWeight(), "3");
  ClickOK();
  ASSERT_FALSE(Dialog().Cancelled());
  EXPECT_EQ(ListFilters(), (std::vector<std::pair<int32_t, std::string>>{{1, "Edges"}}));
  const std::optional<CustomFilterRecord> stored = LoadFilter(1);
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->lWeight, 3);
  EXPECT_EQ(stored->aCells[static_cast<size_t>(FilterCellIndex(-3, -2))], -7);
  EXPECT_EQ(stored->aCells[static_cast<size_t>(FilterCellIndex(-2, -3))], 9);
  EXPECT_EQ(stored->aCells[static_cast<size_t>(FilterCellIndex(0, 0))], 255);

  // A new dialog lists it; picking it fills the grid as it was.
  Open();
  ASSERT_EQ(Dialog().cboName()->count(), 1);
  EXPECT_EQ(Dialog().cboName()->itemText(0), "Edges");
  EXPECT_EQ(Dialog().cboName()->itemData(0).toInt(), 1);
  EXPECT_EQ(Dialog().cboName()->currentText(), "New Filter");
  ChooseListEntry(Dialog().cboName(), 0);
  EXPECT_EQ(Dialog().cboName()->currentText(), "Edges");
  EXPECT_EQ(Grid(), GridWith({{Box(0, 1), "-7"}, {Box(1, 0), "9"}, {kCentre, "255"}}));
  EXPECT_EQ(Weight(), "3");
  EXPECT_EQ(Colour(Box(0, 1)), kSysWindowColor);

  // Accepting the picked entry overwrites it under its number.
  Type(Box(6, 6), "1");
  ClickOK();
  EXPECT_EQ(ListFilters().size(), 1u);
  EXPECT_EQ(LoadFilter(1)->aCells[48], 1);
  EXPECT_EQ(Dialog().ImageProcess().FilterArraySize(), 7);
  EXPECT_EQ(Dialog().ImageProcess().FilterValue(-3, -2), -7);

  // The same name typed by hand is a new entry.
  Open();
  TypeName("Edges");
  Type(Box(2, 2), "1");
  ClickOK();
  EXPECT_EQ(ListFilters(),
            (std::vector<std::pair<int32_t, std::string>>{{1, "Edges"}, {2, "Edges"}}));
  EXPECT_EQ(LoadFilter(2)->aCells[static_cast<size_t>(Box(2, 2))], 1);
  EXPECT_EQ(LoadFilter(1)->aCells[static_cast<size_t>(Box(2, 2))], 0);
}

TEST_F(CustomFilterDialog, EveryAcceptWithTheUntouchedNameAddsAnEntry) {
  for (int n = 1; n <= 2; ++n) {
    Open();
    Type(Box(3, 4), QString::number(n));
    ClickOK();
    ASSERT_FALSE(Dialog().Cancelled());
  }
  EXPECT_EQ(ListFilters(),
            (std::vector<std::pair<int32_t, std::string>>{{1, "New Filter"}, {2, "New Filter"}}));
  // Leaving the name field after typing a stored name does not pick the stored filter.
  Open();
  TypeName("New Filter");
  Dialog().cboName()->lineEdit()->editingFinished();
  EXPECT_EQ(Value(Box(3, 4))->text(), "0");
}

TEST_F(CustomFilterDialog, EditingAPickedNameMakesANewEntry) {
  CustomFilterRecord record;
  record.sName = "Soft";
  record.lWeight = 4;
  record.aCells[static_cast<size_t>(Box(3, 2))] = 2;
  SaveFilter(record, 1, true);
  Open();
  ChooseListEntry(Dialog().cboName(), 0);
  TypeName("Softer");
  ClickOK();
  EXPECT_EQ(ListFilters(),
            (std::vector<std::pair<int32_t, std::string>>{{1, "Soft"}, {2, "Softer"}}));
}

TEST_F(CustomFilterDialog, LoadingWithAutoCalcEndsWithTheSum) {
  CustomFilterRecord record;
  record.sName = "Odd weight";
  record.lWeight = 100;
  record.aCells[static_cast<size_t>(Box(2, 3))] = 3;
  record.aCells[static_cast<size_t>(Box(4, 3))] = -1;
  SaveFilter(record, 1, true);
  CustomFilterRecord noWeight;
  noWeight.sName = "No weight";
  noWeight.aCells[static_cast<size_t>(kCentre)] = 1;
  noWeight.aCells[static_cast<size_t>(Box(3, 2))] = 1;
  SaveFilter(noWeight, 2, true);

  Open();
  Dialog().chkAuto()->click();
  ChooseListEntry(Dialog().cboName(), 0);
  EXPECT_EQ(Weight(), "2") << "3 - 1 + 0 at the centre";

  // Without Auto-calc, a filter stored without a weight leaves the weight box empty.
  Dialog().chkAuto()->click();
  ChooseListEntry(Dialog().cboName(), 1);
  EXPECT_EQ(Weight(), "");
  EXPECT_EQ(Value(Box(3, 2))->text(), "1");
}

TEST_F(CustomFilterDialog, PickingAFilterWithoutAKeyChangesNothing) {
  // A name whose filter key is missing, as another program might leave it.
  ASSERT_TRUE(test::PutRawValue(m_registry.Store(), kHKeyCurrentUser, kAppSettingsKey,
                                "CustomFilters", 4, {1, 0, 0, 0}));
  ASSERT_TRUE(test::PutRawValue(m_registry.Store(), kHKeyCurrentUser, kAppSettingsKey, "Filter1", 1,
                                {'G', 'o', 'n', 'e', 0}));
  Open();
  Type(0, "6");
  ASSERT_EQ(Dialog().cboName()->count(), 1);
  ChooseListEntry(Dialog().cboName(), 0);
  EXPECT_EQ(Value(0)->text(), "6");
  EXPECT_EQ(Weight(), "1");
}

TEST_F(CustomFilterDialog, AFilterThatCannotBeStoredIsStillApplied) {
  test::cFailingWrites readOnly(m_registry.Store(), 0, kErrorAccessDenied);
  IRegistryStore* pPrevious = SetRegistryStore(&readOnly);
  Type(Box(3, 2), "2");
  ClickOK();
  SetRegistryStore(pPrevious);
  ASSERT_EQ(m_messages.Shown().size(), 1u);
  EXPECT_EQ(m_messages.Shown()[0].sText.rfind(kMsgFilterNotStored, 0), 0u)
      << m_messages.Shown()[0].sText;
  EXPECT_EQ(m_messages.Shown()[0].eIcon, eMsgIcon::Exclamation);
  EXPECT_FALSE(Dialog().isVisible());
  EXPECT_FALSE(Dialog().Cancelled());
  EXPECT_EQ(Dialog().ImageProcess().FilterArraySize(), 3);
  EXPECT_TRUE(ListFilters().empty());
}

}  // namespace
}  // namespace brennic
