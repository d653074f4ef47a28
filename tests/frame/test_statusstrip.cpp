// The status strip: design places converted from twips, the "#" rule of SetStatus, the progress
// operations and the rule that hides the labels when 64 pixels of room are missing.

#include <gtest/gtest.h>

#include <QLabel>

#include "frame/cStatusStrip.h"
#include "platform/ProgressBar.h"
#include "support/GuiTestUtil.h"

namespace brennic {
namespace {

using test::cScopedScreenMetrics;

class StatusStripTest : public ::testing::Test {
 protected:
  cScopedScreenMetrics m_metrics;  // 15 twips per pixel
  cStatusStrip m_strip;

  void SetUp() override {
    m_strip.resize(400, m_strip.height());
    m_strip.show();
  }
  QString ImageText() const { return m_strip.findChild<QLabel*>("lblImage")->text(); }
  QString SizeText() const { return m_strip.findChild<QLabel*>("lblSize")->text(); }
};

TEST_F(StatusStripTest, ControlsSitAtTheirDesignPlaces) {
  EXPECT_EQ(m_strip.objectName(), "picStatus");
  EXPECT_EQ(m_strip.height(), 21);  // 315 twips
  auto* pBar = m_strip.findChild<ProgressBar*>("prgMain");
  auto* pImage = m_strip.findChild<QLabel*>("lblImage");
  auto* pSize = m_strip.findChild<QLabel*>("lblSize");
  ASSERT_NE(pBar, nullptr);
  ASSERT_NE(pImage, nullptr);
  ASSERT_NE(pSize, nullptr);
  EXPECT_EQ(pBar->geometry(), QRect(0, 5, 163, 14));
  EXPECT_EQ(pImage->geometry(), QRect(168, 3, 101, 17));
  // The layout moved lblSize two pixels right of lblImage (its design left is 272).
  EXPECT_EQ(pSize->geometry(), QRect(271, 3, 101, 17));
  EXPECT_EQ(pImage->font().family(), "Tahoma");
  // The bar is loaded with its form and hidden until the first operation.
  EXPECT_TRUE(pBar->isHidden());
  ASSERT_NE(pBar->hwnd(), nullptr);
  EXPECT_EQ(pBar->Min(), 0);
  EXPECT_EQ(pBar->Max(), 100);
  EXPECT_EQ(pBar->BorderStyle(), 1);
}

TEST_F(StatusStripTest, HashLeavesAFieldAndLabelsGetATrailingSpace) {
  m_strip.SetStatus("Opened /pics/photo.bmp.", "photo.bmp", "640 x 480");
  EXPECT_EQ(ImageText(), "photo.bmp ");
  EXPECT_EQ(SizeText(), "640 x 480 ");
  EXPECT_EQ(m_strip.MainText(), "Opened /pics/photo.bmp.");

  m_strip.SetStatus("#", "cat.bmp", "#");
  EXPECT_EQ(ImageText(), "cat.bmp ");
  EXPECT_EQ(SizeText(), "640 x 480 ");
  EXPECT_EQ(m_strip.MainText(), "Opened /pics/photo.bmp.");

  // A completion message changes nothing visible.
  m_strip.SetStatus("Complete.  Time = 1234", "#", "#");
  EXPECT_EQ(ImageText(), "cat.bmp ");
  EXPECT_EQ(SizeText(), "640 x 480 ");
  EXPECT_EQ(m_strip.MainText(), "Complete.  Time = 1234");

  // Only "#" itself keeps a field.
  m_strip.SetStatus("", "", "# ");
  EXPECT_EQ(ImageText(), " ");
  EXPECT_EQ(SizeText(), "#  ");
  EXPECT_EQ(m_strip.MainText(), "");
}

TEST_F(StatusStripTest, ProgressFollowsMaxValueAndShow) {
  auto* pBar = m_strip.findChild<ProgressBar*>("prgMain");
  const QRect place = pBar->geometry();
  m_strip.ProgressMax(640);
  m_strip.ProgressValue(0);
  m_strip.ShowProgress(true);
  EXPECT_TRUE(pBar->isVisible());
  m_strip.ProgressValue(320);
  EXPECT_EQ(pBar->Max(), 640);
  EXPECT_EQ(pBar->Position(), 320);
  EXPECT_EQ(qobject_cast<cProgressBarWidget*>(pBar->hwnd()->Widget())->Pos(), 320);

  m_strip.ShowProgress(false);
  EXPECT_FALSE(pBar->isVisible());
  EXPECT_EQ(pBar->Max(), 640);
  EXPECT_EQ(pBar->Position(), 320);

  // The layout never moves the bar.
  m_strip.resize(120, m_strip.height());
  m_strip.resize(900, m_strip.height());
  EXPECT_EQ(pBar->geometry(), place);
}

// Room for the labels: 2 + 1515 + 1515 + 2 pixels' worth = 3090 twips; they show from a client
// width of 3090 + 64 * 15 = 4050 twips (270 pixels) and hide below it.
TEST_F(StatusStripTest, LabelsHideWhenSixtyFourPixelsOfRoomAreMissing) {
  auto* pImage = m_strip.findChild<QLabel*>("lblImage");
  auto* pSize = m_strip.findChild<QLabel*>("lblSize");
  m_strip.resize(270, m_strip.height());
  EXPECT_TRUE(pImage->isVisible());
  EXPECT_TRUE(pSize->isVisible());
  m_strip.resize(269, m_strip.height());
  EXPECT_FALSE(pImage->isVisible());
  EXPECT_FALSE(pSize->isVisible());
  m_strip.resize(270, m_strip.height());
  EXPECT_TRUE(pImage->isVisible());
  EXPECT_TRUE(pSize->isVisible());
  EXPECT_EQ(pSize->x(), 271);
}

TEST(StatusStrip, ThresholdFollowsTheTwipsPerPixel) {
  // At 12 twips per pixel the room is 24 + 1512 + 1512 + 24 = 3072 twips and 64 pixels are
  // 768: the labels need 3840 twips, 320 pixels.
  cScopedScreenMetrics metrics({12.0, 12.0, 1024, 768, 32});
  cStatusStrip strip;
  strip.show();
  auto* pImage = strip.findChild<QLabel*>("lblImage");
  ASSERT_EQ(pImage->width(), 126);  // 1515 / 12 = 126.25
  strip.resize(320, strip.height());
  EXPECT_TRUE(pImage->isVisible());
  strip.resize(319, strip.height());
  EXPECT_FALSE(pImage->isVisible());
}

}  // namespace
}  // namespace brennic
