// Zoom of the view: the ladder, fitting, the shown size and text, and the drawing.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/mZoom.h"
#include "support/ImageTestUtil.h"

namespace brennic {
namespace {

using test::Bgr;

static_assert(sizeof(Bgr) == 3, "a row of Bgr is a row of the surface");

cMemorySurface Surface(const std::vector<std::vector<Bgr>>& rows) {
  cMemorySurface s(static_cast<int32_t>(rows[0].size()), static_cast<int32_t>(rows.size()));
  for (size_t y = 0; y < rows.size(); ++y)
    std::memcpy(s.DisplayRow(static_cast<int32_t>(y)), rows[y].data(), 3 * rows[y].size());
  return s;
}

std::vector<std::vector<Bgr>> Rows(const cMemorySurface& s) {
  std::vector<std::vector<Bgr>> rows(static_cast<size_t>(s.SurfaceHeight()));
  for (int32_t y = 0; y < s.SurfaceHeight(); ++y) {
    rows[static_cast<size_t>(y)].resize(static_cast<size_t>(s.SurfaceWidth()));
    std::memcpy(rows[static_cast<size_t>(y)].data(), s.DisplayRow(y), 3 * rows[0].size());
  }
  return rows;
}

Bgr Gray(uint8_t v) {
  return {v, v, v};
}

// The whole picture of s shown at zoom.
cMemorySurface Zoomed(cMemorySurface& s, sZoom zoom) {
  const auto w = static_cast<int32_t>(ZoomedLength(s.SurfaceWidth(), zoom));
  const auto h = static_cast<int32_t>(ZoomedLength(s.SurfaceHeight(), zoom));
  cMemorySurface out(w, h);
  DrawZoomed(&out, 0, 0, w, h, &s, zoom, 0, 0);
  return out;
}

TEST(Zoom, LadderStepsClampAndFit) {
  struct sCase {
    sZoom zoom, in, out;
  };
  const sCase steps[] = {
      {{1, 1}, {3, 2}, {2, 3}}, {{1, 32}, {1, 24}, {1, 32}},   {{32, 1}, {32, 1}, {24, 1}},
      {{4, 1}, {6, 1}, {3, 1}}, {{287, 1000}, {1, 3}, {1, 4}},  // a fitted factor between steps
  };
  for (const sCase& c : steps) {
    SCOPED_TRACE(std::to_string(c.zoom.lNum) + "/" + std::to_string(c.zoom.lDen));
    EXPECT_EQ(ZoomStepIn(c.zoom), c.in);
    EXPECT_EQ(ZoomStepOut(c.zoom), c.out);
  }
  // Twenty steps from end to end; each step below 1 is the inverse of one above it.
  std::vector<sZoom> ladder{kZoomMin};
  while (ladder.back() != kZoomMax)
    ladder.push_back(ZoomStepIn(ladder.back()));
  ASSERT_EQ(ladder.size(), 21u);
  for (size_t i = 0; i < ladder.size(); ++i)
    EXPECT_EQ(ladder[i].lNum * ladder[20 - i].lNum, ladder[i].lDen * ladder[20 - i].lDen) << i;

  EXPECT_EQ(MakeZoom(2, 4).lDen, 2);  // in lowest terms
  EXPECT_EQ(MakeZoom(1, 64), kZoomMin);
  EXPECT_EQ(MakeZoom(64, 1), kZoomMax);
  EXPECT_EQ(MakeZoom(0, 5), kZoomActual);
  EXPECT_EQ(MakeZoom(5, -1), kZoomActual);

  // The tighter side fills the room exactly.
  EXPECT_EQ(FitZoom(1000, 1000, 387, 287), (sZoom{287, 1000}));
  EXPECT_EQ(FitZoom(1000, 200, 387, 287), (sZoom{387, 1000}));
  EXPECT_EQ(FitZoom(10, 10, 800, 600), kZoomMax);
  EXPECT_EQ(FitZoom(100000, 10, 387, 287), kZoomMin);
  EXPECT_EQ(FitZoom(100, 100, 0, 50), kZoomMin);
  EXPECT_EQ(FitZoom(0, 5, 387, 287), kZoomActual);
}

TEST(Zoom, ShownLengthAndPercentText) {
  EXPECT_EQ(ZoomedLength(1000, {287, 1000}), 287);
  EXPECT_EQ(ZoomedLength(3, {2, 3}), 2);
  EXPECT_EQ(ZoomedLength(3, {3, 2}), 4);
  EXPECT_EQ(ZoomedLength(1, kZoomMin), 1);  // a picture never vanishes
  EXPECT_EQ(ZoomedLength(0, kZoomMax), 0);
  const std::pair<sZoom, const char*> texts[] = {
      {{1, 1}, "100"},   {{1, 8}, "12.5"},  {{1, 32}, "3.13"},    {{1, 3}, "33.33"},
      {{2, 3}, "66.67"}, {{32, 1}, "3200"}, {{287, 1000}, "28.7"}};
  for (const auto& [zoom, sText] : texts)
    EXPECT_EQ(ZoomPercentText(zoom), sText);
}

TEST(Zoom, BelowOneAShownPixelIsItsBoxsRoundedAverageAboveOneItsNearestPixel) {
  const Bgr a{1, 2, 3}, b{4, 5, 6}, c{7, 8, 9};
  struct sCase {
    sZoom zoom;
    std::vector<std::vector<Bgr>> picture, shown;
  };
  const sCase cases[] = {
      // Half: 2 x 2 boxes; 14 / 4 = 3.5 rounds up to 4, 510 / 4 = 127.5 to 128.
      {{1, 2},
       {{{0, 0, 0}, {10, 20, 30}, {255, 255, 255}, {255, 255, 255}},
        {{1, 0, 0}, {3, 20, 30}, {0, 0, 0}, {1, 0, 0}}},
       {{{4, 10, 15}, {128, 128, 128}}}},
      // Two thirds: shown column 0 is picture column 0, column 1 columns 1 and 2 (rows alike).
      {{2, 3},
       {{Gray(10), Gray(20), Gray(40)},
        {Gray(30), Gray(50), Gray(70)},
        {Gray(90), Gray(100), Gray(110)}},
       {{Gray(10), Gray(30)}, {Gray(60), Gray(83)}}},
      // One and a half: 4 shown columns from 3, the first picture column twice.
      {{3, 2}, {{a, b, c}}, {{a, a, b, c}}},
      {{2, 1}, {{a, b}, {c, a}}, {{a, a, b, b}, {a, a, b, b}, {c, c, a, a}, {c, c, a, a}}},
  };
  for (const sCase& t : cases) {
    cMemorySurface picture = Surface(t.picture);
    EXPECT_EQ(Rows(Zoomed(picture, t.zoom)), t.shown) << ZoomPercentText(t.zoom);
  }
}

}  // namespace
}  // namespace brennic
