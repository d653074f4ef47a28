// ProcessImage on small hand-computed images: which pixels change and to what, the events, the
// result, and the engine's state afterwards.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <thread>

#include "image/cError.h"
#include "image/cImageProcessDIB.h"
#include "image/cParallel.h"
#include "support/ImageTestUtil.h"

namespace brennic {
namespace {

using test::Bgr;

struct cRun {
  std::unique_ptr<cDIBSection> image;
  test::cEventRecorder events;
  bool bResult = false;
};

// Runs the engine's current filter over a copy of img.
cRun Process(cImageProcessDIB& e, const cDIBSection& img) {
  cRun run;
  run.image = test::Clone(img);
  auto buffer = test::MakeImage(img.Width(), img.Height());
  e.SetListener(&run.events);
  run.bResult = e.ProcessImage(*run.image, *buffer);
  e.SetListener(nullptr);
  return run;
}

cRun Process(int32_t eType, const cDIBSection& img) {
  cImageProcessDIB e;
  e.FilterType(eType);
  return Process(e, img);
}

Bgr Grey(uint8_t v) {
  return {v, v, v};
}

// A 5 x 5 black image with one bright pixel in the middle.
std::unique_ptr<cDIBSection> Spot(uint8_t v) {
  auto img = test::MakeImage(5, 5);
  test::SetPixel(*img, 2, 2, Grey(v));
  return img;
}

TEST(FilterProcess, UniformImagesStayUniform) {
  const Bgr fill{10, 128, 250};
  const auto img = test::MakeImage(9, 7, fill);
  for (int32_t eType : {1, 2, 3, 4, 5, 6, 7, 9, 10, 11}) {
    const cRun run = Process(eType, *img);
    EXPECT_TRUE(run.bResult) << eType;
    EXPECT_EQ(test::Bytes(*run.image), test::Bytes(*img)) << eType;
  }
}

TEST(FilterProcess, BlurChangesOnlyTheInnerPixels) {
  // 90 / 9 = 10 wherever the 3 x 3 neighbourhood holds the spot; the border keeps its 0.
  const cRun blur = Process(eBlur, *Spot(90));
  for (int32_t y = 0; y < 5; ++y) {
    for (int32_t c = 0; c < 5; ++c) {
      const bool bInner = c >= 1 && c <= 3 && y >= 1 && y <= 3;
      EXPECT_EQ(test::PixelAt(*blur.image, c, y), Grey(bInner ? 10 : 0)) << c << "," << y;
    }
  }
  // Blur More reaches only the centre: 90 / 25 = 3.
  const cRun more = Process(eBlurMore, *Spot(90));
  auto expected = test::MakeImage(5, 5);
  test::SetPixel(*expected, 2, 2, Grey(3));
  EXPECT_EQ(test::Bytes(*more.image), test::Bytes(*expected));
}

TEST(FilterProcess, SofteningWeighsTheCentre) {
  // Soften: (4 x 120 + 8 x 30) / 12 = 60;
  // Soften More: (12 x 120 + 8 x 2 x 30 + 16 x 30) / 44 = 54.
  auto img = test::MakeImage(5, 5, Grey(30));
  test::SetPixel(*img, 2, 2, Grey(120));
  EXPECT_EQ(test::PixelAt(*Process(eSoften, *img).image, 2, 2), Grey(60));
  EXPECT_EQ(test::PixelAt(*Process(eSoften, *img).image, 1, 1), Grey(37));  // (4*30+90+180)/12
  EXPECT_EQ(test::PixelAt(*Process(eSoftenMore, *img).image, 2, 2), Grey(54));
}

TEST(FilterProcess, SharpenTruncatesThenClamps) {
  // (15 x 100 - 8 x 200) / 7 = -100 / 7 -> -14 -> 0.
  auto img = test::MakeImage(3, 3, Grey(200));
  test::SetPixel(*img, 1, 1, Grey(100));
  EXPECT_EQ(test::PixelAt(*Process(eSharpen, *img).image, 1, 1), Grey(0));
  // The other way round: (15 x 200 - 8 x 100) / 7 = 314 -> 255; 101 among 100s gives 108.
  auto light = test::MakeImage(3, 3, Grey(100));
  test::SetPixel(*light, 1, 1, {200, 101, 0});
  EXPECT_EQ(test::PixelAt(*Process(eSharpen, *light).image, 1, 1), (Bgr{255, 102, 0}));
  // Sharpen More: 5 x 60 - (50 + 40 + 30 + 20), corners ignored.
  auto cross = test::MakeImage(3, 3, Grey(255));
  test::SetPixel(*cross, 1, 1, Grey(60));
  test::SetPixel(*cross, 0, 1, Grey(50));
  test::SetPixel(*cross, 2, 1, Grey(40));
  test::SetPixel(*cross, 1, 0, Grey(30));
  test::SetPixel(*cross, 1, 2, Grey(20));
  EXPECT_EQ(test::PixelAt(*Process(eSharpenMore, *cross).image, 1, 1), Grey(160));
}

TEST(FilterProcess, EmbossOffsetsEveryPixelBorderIncluded) {
  const cRun run = Process(eEmboss, *test::MakeImage(5, 4, {10, 128, 200}));
  for (int32_t y = 0; y < 4; ++y) {
    for (int32_t c = 0; c < 5; ++c) {
      const bool bInner = c >= 1 && c <= 3 && y >= 1 && y <= 2;
      EXPECT_EQ(test::PixelAt(*run.image, c, y), bInner ? Grey(127) : (Bgr{137, 255, 255}));
    }
  }
  EXPECT_TRUE(run.bResult);
}

TEST(FilterProcess, EmbossIsUpperRightMinusLowerLeftNeverBelow127) {
  // Memory row y + 1 is the row above on screen.
  auto img = test::MakeImage(3, 3, Grey(100));
  test::SetPixel(*img, 2, 2, {180, 100, 0});  // upper right
  test::SetPixel(*img, 0, 0, {20, 120, 0});   // lower left
  // blue 180 - 20 = 160 -> 255; green 100 - 120 < 0 -> 0 -> 127; red 0 - 0 -> 127.
  EXPECT_EQ(test::PixelAt(*Process(eEmboss, *img).image, 1, 1), (Bgr{255, 127, 127}));
}

TEST(FilterProcess, UnsharpOvershootsAtAnEdgeAndRestoresItsType) {
  cImageProcessDIB e;
  e.FilterType(eUnsharp);
  const auto uniform = test::MakeImage(4, 4, Grey(77));
  EXPECT_EQ(test::Bytes(*Process(e, *uniform).image), test::Bytes(*uniform));

  // Columns 40 40 | 220 220 220: 2 x 40 - (6 x 40 + 3 x 220) / 9 = 80 - 100 -> 0 and
  // 2 x 220 - (3 x 40 + 6 x 220) / 9 = 440 - 160 -> 255; the border column keeps its 40.
  const auto edge = test::MakeImageFromRows(
      std::vector<std::vector<Bgr>>(3, {Grey(40), Grey(40), Grey(220), Grey(220), Grey(220)}));
  const cRun run = Process(e, *edge);
  EXPECT_EQ(test::PixelAt(*run.image, 0, 1), Grey(40));
  EXPECT_EQ(test::PixelAt(*run.image, 1, 1), Grey(0));
  EXPECT_EQ(test::PixelAt(*run.image, 2, 1), Grey(255));
  EXPECT_EQ(test::PixelAt(*run.image, 3, 1), Grey(220));
  EXPECT_TRUE(run.bResult);
  // Back to type 7 with the blur values and weight 0, and the same result again.
  EXPECT_EQ(e.FilterArraySize(), 3);
  EXPECT_EQ(e.FilterValue(1, -1), 1);
  EXPECT_EQ(e.FilterWeight(), 0);
  EXPECT_EQ(test::Bytes(*Process(e, *edge).image), test::Bytes(*run.image));
}

TEST(FilterProcess, RankFiltersTreatChannelsApart) {
  // Blues 10 .. 90 and reds 90 .. 10 in different pixels; greens all 50 except one 200.
  std::vector<std::vector<Bgr>> rows(3, std::vector<Bgr>(3));
  for (int k = 0; k < 9; ++k)
    rows[k / 3][k % 3] = {static_cast<uint8_t>(10 + 10 * k), 50, static_cast<uint8_t>(90 - 10 * k)};
  rows[0][2].g = 200;
  const auto img = test::MakeImageFromRows(rows);
  EXPECT_EQ(test::PixelAt(*Process(eMinimumRank, *img).image, 1, 1), (Bgr{10, 50, 10}));
  EXPECT_EQ(test::PixelAt(*Process(eMaximumRank, *img).image, 1, 1), (Bgr{90, 200, 90}));
  // Type 9 is the truncated mean: blue 450 / 9 = 50, green 600 / 9 = 66, red 450 / 9 = 50.
  EXPECT_EQ(test::PixelAt(*Process(eMedianRank, *img).image, 1, 1), (Bgr{50, 66, 50}));
}

TEST(FilterProcess, MeanOfBluesSummingTo1000Is111WhateverTheKernel) {
  const uint8_t blues[9] = {100, 120, 130, 90, 110, 115, 105, 125, 105};
  auto img = test::MakeImage(3, 3);
  for (int k = 0; k < 9; ++k)
    test::SetPixel(*img, k % 3, k / 3, {blues[k], 0, 0});
  cImageProcessDIB e;
  e.FilterType(eBlurMore);  // a 5 x 5 kernel does not widen the mean
  e.FilterType(eMedianRank);
  EXPECT_EQ(test::PixelAt(*Process(e, *img).image, 1, 1), (Bgr{111, 0, 0}));
}

TEST(FilterProcess, EventsFollowTheColumns) {
  const auto img = test::MakeImage(5, 4, Grey(9));
  EXPECT_EQ(Process(eSharpen, *img).events.events, test::ExpectedColumnEvents(9, 3, 9));
  EXPECT_EQ(Process(eMaximumRank, *img).events.events, test::ExpectedColumnEvents(9, 3, 9));
  const auto wide = test::MakeImage(7, 6, Grey(9));
  EXPECT_EQ(Process(eBlurMore, *wide).events.events, test::ExpectedColumnEvents(12, 6, 12));
  const cRun run = Process(eEmboss, *wide);
  EXPECT_EQ(run.events.events, test::ExpectedColumnEvents(15, 3, 15));
  EXPECT_GE(run.events.lastTimeMs, 0);
}

TEST(FilterProcess, ImagesTooSmallRaiseOnlyInitAndComplete) {
  const auto narrow = test::MakeImage(2, 9, {1, 2, 3});
  for (int32_t eType : {1, 3, 5, 7, 9, 10, 11}) {
    const cRun run = Process(eType, *narrow);
    EXPECT_EQ(run.events.events, (std::vector<std::string>{"I0", "C"})) << eType;
    EXPECT_EQ(test::Bytes(*run.image), test::Bytes(*narrow)) << eType;
    EXPECT_TRUE(run.bResult);
  }
  // 4 rows are too few for Blur More; emboss still brightens every pixel.
  const auto low = test::MakeImage(8, 4, {1, 2, 200});
  EXPECT_EQ(Process(eBlurMore, *low).events.events, (std::vector<std::string>{"I15", "C"}));
  const cRun embossed = Process(eEmboss, *test::MakeImage(1, 1, {1, 2, 200}));
  EXPECT_EQ(embossed.events.events, (std::vector<std::string>{"I-3", "C"}));
  EXPECT_EQ(test::PixelAt(*embossed.image, 0, 0), (Bgr{128, 129, 255}));
}

TEST(FilterProcess, NothingToApply) {
  const auto img = test::MakeImage(4, 4, Grey(5));
  for (cImageProcessDIB e : {cImageProcessDIB{}, [] {
                               cImageProcessDIB t;
                               t.FilterType(12);
                               return t;
                             }()}) {
    const cRun run = Process(e, *img);
    EXPECT_FALSE(run.bResult);
    EXPECT_TRUE(run.events.events.empty());
    EXPECT_EQ(test::Bytes(*run.image), test::Bytes(*img));
  }
}

TEST(FilterProcess, CustomWithoutKernelRaisesAndLosesNothing) {
  cImageProcessDIB e;
  e.FilterType(eCustom);
  const auto img = test::MakeImage(4, 4, Grey(5));
  auto copy = test::Clone(*img);
  auto buffer = test::MakeImage(4, 4);
  test::cEventRecorder events;
  e.SetListener(&events);
  try {
    e.ProcessImage(*copy, *buffer);
    ADD_FAILURE() << "no error";
  } catch (const cError& err) {
    EXPECT_EQ(err.Number(), static_cast<int32_t>(0x8004051C));
    EXPECT_EQ(err.Description(), "Invalid filter index.");
  }
  EXPECT_TRUE(events.events.empty());
  EXPECT_EQ(test::Bytes(*copy), test::Bytes(*img));
}

// A custom 3 x 3 kernel with the given centre and edge values (corners 0).
cImageProcessDIB Custom(int32_t lCentre, int32_t lEdge, int32_t lWeight) {
  cImageProcessDIB e;
  e.FilterType(eCustom);
  e.FilterArraySize(3);
  e.FilterValue(0, 0, lCentre);
  for (auto [i, j] : {std::pair{-1, 0}, std::pair{1, 0}, std::pair{0, -1}, std::pair{0, 1}})
    e.FilterValue(i, j, lEdge);
  e.FilterWeight(lWeight);
  return e;
}

TEST(FilterProcess, WeightZeroCountsAsOneAndNegativeWeightsDivide) {
  auto img = test::MakeImage(3, 3, Grey(90));
  test::SetPixel(*img, 1, 1, Grey(100));
  // Edge detector, sum 0: 4 x 100 - 4 x 90 = 40, taken as it is.
  cImageProcessDIB edge = Custom(4, -1, 0);
  EXPECT_EQ(test::PixelAt(*Process(edge, *img).image, 1, 1), Grey(40));
  // -(100 + 4 x 90) / -5 = 92; the same kernel with weight 5 gives a negative quotient -> 0.
  cImageProcessDIB negative = Custom(-1, -1, -5);
  EXPECT_EQ(test::PixelAt(*Process(negative, *img).image, 1, 1), Grey(92));
  cImageProcessDIB positive = Custom(-1, -1, 5);
  EXPECT_EQ(test::PixelAt(*Process(positive, *img).image, 1, 1), Grey(0));
}

TEST(FilterProcess, ExtremeKernelsAreExact) {
  auto img = test::MakeImage(3, 3, Grey(2));
  test::SetPixel(*img, 1, 1, Grey(3));
  // (3 x INT32_MIN + 4 x 2 x INT32_MAX) / INT32_MAX: beyond 32 bits, exactly 5 - 3 / INT32_MAX
  // rounded toward zero = 4.
  cImageProcessDIB big = Custom(INT32_MIN, INT32_MAX, INT32_MAX);
  EXPECT_EQ(test::PixelAt(*Process(big, *img).image, 1, 1), Grey(4));
  // Identity with the largest weight.
  cImageProcessDIB identity = Custom(INT32_MAX, 0, INT32_MAX);
  EXPECT_EQ(test::PixelAt(*Process(identity, *img).image, 1, 1), Grey(3));
  // 129 x 255 = 32895 no longer fits 16 bits; divided by 129 it is 255 again.
  auto white = test::MakeImage(3, 3, Grey(255));
  cImageProcessDIB wide = Custom(129, 0, 129);
  EXPECT_EQ(test::PixelAt(*Process(wide, *white).image, 1, 1), Grey(255));
  cImageProcessDIB wideNegative = Custom(-129, 0, -129);
  EXPECT_EQ(test::PixelAt(*Process(wideNegative, *white).image, 1, 1), Grey(255));
}

TEST(FilterProcess, PaddingBytesAreNeverWritten) {
  // MakeImage fills padding with 0xA5; width 5 has 1 padding byte per row.
  const auto img = test::MakeImage(5, 5, Grey(200));
  for (int32_t eType = 1; eType <= 11; ++eType) {
    const cRun run = Process(eType, *img);
    for (int32_t y = 0; y < 5; ++y)
      EXPECT_EQ(run.image->DIBSectionBitsPtr()[y * 16 + 15], 0xA5) << eType;
  }
}

// Progress must reach the listener on the calling thread while the work is still running.
class cWatchingListener : public test::cEventRecorder {
 public:
  cWatchingListener(const cDIBSection& img, Bgr original) : m_img(img), m_original(original) {}
  void Progress(int32_t lPosition) override {
    test::cEventRecorder::Progress(lPosition);
    bAllOnCaller = bAllOnCaller && std::this_thread::get_id() == m_caller;
    if (events.size() == 2) {
      bTopUnfilteredAtFirstProgress = test::PixelAt(m_img, 5, m_img.Height() - 2) == m_original;
    }
  }
  bool bAllOnCaller = true;
  bool bTopUnfilteredAtFirstProgress = false;

 private:
  const cDIBSection& m_img;
  Bgr m_original;
  std::thread::id m_caller = std::this_thread::get_id();
};

TEST(FilterProcess, ProgressArrivesWhileTheWorkRuns) {
  SetWorkerCount(1);
  auto img = test::MakeImage(40, 400, Grey(10));
  for (int32_t y = 0; y < 400; y += 2) {
    for (int32_t c = 0; c < 40; ++c)
      test::SetPixel(*img, c, y, Grey(250));
  }
  auto buffer = test::MakeImage(40, 400);
  cImageProcessDIB e;
  e.FilterType(eBlur);
  cWatchingListener listener(*img, test::PixelAt(*img, 5, 398));
  e.SetListener(&listener);
  e.ProcessImage(*img, *buffer);
  SetWorkerCount(0);
  EXPECT_TRUE(listener.bTopUnfilteredAtFirstProgress);
  EXPECT_TRUE(listener.bAllOnCaller);
  EXPECT_EQ(listener.events, test::ExpectedColumnEvents(114, 3, 114));
}

TEST(FilterProcess, ProgressStaysOnTheCallingThreadWithWorkers) {
  SetWorkerCount(3);
  auto img = test::MakeImage(300, 200, Grey(10));
  auto buffer = test::MakeImage(300, 200);
  cImageProcessDIB e;
  e.FilterType(eSoftenMore);
  cWatchingListener listener(*img, Grey(10));
  e.SetListener(&listener);
  e.ProcessImage(*img, *buffer);
  SetWorkerCount(0);
  EXPECT_TRUE(listener.bAllOnCaller);
  EXPECT_EQ(listener.events, test::ExpectedColumnEvents(891, 6, 891));
}

// Asks to stop after a number of Progress events.
class cCancellingListener final : public test::cEventRecorder {
 public:
  explicit cCancellingListener(int iAfter) : m_iAfter(iAfter) {}
  bool CancelRequested() override { return --m_iAfter < 0; }

 private:
  int m_iAfter;
};

// A cancelled operation stops between columns on the calling thread, with workers or without:
// the events so far are the plain ones, no Complete follows, and error 18 says why. The workers
// have ended when it returns (the sanitizer build would see them touch the freed job).
TEST(FilterProcess, ACancelStopsBetweenColumnsWithAndWithoutWorkers) {
  auto img = test::MakeImage(300, 200, Grey(10));
  const std::vector<std::string> full = test::ExpectedColumnEvents(891, 6, 891);
  for (const int32_t lThreads : {1, 3}) {
    for (const int iAfter : {0, 5, 200}) {
      SCOPED_TRACE(std::to_string(lThreads) + " threads, after " + std::to_string(iAfter));
      SetWorkerCount(lThreads);
      auto picture = test::Clone(*img);
      auto buffer = test::MakeImage(300, 200);
      cImageProcessDIB e;
      e.FilterType(eSoftenMore);
      cCancellingListener listener(iAfter);
      e.SetListener(&listener);
      try {
        e.ProcessImage(*picture, *buffer);
        ADD_FAILURE() << "not cancelled";
      } catch (const cError& error) {
        EXPECT_EQ(error.Number(), kErrCancelled);
      }
      e.SetListener(nullptr);
      ASSERT_EQ(listener.events.size(), static_cast<size_t>(iAfter) + 2);
      EXPECT_TRUE(std::equal(listener.events.begin(), listener.events.end(), full.begin()));
      // The engine is fit for the next operation.
      EXPECT_TRUE(e.ProcessImage(*picture, *buffer));
    }
  }
  SetWorkerCount(0);
}

}  // namespace
}  // namespace brennic
