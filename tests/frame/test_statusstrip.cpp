// The status strip: the "#" rule of SetStatus, the progress operations, and the room the labels
// need at another twips-per-pixel factor (the main window's tests pin the usual one).

#include <gtest/gtest.h>

#include <QLabel>

#include "frame/cStatusStrip.h"
#include "platform/ProgressBar.h"
#include "support/GuiTestUtil.h"

namespace brennic {
namespace {

using test::cScopedScreenMetrics;

TEST(StatusStrip, HashLeavesAFieldLabelsGetATrailingSpaceAndProgressKeepsItsPlace) {
  cScopedScreenMetrics metrics;
  cStatusStrip strip;
  strip.resize(400, strip.height());
  strip.show();
  const auto text = [&strip] {
    return (strip.MainText() + "|" + strip.ImageLabel()->text().toStdString() + "|" +
            strip.SizeLabel()->text().toStdString());
  };
  const struct {
    const char* sMain;
    const char* sImage;
    const char* sSize;
    const char* sShown;
  } steps[] = {
      {"Opened /p.bmp.", "p.bmp", "640 x 480", "Opened /p.bmp.|p.bmp |640 x 480 "},
      {"#", "cat.bmp", "#", "Opened /p.bmp.|cat.bmp |640 x 480 "},
      {"Complete.  Time = 1234", "#", "#", "Complete.  Time = 1234|cat.bmp |640 x 480 "},
      {"", "", "# ", "| |#  "},  // only "#" itself keeps a field
  };
  for (const auto& step : steps) {
    strip.SetStatus(step.sMain, step.sImage, step.sSize);
    EXPECT_EQ(text(), step.sShown);
  }

  ProgressBar* pBar = strip.Progress();
  EXPECT_TRUE(pBar->isHidden());  // until the first operation
  EXPECT_EQ(pBar->geometry(), QRect(0, 5, 163, 14));
  strip.ProgressMax(640);
  strip.ProgressValue(0);
  strip.ShowProgress(true);
  EXPECT_TRUE(pBar->isVisible());
  strip.ProgressValue(320);
  EXPECT_EQ(qobject_cast<cProgressBarWidget*>(pBar->hwnd()->Widget())->Pos(), 320);
  strip.ShowProgress(false);
  EXPECT_FALSE(pBar->isVisible());
  EXPECT_EQ(pBar->Max(), 640);
  EXPECT_EQ(pBar->Position(), 320);
  strip.resize(120, strip.height());  // the layout never moves the bar
  EXPECT_EQ(pBar->geometry(), QRect(0, 5, 163, 14));
}

// At 12 twips per pixel the room is 24 + 1512 + 1512 + 24 = 3072 twips and 64 pixels are 768:
// the labels need 3840 twips, 320 pixels.
TEST(StatusStrip, TheRoomForTheLabelsFollowsTheTwipsPerPixel) {
  cScopedScreenMetrics metrics({12.0, 12.0, 1024, 768, 32});
  cStatusStrip strip;
  strip.show();
  ASSERT_EQ(strip.ImageLabel()->width(), 126);  // 1515 / 12 = 126.25
  for (const int iWidth : {320, 319, 320}) {
    strip.resize(iWidth, strip.height());
    EXPECT_EQ(strip.ImageLabel()->isVisible(), iWidth >= 320) << iWidth;
    EXPECT_EQ(strip.SizeLabel()->isVisible(), iWidth >= 320) << iWidth;
  }
}

}  // namespace
}  // namespace brennic
