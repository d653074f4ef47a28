// The custom filter editor driven through its controls, its stored filters and its preview.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "filters/cCustomFilterStore.h"
#include "filters/frmCustomFilter.h"
#include "platform/cPictureBox.h"
#include "platform/mSysColor.h"
#include "support/DialogTestUtil.h"
#include "support/DocumentTestUtil.h"
#include "support/GuiTestUtil.h"
#include "support/ImageTestUtil.h"
#include "support/RegistryTestUtil.h"

namespace brennic {
namespace {

using namespace test;
using Listing = std::vector<std::pair<int32_t, std::string>>;
using Boxes = std::vector<std::pair<int, std::string>>;

constexpr int kCentre = frmCustomFilter::kCentreBox;

int Box(int iRow, int iColumn) {
  return 7 * iRow + iColumn;
}

class CustomFilterDialog : public ::testing::Test {
 protected:
  void SetUp() override { Open(); }

  // A fresh dialog over pPicture, shown (which loads it) but not modal.
  void Open(const cDIBSection* pPicture = nullptr) {
    m_pDialog = std::make_unique<frmCustomFilter>(&m_main, m_topMost.Function());
    m_pDialog->SetPreviewPicture(pPicture);
    m_pDialog->show();
  }
  frmCustomFilter& Dialog() { return *m_pDialog; }
  QLineEdit* Value(int i) { return m_pDialog->txtValue(i); }
  QString Weight() { return m_pDialog->txtWeight()->text(); }
  void Type(int i, const QString& s) { TypeInto(Value(i), s); }
  void Type(const Boxes& boxes) {
    for (const auto& [i, s] : boxes)
      Type(i, QString::fromStdString(s));
  }
  void ClickOK() { QTest::mouseClick(m_pDialog->cmdOK(), Qt::LeftButton); }
  int32_t Colour(int i) { return cModalDialog::BackColor(Value(i)); }
  // The boxes in the colour of a non-zero value; every other box must have the button face's.
  std::vector<int> Coloured() {
    std::vector<int> boxes;
    for (int i = 0; i < kFilterCells; ++i) {
      if (Colour(i) == kSysWindowColor) boxes.push_back(i);
      EXPECT_TRUE(Colour(i) == kSysWindowColor || Colour(i) == kSysButtonFace) << i;
    }
    return boxes;
  }
  // Chooses a Base On entry by its caption from the opened list.
  void BaseOn(const QString& sCaption) {
    const int i = m_pDialog->cboBaseOn()->findText(sCaption);
    ASSERT_GE(i, 0) << sCaption.toStdString();
    ChooseListEntry(m_pDialog->cboBaseOn(), i);
    ASSERT_EQ(m_pDialog->cboBaseOn()->currentText(), sCaption);
  }
  void TypeName(const QString& sName) { TypeInto(m_pDialog->cboName()->lineEdit(), sName); }
  std::vector<std::string> Grid() {
    std::vector<std::string> texts;
    for (int i = 0; i < kFilterCells; ++i)
      texts.push_back(Value(i)->text().toStdString());
    return texts;
  }
  // A grid of "0" with the given boxes set.
  static std::vector<std::string> GridWith(const Boxes& set) {
    std::vector<std::string> texts(kFilterCells, "0");
    for (const auto& [i, s] : set)
      texts[static_cast<size_t>(i)] = s;
    return texts;
  }
  static CustomFilterRecord Record(const std::string& sName, std::optional<int32_t> lWeight,
                                   const std::vector<std::pair<int, int32_t>>& cells) {
    CustomFilterRecord record;
    record.sName = sName;
    record.lWeight = lWeight;
    for (const auto& [i, l] : cells)
      record.aCells[static_cast<size_t>(i)] = l;
    return record;
  }
  // The preview: whether it shows a picture (else lblPreview's message), and the clipped count.
  bool ShowsPicture() const {
    return m_pDialog->picPreview()->isVisible() && !m_pDialog->lblPreview()->isVisible();
  }
  QString Clipped() const { return m_pDialog->lblClipped()->text(); }

  cScopedRegistry m_registry;
  cScriptedMessageBoxes m_messages;
  cScopedScreenMetrics m_metrics;
  cTopMostLog m_topMost;
  QWidget m_main;
  std::unique_ptr<frmCustomFilter> m_pDialog;
};

TEST_F(CustomFilterDialog, OpensWithTheIdentityKernelAndTheControlsInPlace) {
  EXPECT_TRUE(Dialog().Cancelled());
  EXPECT_EQ(Grid(), GridWith({{kCentre, "1"}}));
  EXPECT_EQ(Coloured(), std::vector<int>{kCentre});
  EXPECT_EQ(std::tuple(Weight(), Dialog().chkAuto()->isChecked(), Dialog().cboName()->count(),
                       Dialog().cboBaseOn()->isEditable(), Dialog().cmdOK()->isDefault()),
            std::tuple("1", false, 0, false, true));
  QStringList entries;
  for (int i = 0; i < Dialog().cboBaseOn()->count(); ++i)
    entries << Dialog().cboBaseOn()->itemText(i);
  EXPECT_EQ(entries, (QStringList{"<none>", "<reset>", "Blur", "Blur More", "Soften", "Soften More",
                                  "Sharpen", "Sharpen More"}));
  EXPECT_EQ((QStringList{Dialog().windowTitle(), Dialog().cboName()->currentText(),
                         Dialog().cboBaseOn()->currentText()}),
            (QStringList{"Custom Filter", "New Filter", "<none>"}));
}

// Digits and minus up to three characters; typing over a selection replaces it; control
// characters are discarded too (no paste or select-all from the keyboard); keys that type nothing
// still move and delete.
TEST_F(CustomFilterDialog, BoxesTakeDigitsMinusAndBackspaceUpToThreeCharacters) {
  Type(0, "a1 -.b2x");
  QTest::keyClicks(Value(0), "9");
  EXPECT_EQ(Value(0)->text(), "1-2");
  QTest::keyClick(Value(0), Qt::Key_Backspace);
  QTest::keyClicks(Value(0), "75");
  EXPECT_EQ(Value(0)->text(), "1-7");
  Type(0, "999");
  Value(0)->deselect();
  QTest::keyClick(Value(0), Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(Value(0)->selectedText(), "");
  QTest::keyClick(Value(0), Qt::Key_Home);
  QTest::keyClick(Value(0), Qt::Key_Delete);
  EXPECT_EQ(Value(0)->text(), "99");
  TypeInto(Dialog().txtWeight(), "+1e2x45");
  EXPECT_EQ(Weight(), "124");
}

TEST_F(CustomFilterDialog, ColourShowsWhetherABoxIsNonZero) {
  // Text that is no number as a whole (a lone minus, nothing, "12-") keeps the colour it had.
  const std::pair<const char*, int32_t> steps[] = {{"5", kSysWindowColor},  {"-", kSysWindowColor},
                                                   {"-0", kSysButtonFace},  {"-7", kSysWindowColor},
                                                   {"", kSysWindowColor},   {"00", kSysButtonFace},
                                                   {"12-", kSysWindowColor}};
  for (const auto& [sText, lColour] : steps) {
    Type(3, sText);
    EXPECT_EQ(Colour(3), lColour) << sText;
  }
  // The colours are those of the palette's window and button-face entries.
  Type(kCentre, "0");
  EXPECT_EQ(Value(kCentre)->palette().color(QPalette::Base),
            ColorFromRGB(TranslatedColorOrMinusOne(kSysButtonFace)));
}

// Each row one box typed, then the weight: no sums while Auto-calc is off, unchecking changes
// nothing, a box that is not a number as a whole adds nothing, the weight may be 0 or negative,
// and a weight typed while it is on is replaced at the next change of a box.
TEST_F(CustomFilterDialog, AutoCalcSumsTheBoxesThatHoldNumbers) {
  constexpr int kAuto = -1;    // a click on Auto-calc instead of a box
  constexpr int kWeight = -2;  // the weight typed
  const std::tuple<int, const char*, const char*> steps[] = {
      {0, "2", "1"},     {kAuto, "", "3"}, {48, "-10", "-7"}, {47, "12-", "-7"},
      {46, "-", "-7"},   {48, "6", "9"},   {0, "-9", "-2"},   {kCentre, "0", "-3"},
      {kAuto, "", "-3"}, {1, "5", "-3"},   {kAuto, "", "2"},  {kWeight, "50", "50"},
      {1, "4", "1"}};
  for (const auto& [i, sText, sWeight] : steps) {
    if (i == kAuto) Dialog().chkAuto()->click();
    if (i == kWeight) TypeInto(Dialog().txtWeight(), sText);
    if (i >= 0) Type(i, sText);
    EXPECT_EQ(Weight(), sWeight) << "box " << i << " " << sText;
  }
}

// <none> keeps what is there; <reset> brings the identity back; with Auto-calc on, the weight is
// still the built-in one at the end.
TEST_F(CustomFilterDialog, BaseOnReplacesTheWholeGridWithTheBuiltInKernel) {
  Type({{0, "7"}, {48, "-3"}});
  TypeInto(Dialog().txtWeight(), "40");
  const auto threeByThree = [](const std::string& sEdge, const std::string& sCentre) {
    Boxes boxes;
    for (const int i : {16, 17, 18, 23, 24, 25, 30, 31, 32})
      boxes.emplace_back(i, i == kCentre ? sCentre : sEdge);
    return boxes;
  };
  for (const char* sEntry : {"Blur", "<none>"}) {
    BaseOn(sEntry);
    EXPECT_EQ(std::tuple(Grid(), Weight()), std::tuple(GridWith(threeByThree("1", "1")), "9"));
  }
  EXPECT_EQ(Coloured(), (std::vector<int>{16, 17, 18, 23, 24, 25, 30, 31, 32}));
  BaseOn("<reset>");
  EXPECT_EQ(std::tuple(Grid(), Weight(), Coloured()),
            std::tuple(GridWith({{kCentre, "1"}}), "1", std::vector<int>{kCentre}));
  BaseOn("Sharpen");
  EXPECT_EQ(std::tuple(Grid(), Weight()), std::tuple(GridWith(threeByThree("-1", "15")), "7"));
  Dialog().chkAuto()->click();
  BaseOn("Sharpen More");
  EXPECT_EQ((QStringList{Value(kCentre)->text(), Value(Box(2, 2))->text(), Value(Box(2, 3))->text(),
                         Weight()}),
            (QStringList{"5", "0", "-1", "1"}));
}

// Each row typed into a fresh dialog over a picture, then OK: the message shown, the dialog left
// open and cancelled with the entries as they were, nothing stored; the preview shows the same
// refusal in place of the picture and asks nothing.
TEST_F(CustomFilterDialog, OkAndThePreviewRefuseFiltersThatCannotRun) {
  const auto picture = MakeImage(5, 5, {1, 2, 3});
  const std::string sBlack =
      "This filter would always cause the output image to be black.  Please enter a value.";
  const struct {
    Boxes typed;
    std::string sMessage;
  } cases[] = {
      {{{kCentre, "0"}}, sBlack},
      {{{kCentre, "-"}, {0, ""}}, sBlack},
      {{{kCentre, "8"}}, "Filters must be at least 3x3 in size."},  // the identity is one box
      {{{0, "256"}}, "Values must lie between -255 and 255."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sMessage);
    Open(picture.get());
    Type(c.typed);
    const size_t lShown = m_messages.Shown().size();
    Dialog().UpdatePreview();
    EXPECT_EQ(std::tuple(ShowsPicture(), Dialog().lblPreview()->text().toStdString(), Clipped(),
                         m_messages.Shown().size()),
              std::tuple(false, c.sMessage, "", lShown));
    ClickOK();
    EXPECT_EQ(Messages(m_messages).back(),
              (tMessage{c.sMessage, eMsgButtons::OK, eMsgIcon::Information, kAppTitle}));
    EXPECT_EQ(std::tuple(Dialog().isVisible(), Dialog().Cancelled(),
                         Value(c.typed.back().first)->text().toStdString(), ListFilters().size()),
              std::tuple(true, true, c.typed.back().second, 0u));
    // Cancel, Escape or the close box: cancelled and unloaded, the main window made topmost again.
    if (&c == &cases[0]) QTest::mouseClick(Dialog().cmdCancel(), Qt::LeftButton);
    if (&c == &cases[1]) QTest::keyClick(Value(0), Qt::Key_Escape);
    if (&c >= &cases[2]) Dialog().close();
    EXPECT_EQ(std::tuple(Dialog().isVisible(), Dialog().Cancelled(),
                         LoadedWindows().IndexOf(&Dialog()), m_topMost.Calls().back()),
              std::tuple(false, true, -1, sTopMostCall{&m_main, true}));
  }
  EXPECT_EQ(m_messages.Shown().size(), 4u);
}

// The kernel handed over is the smallest of 3, 5 or 7 that holds every non-zero box; row r of
// the grid is iX = r - 3, column c is iY = c - 3; the weight goes over unchanged.
TEST_F(CustomFilterDialog, TheKernelSizeFollowsTheOutermostNonZeroBox) {
  const struct {
    Boxes typed;
    const char* sWeight;
    bool bEnter;  // accepted with Enter instead of a click on OK
    int32_t lSize;
    std::vector<std::tuple<int32_t, int32_t, int32_t>> values;
  } cases[] = {
      {{{Box(0, 3), "4"}}, "5", false, 7, {{-3, 0, 4}, {0, -3, 0}, {0, 0, 1}}},
      // "12-" reads as 12, a lone minus as 0.
      {{{Box(2, 4), "3"}, {Box(4, 2), "-2"}, {Box(3, 4), "12-"}, {Box(0, 0), "-"}, {48, ""}},
       "-4",
       false,
       3,
       {{-1, 1, 3}, {1, -1, -2}, {0, 1, 12}, {0, 0, 1}, {-1, -1, 0}}},
      {{{Box(5, 2), "1"}, {kCentre, "0"}}, "1", true, 5, {{2, -1, 1}, {0, 0, 0}}},
      {{{0, "255"}, {1, "-99"}}, "1", false, 7, {{-3, -3, 255}, {-3, -2, -99}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lSize);
    Open();
    Type(c.typed);
    TypeInto(Dialog().txtWeight(), c.sWeight);
    c.bEnter ? QTest::keyClick(Value(c.typed[0].first), Qt::Key_Return) : ClickOK();
    cImageProcessDIB& engine = Dialog().ImageProcess();
    EXPECT_EQ(std::tuple(Dialog().isVisible(), Dialog().Cancelled(), engine.FilterArraySize(),
                         engine.FilterWeight()),
              std::tuple(false, false, c.lSize, std::stoi(c.sWeight)));
    for (const auto& [iX, iY, lValue] : c.values)
      EXPECT_EQ(engine.FilterValue(iX, iY), lValue) << iX << ", " << iY;
  }
  EXPECT_TRUE(m_messages.Shown().empty());
  // Every accept with the untouched name adds an entry.
  EXPECT_EQ(ListFilters(),
            (Listing{{1, "New Filter"}, {2, "New Filter"}, {3, "New Filter"}, {4, "New Filter"}}));
}

TEST_F(CustomFilterDialog, StoresANamedFilterAndLoadsItBack) {
  TypeName("Edges");
  Type({{Box(0, 1), "-7"}, {Box(1, 0), "9"}, {kCentre, "255"}});
  TypeInto(Dialog().txtWeight(), "3");
  ClickOK();
  ASSERT_FALSE(Dialog().Cancelled());
  EXPECT_EQ(ListFilters(), (Listing{{1, "Edges"}}));
  // Box (0, 1) is cell (iX, iY) = (-3, -2), box (1, 0) is (-2, -3).
  const CustomFilterRecord expected = Record(
      "", 0,
      {{FilterCellIndex(-3, -2), -7}, {FilterCellIndex(-2, -3), 9}, {FilterCellIndex(0, 0), 255}});
  ASSERT_TRUE(LoadFilter(1).has_value());
  EXPECT_EQ(std::tuple(LoadFilter(1)->lWeight, LoadFilter(1)->aCells),
            std::tuple(3, expected.aCells));

  // A new dialog lists it; picking it fills the grid as it was.
  Open();
  ASSERT_EQ(Dialog().cboName()->count(), 1);
  EXPECT_EQ(
      (QStringList{Dialog().cboName()->itemText(0), Dialog().cboName()->itemData(0).toString(),
                   Dialog().cboName()->currentText()}),
      (QStringList{"Edges", "1", "New Filter"}));
  ChooseListEntry(Dialog().cboName(), 0);
  EXPECT_EQ(std::tuple(Dialog().cboName()->currentText(), Grid(), Weight(), Coloured()),
            std::tuple("Edges", GridWith({{Box(0, 1), "-7"}, {Box(1, 0), "9"}, {kCentre, "255"}}),
                       "3", std::vector<int>{Box(0, 1), Box(1, 0), kCentre}));

  // Accepting the picked entry overwrites it under its number.
  Type(Box(6, 6), "1");
  ClickOK();
  EXPECT_EQ(std::tuple(ListFilters().size(), LoadFilter(1)->aCells[48],
                       Dialog().ImageProcess().FilterArraySize(),
                       Dialog().ImageProcess().FilterValue(-3, -2)),
            std::tuple(1u, 1, 7, -7));

  // The same name typed by hand is a new entry, and leaving the name field does not pick the
  // stored filter; a picked name edited is a new entry too.
  Open();
  TypeName("Edges");
  Dialog().cboName()->lineEdit()->editingFinished();
  EXPECT_EQ(Grid(), GridWith({{kCentre, "1"}}));
  Type(Box(2, 2), "1");
  ClickOK();
  Open();
  ChooseListEntry(Dialog().cboName(), 0);
  TypeName("Edges 2");
  ClickOK();
  EXPECT_EQ(ListFilters(), (Listing{{1, "Edges"}, {2, "Edges"}, {3, "Edges 2"}}));
  EXPECT_EQ(std::tuple(LoadFilter(1)->aCells[Box(2, 2)], LoadFilter(2)->aCells[Box(2, 2)]),
            std::tuple(0, 1));
}

// With Auto-calc on, the weight is the sum; without it, a filter stored without a weight leaves
// the box empty; a name whose filter key is missing, as another program might leave it, changes
// nothing.
TEST_F(CustomFilterDialog, PickingAStoredFilterFillsTheGridAndTheWeightAsAutoCalcSays) {
  SaveFilter(Record("Odd weight", 100, {{Box(2, 3), 3}, {Box(4, 3), -1}}), 1, true);
  SaveFilter(Record("No weight", std::nullopt, {{kCentre, 1}, {Box(3, 2), 1}}), 2, true);
  ASSERT_TRUE(PutRawValue(m_registry.Store(), kHKeyCurrentUser, kAppSettingsKey, "CustomFilters", 4,
                          {3, 0, 0, 0}));
  ASSERT_TRUE(PutRawValue(m_registry.Store(), kHKeyCurrentUser, kAppSettingsKey, "Filter3", 1,
                          {'G', 'o', 'n', 'e', 0}));
  Open();
  Dialog().chkAuto()->click();
  ChooseListEntry(Dialog().cboName(), 0);
  EXPECT_EQ(Weight(), "2") << "3 - 1 + 0 at the centre";
  Dialog().chkAuto()->click();
  ChooseListEntry(Dialog().cboName(), 1);
  Type(0, "6");
  ASSERT_EQ(Dialog().cboName()->count(), 3);
  ChooseListEntry(Dialog().cboName(), 2);
  EXPECT_EQ((QStringList{Weight(), Value(Box(3, 2))->text(), Value(0)->text()}),
            (QStringList{"", "1", "6"}));
}

TEST_F(CustomFilterDialog, AFilterThatCannotBeStoredIsStillApplied) {
  cFailingWrites readOnly(m_registry.Store(), 0, kErrorAccessDenied);
  IRegistryStore* pPrevious = SetRegistryStore(&readOnly);
  Type(Box(3, 2), "2");
  ClickOK();
  SetRegistryStore(pPrevious);
  ASSERT_EQ(m_messages.Shown().size(), 1u);
  EXPECT_EQ(m_messages.Shown()[0].sText.rfind(kMsgFilterNotStored, 0), 0u)
      << m_messages.Shown()[0].sText;
  EXPECT_EQ(std::tuple(m_messages.Shown()[0].eIcon, Dialog().isVisible(), Dialog().Cancelled(),
                       Dialog().ImageProcess().FilterArraySize(), ListFilters().size()),
            std::tuple(eMsgIcon::Exclamation, false, false, 3, 0u));
}

// Wider than the preview and lower than it: columns 22..277 of 300, all 40 rows, through the
// engine with the grid's kernel; neither the preview nor accepting changes the picture.
TEST_F(CustomFilterDialog, ThePreviewShowsTheEnginesResultOnTheCentredPart) {
  std::mt19937 rng(11);
  const auto picture = MakeRandomImage(300, 40, rng);
  const std::vector<uint8_t> before = Bytes(*picture);
  Open(picture.get());
  Type({{kCentre, "9"}, {kCentre - 1, "-2"}, {kCentre + 8, "-3"}});  // a 3 x 3 kernel
  TypeInto(Dialog().txtWeight(), "2");
  Dialog().UpdatePreview();
  ASSERT_TRUE(ShowsPicture());
  ASSERT_EQ(Dialog().picPreview()->Image().size(), QSize(256, 40));
  const std::vector<uint8_t> shown = DisplayBytes(Dialog().picPreview()->Image());
  EXPECT_FALSE(Clipped().isEmpty());
  ClickOK();
  // The kernel handed over (box 23 is (0, -1), box 32 is (1, 1)) on the centred part.
  cImageProcessDIB& engine = Dialog().ImageProcess();
  EXPECT_EQ(std::tuple(Dialog().Cancelled(), engine.FilterArraySize(), engine.FilterValue(0, -1),
                       engine.FilterValue(1, 1), Bytes(*picture)),
            std::tuple(false, 3, -2, -3, before));
  auto expected = MakeImage(256, 40);
  for (int32_t c = 0; c < 256; ++c) {
    for (int32_t y = 0; y < 40; ++y)
      SetPixel(*expected, c, y, PixelAt(*picture, c + 22, y));
  }
  engine.FilterType(eCustom);
  engine.ProcessImage(*expected, *MakeImage(256, 40));
  EXPECT_EQ(shown, DisplayBytes(*expected));
}

// Sharpen at a pixel of 100 among 200s: (15 x 100 - 8 x 200) / 7 = -14 in all three channels of
// the only pixel computed; the Blur kernel keeps them all within 0..255.
TEST_F(CustomFilterDialog, ThePreviewCountsTheClippedChannelValues) {
  auto picture = MakeImage(3, 3, {200, 200, 200});
  SetPixel(*picture, 1, 1, {100, 100, 100});
  Open(picture.get());
  BaseOn("Sharpen");
  Dialog().UpdatePreview();
  ASSERT_TRUE(ShowsPicture());
  EXPECT_EQ(Clipped(), "3 of 3 channel values clipped");
  EXPECT_EQ(DisplayPixel(Dialog().picPreview()->Image(), 1, 1), (Bgr{0, 0, 0}));
  EXPECT_EQ(DisplayPixel(Dialog().picPreview()->Image(), 0, 2), (Bgr{200, 200, 200}))
      << "the border is left as it was";
  BaseOn("Blur");
  Dialog().UpdatePreview();
  EXPECT_EQ(Clipped(), "0 of 3 channel values clipped");
  EXPECT_EQ(DisplayPixel(Dialog().picPreview()->Image(), 1, 1), (Bgr{188, 188, 188}));  // 1700 / 9
  // Without a picture, or with an empty one, the pane says so.
  const auto empty = std::make_unique<const cDIBSection>();
  for (const cDIBSection* pPicture : {static_cast<const cDIBSection*>(nullptr), empty.get()}) {
    Open(pPicture);
    Type(0, "1");
    Dialog().UpdatePreview();
    EXPECT_EQ(std::tuple(ShowsPicture(), Dialog().lblPreview()->text(), Clipped()),
              std::tuple(false, "No picture to preview.", ""));
  }
}

}  // namespace
}  // namespace brennic
