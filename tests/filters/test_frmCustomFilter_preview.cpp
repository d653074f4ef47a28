// The editor's preview: the engine's result for the grid's kernel on the centred part of the
// picture, the count of clipped channel values, the refusals in place of a picture, the redraw
// after the typing pauses, and the picture left as it was.

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <random>
#include <vector>

#include "filters/frmCustomFilter.h"
#include "platform/cPictureBox.h"
#include "support/DialogTestUtil.h"
#include "support/DocumentTestUtil.h"
#include "support/GuiTestUtil.h"
#include "support/ImageTestUtil.h"
#include "support/RegistryTestUtil.h"

namespace brennic {
namespace {

using test::Bgr;
using test::TypeInto;

constexpr int kCentre = frmCustomFilter::kCentreBox;

class CustomFilterPreview : public ::testing::Test {
 protected:
  // A dialog over pPicture, shown (which loads it) but not modal.
  frmCustomFilter& Open(const cDIBSection* pPicture) {
    m_pDialog = std::make_unique<frmCustomFilter>(nullptr, m_topMost.Function());
    m_pDialog->SetPreviewPicture(pPicture);
    m_pDialog->show();
    return *m_pDialog;
  }
  void Type(int i, const QString& s) { TypeInto(m_pDialog->txtValue(i), s); }
  bool ShowsPicture() const {
    return m_pDialog->picPreview()->isVisible() && !m_pDialog->lblPreview()->isVisible();
  }
  QString Message() const { return m_pDialog->lblPreview()->text(); }
  QString Clipped() const { return m_pDialog->lblClipped()->text(); }
  // The pixel the preview shows at column c of memory row y of an h-row picture.
  Bgr Shown(int32_t c, int32_t y, int32_t h) const {
    return test::DisplayPixel(m_pDialog->picPreview()->Image(), c, h - 1 - y);
  }

  test::cScopedRegistry m_registry;
  test::cScriptedMessageBoxes m_messages;
  test::cScopedScreenMetrics m_metrics;
  test::cTopMostLog m_topMost;
  std::unique_ptr<frmCustomFilter> m_pDialog;
};

TEST_F(CustomFilterPreview, ShowsTheEnginesResultOnTheCentredPart) {
  // Wider than the preview and lower than it: columns 22..277 of 300, all 40 rows.
  std::mt19937 rng(11);
  const auto picture = test::MakeRandomImage(300, 40, rng);
  const std::vector<uint8_t> before = test::Bytes(*picture);
  Open(picture.get());
  Type(kCentre, "9");
  Type(kCentre - 1, "-2");
  Type(kCentre + 8, "-3");  // row +1, column +1: a 3 x 3 kernel
  TypeInto(m_pDialog->txtWeight(), "2");
  m_pDialog->UpdatePreview();
  ASSERT_TRUE(ShowsPicture());
  ASSERT_EQ(m_pDialog->picPreview()->Image().size(), QSize(256, 40));

  auto expected = test::MakeImage(256, 40);
  for (int32_t c = 0; c < 256; ++c) {
    for (int32_t y = 0; y < 40; ++y)
      test::SetPixel(*expected, c, y, test::PixelAt(*picture, c + 22, y));
  }
  cImageProcessDIB engine;
  engine.FilterType(eCustom);
  engine.FilterArraySize(3);
  engine.FilterWeight(2);
  engine.FilterValue(0, 0, 9);
  engine.FilterValue(0, -1, -2);  // box 23: row 3, column 2
  engine.FilterValue(1, 1, -3);   // box 32: row 4, column 4
  auto buffer = test::MakeImage(256, 40);
  engine.ProcessImage(*expected, *buffer);
  EXPECT_EQ(test::DisplayBytes(m_pDialog->picPreview()->Image()), test::DisplayBytes(*expected));
  EXPECT_FALSE(Clipped().isEmpty());
  EXPECT_EQ(test::Bytes(*picture), before);

  // Accepting hands the same kernel over and still leaves the picture alone.
  QTest::mouseClick(m_pDialog->cmdOK(), Qt::LeftButton);
  EXPECT_FALSE(m_pDialog->Cancelled());
  EXPECT_EQ(m_pDialog->ImageProcess().FilterValue(1, 1), -3);
  EXPECT_EQ(test::Bytes(*picture), before);
}

TEST_F(CustomFilterPreview, CountsTheClippedChannelValues) {
  // Sharpen at a pixel of 100 among 200s: (15 x 100 - 8 x 200) / 7 = -14 in all three channels
  // of the only pixel computed; the Blur kernel keeps them all within 0..255.
  auto picture = test::MakeImage(3, 3, {200, 200, 200});
  test::SetPixel(*picture, 1, 1, {100, 100, 100});
  Open(picture.get());
  test::ChooseListEntry(m_pDialog->cboBaseOn(), m_pDialog->cboBaseOn()->findText("Sharpen"));
  m_pDialog->UpdatePreview();
  ASSERT_TRUE(ShowsPicture());
  EXPECT_EQ(Clipped(), "3 of 3 channel values clipped");
  EXPECT_EQ(Shown(1, 1, 3), (Bgr{0, 0, 0}));
  EXPECT_EQ(Shown(0, 0, 3), (Bgr{200, 200, 200})) << "the border is left as it was";

  test::ChooseListEntry(m_pDialog->cboBaseOn(), m_pDialog->cboBaseOn()->findText("Blur"));
  m_pDialog->UpdatePreview();
  EXPECT_EQ(Clipped(), "0 of 3 channel values clipped");
  EXPECT_EQ(Shown(1, 1, 3), (Bgr{188, 188, 188}));  // 1700 / 9
}

TEST_F(CustomFilterPreview, AGridThatOkRefusesShowsTheRefusal) {
  auto picture = test::MakeImage(5, 5, {1, 2, 3});
  Open(picture.get());
  // The identity kernel the dialog opens with is one box only.
  EXPECT_FALSE(ShowsPicture());
  EXPECT_EQ(Message(), kMsgFilterTooSmall);
  EXPECT_EQ(Clipped(), "");

  Type(0, "1");
  m_pDialog->UpdatePreview();
  EXPECT_TRUE(ShowsPicture());
  Type(0, "300");
  m_pDialog->UpdatePreview();
  EXPECT_FALSE(ShowsPicture());
  EXPECT_EQ(Message(), kMsgFilterValueRange);
  Type(0, "0");
  Type(kCentre, "-");
  m_pDialog->UpdatePreview();
  EXPECT_EQ(Message(), kMsgBlackFilter);
  EXPECT_EQ(Clipped(), "");
  EXPECT_TRUE(m_messages.Shown().empty()) << "the preview asks nothing";
}

TEST_F(CustomFilterPreview, WithoutAPictureThePaneSaysSo) {
  const auto empty = std::make_unique<const cDIBSection>();
  for (const cDIBSection* pPicture : {static_cast<const cDIBSection*>(nullptr), empty.get()}) {
    Open(pPicture);
    Type(0, "1");
    m_pDialog->UpdatePreview();
    EXPECT_FALSE(ShowsPicture());
    EXPECT_EQ(Message(), kMsgNoPreviewPicture);
    EXPECT_EQ(Clipped(), "");
  }
}

TEST_F(CustomFilterPreview, RedrawsOnceTheTypingPauses) {
  auto picture = test::MakeImage(4, 4, {50, 50, 50});
  Open(picture.get());
  Type(kCentre - 1, "2");  // 3 x 3 kernel, centre 1, weight 1: 150 inside
  EXPECT_FALSE(ShowsPicture()) << "not before the delay";
  ASSERT_TRUE(QTest::qWaitFor([&] { return ShowsPicture(); }, 1000));
  EXPECT_EQ(Shown(1, 1, 4), (Bgr{150, 150, 150}));

  TypeInto(m_pDialog->txtWeight(), "3");
  EXPECT_EQ(Shown(1, 1, 4), (Bgr{150, 150, 150}));
  EXPECT_TRUE(QTest::qWaitFor([&] { return Shown(1, 1, 4) == Bgr{50, 50, 50}; }, 1000));
}

}  // namespace
}  // namespace brennic
