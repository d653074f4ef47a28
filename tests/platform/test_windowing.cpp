// Twips (the loaded windows are driven by the document and frame tests).

#include <gtest/gtest.h>

#include <QWidget>
#include <vector>

#include "platform/mWindowing.h"
#include "support/GuiTestUtil.h"

namespace brennic {
namespace {

using test::cScopedScreenMetrics;

// 120 dpi across, 72 dpi down: 12 and 20 twips per pixel; halves go to the even neighbour.
TEST(Twips, ConvertWithTheScreensFactorsPerDirection) {
  cScopedScreenMetrics uneven({12.0, 20.0, 800, 600, 24});
  EXPECT_EQ(TwipsToPixelsX(5250), 438);  // 437.5
  EXPECT_EQ(TwipsToPixelsY(2870), 144);  // 143.5
  cScopedScreenMetrics metrics;          // 15 twips per pixel
  QWidget window;
  SetWindowTwips(window, {1500, 750, 5250, 2865});
  EXPECT_EQ(window.geometry(), QRect(100, 50, 350, 191));
  const sTwipsRect t = WindowTwips(window);
  EXPECT_EQ((std::vector<double>{t.dLeft, t.dTop, t.dWidth, t.dHeight}),
            (std::vector<double>{1500, 750, 5250, 2865}));
}

}  // namespace
}  // namespace brennic
