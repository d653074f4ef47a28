// ProcessImage on small hand-computed images, its events, its cancel and its state afterwards.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>

#include "image/cError.h"
#include "image/cImageProcessDIB.h"
#include "image/cParallel.h"
#include "support/ImageTestUtil.h"

namespace brennic {
namespace {

using test::Bgr;

// Runs the engine's current filter over a copy of img, which it must change.
std::unique_ptr<cDIBSection> Process(cImageProcessDIB& e, const cDIBSection& img) {
  auto out = test::Clone(img);
  EXPECT_TRUE(e.ProcessImage(*out, *test::MakeImage(img.Width(), img.Height())));
  return out;
}

Bgr Grey(uint8_t v) {
  return {v, v, v};
}

// An n x n picture of fill with centre in the middle and the given pixels (column, memory row).
struct cPicture {
  int32_t n;
  Bgr fill, centre;
  std::vector<std::tuple<int32_t, int32_t, Bgr>> more = {};
};

// A custom 3 x 3 kernel with the given centre and edge values (corners 0).
void Custom(cImageProcessDIB& e, int32_t lCentre, int32_t lEdge, int32_t lWeight) {
  e.FilterType(eCustom);
  e.FilterArraySize(3);
  e.FilterValue(0, 0, lCentre);
  for (auto [i, j] : {std::pair{-1, 0}, std::pair{1, 0}, std::pair{0, -1}, std::pair{0, 1}})
    e.FilterValue(i, j, lEdge);
  e.FilterWeight(lWeight);
}

TEST(FilterProcess, WorkedExamples) {
  constexpr int32_t kMin = INT32_MIN, kMax = INT32_MAX;
  const cPicture spot{5, Grey(0), Grey(90)}, soft{5, Grey(30), Grey(120)};
  const cPicture dip{3, Grey(90), Grey(100)}, tiny{3, Grey(2), Grey(3)};
  const cPicture white{3, Grey(255), Grey(255)}, plain{5, {10, 128, 200}, {10, 128, 200}};
  const cPicture dark{3, Grey(200), Grey(100)}, light{3, Grey(100), {200, 101, 0}};
  const cPicture cross{3,
                       Grey(255),
                       Grey(60),
                       {{0, 1, Grey(50)}, {2, 1, Grey(40)}, {1, 0, Grey(30)}, {1, 2, Grey(20)}}};
  // Memory row y + 1 is the row above on screen.
  const cPicture corners{3, Grey(100), Grey(100), {{2, 2, {180, 100, 0}}, {0, 0, {20, 120, 0}}}};
  const struct {
    const char* sWhat;
    int32_t eType;
    std::array<int32_t, 3> custom;  // centre, edge and weight of a custom kernel
    cPicture picture;
    int32_t c, y;
    Bgr expected;
  } cases[] = {
      {"90 / 9", eBlur, {}, spot, 1, 1, Grey(10)},
      {"(4 x 120 + 8 x 30) / 12", eSoften, {}, soft, 2, 2, Grey(60)},
      {"90 / 25 truncates", eBlurMore, {}, spot, 2, 2, Grey(3)},
      {"12 x 90 / 44 truncates", eSoftenMore, {}, spot, 2, 2, Grey(24)},
      {"-100 / 7 truncates, then clamps", eSharpen, {}, dark, 1, 1, Grey(0)},
      {"314 clamps; 715 / 7 = 102", eSharpen, {}, light, 1, 1, {255, 102, 0}},
      {"5 x 60 - (50 + 40 + 30 + 20), corners ignored", eSharpenMore, {}, cross, 1, 1, Grey(160)},
      {"emboss offsets the border too", eEmboss, {}, plain, 0, 0, {137, 255, 255}},
      // Blue 180 - 20 -> 255, green 100 - 120 -> 0 -> 127, red 0 -> 127.
      {"upper right - lower left + 127", eEmboss, {}, corners, 1, 1, {255, 127, 127}},
      {"weight 0 counts as 1: 4 x 100 - 4 x 90", eCustom, {4, -1, 0}, dip, 1, 1, Grey(40)},
      {"negative weight: -460 / -5", eCustom, {-1, -1, -5}, dip, 1, 1, Grey(92)},
      // (3 x kMin + 8 x 2 x kMax) / kMax = 5 - 3 / kMax rounded toward zero.
      {"beyond 32 bits", eCustom, {kMin, kMax, kMax}, tiny, 1, 1, Grey(4)},
      {"129 x 255 beyond 16 bits", eCustom, {129, 0, 129}, white, 1, 1, Grey(255)},
  };
  for (const auto& t : cases) {
    auto img = test::MakeImage(t.picture.n, t.picture.n, t.picture.fill);
    test::SetPixel(*img, t.picture.n / 2, t.picture.n / 2, t.picture.centre);
    for (const auto& [c, y, v] : t.picture.more)
      test::SetPixel(*img, c, y, v);
    cImageProcessDIB e;
    e.FilterType(t.eType);
    if (t.eType == eCustom) Custom(e, t.custom[0], t.custom[1], t.custom[2]);
    EXPECT_EQ(test::PixelAt(*Process(e, *img), t.c, t.y), t.expected) << t.sWhat;
  }
}

TEST(FilterProcess, UnsharpOvershootsAtAnEdgeAndRestoresItsType) {
  cImageProcessDIB e;
  e.FilterType(eUnsharp);
  // Columns 40 40 | 220 220 220: 2 x 40 - (6 x 40 + 3 x 220) / 9 = 80 - 100 -> 0 and
  // 2 x 220 - (3 x 40 + 6 x 220) / 9 = 440 - 160 -> 255; the border column keeps its 40.
  const auto edge = test::MakeImageFromRows(
      std::vector<std::vector<Bgr>>(3, {Grey(40), Grey(40), Grey(220), Grey(220), Grey(220)}));
  const auto once = Process(e, *edge);
  std::vector<Bgr> middle;
  for (int32_t c = 0; c < 5; ++c)
    middle.push_back(test::PixelAt(*once, c, 1));
  EXPECT_EQ(middle, (std::vector<Bgr>{Grey(40), Grey(0), Grey(255), Grey(220), Grey(220)}));
  // Back to type 7 with the blur values and weight 0, and the same result again.
  EXPECT_EQ(e.FilterArraySize(), 3);
  EXPECT_EQ(e.FilterValue(1, -1), 1);
  EXPECT_EQ(e.FilterWeight(), 0);
  EXPECT_EQ(test::Bytes(*Process(e, *edge)), test::Bytes(*once));
}

// No type, a type without an operation, and a custom type without a kernel: nothing happens,
// the last with an error.
TEST(FilterProcess, NothingToApplyChangesNothing) {
  const auto img = test::MakeImage(4, 4, Grey(5));
  for (const int32_t eType : {0, 12, int32_t{eCustom}}) {
    cImageProcessDIB e;
    if (eType != 0) e.FilterType(eType);
    auto copy = test::Clone(*img), buffer = test::MakeImage(4, 4);
    test::cEventRecorder events;
    e.SetListener(&events);
    try {
      EXPECT_FALSE(e.ProcessImage(*copy, *buffer));
      EXPECT_NE(eType, eCustom) << "no error";
    } catch (const cError& err) {
      EXPECT_EQ(eType, eCustom);
      EXPECT_EQ(err.Number(), static_cast<int32_t>(0x8004051C));
      EXPECT_EQ(err.Description(), "Invalid filter index.");
    }
    EXPECT_TRUE(events.events.empty());
    EXPECT_EQ(test::Bytes(*copy), test::Bytes(*img));
  }
}

// Records the events, notes whether the third row from the top is still unfiltered at the first
// Progress, and asks to stop after a number of them.
class cListener final : public test::cEventRecorder {
 public:
  cListener(const cDIBSection& img, int iAfter)
      : m_img(img), m_original(test::PixelAt(img, 5, img.Height() - 3)), m_iAfter(iAfter) {}
  void Progress(int32_t lPosition) override {
    test::cEventRecorder::Progress(lPosition);
    if (events.size() == 2)
      bTopUnfiltered = test::PixelAt(m_img, 5, m_img.Height() - 3) == m_original;
  }
  bool CancelRequested() override { return --m_iAfter < 0; }
  bool bTopUnfiltered = false;

 private:
  const cDIBSection& m_img;
  Bgr m_original;
  int m_iAfter;
};

// Progress reaches the listener on the calling thread while the work runs: with one worker the
// first column is reported before the top rows are filtered. A cancel stops between columns, with
// workers or without: the events so far are the plain ones, no Complete follows, and error 18
// says why. The workers have ended when it returns (the sanitizer build would see them touch the
// freed job), and the engine is fit for the next operation.
TEST(FilterProcess, ProgressComesWhileTheWorkRunsAndACancelStopsBetweenColumns) {
  auto img = test::MakeImage(300, 200, Grey(10));
  for (int32_t i = 0; i < 300 * 100; ++i)
    test::SetPixel(*img, i % 300, 2 * (i / 300), Grey(250));
  const std::vector<std::string> full = test::ExpectedColumnEvents(891, 6, 891);
  for (const int32_t lThreads : {1, 3}) {
    for (const int iAfter : {0, 5, 200, INT_MAX}) {
      SCOPED_TRACE(std::to_string(lThreads) + " threads, after " + std::to_string(iAfter));
      SetWorkerCount(lThreads);
      auto picture = test::Clone(*img);
      auto buffer = test::MakeImage(300, 200);
      cImageProcessDIB e;
      e.FilterType(eSoftenMore);
      cListener listener(*picture, iAfter);
      e.SetListener(&listener);
      try {
        EXPECT_TRUE(e.ProcessImage(*picture, *buffer));
        EXPECT_EQ(iAfter, INT_MAX) << "not cancelled";
        EXPECT_EQ(listener.events, full);
      } catch (const cError& error) {
        EXPECT_EQ(error.Number(), kErrCancelled);
        EXPECT_NE(iAfter, INT_MAX);
        ASSERT_EQ(listener.events.size(), static_cast<size_t>(iAfter) + 2);
        EXPECT_TRUE(std::equal(listener.events.begin(), listener.events.end(), full.begin()));
      }
      EXPECT_TRUE(lThreads > 1 || listener.bTopUnfiltered);
      EXPECT_EQ(listener.lForeignThread, 0);
      e.SetListener(nullptr);
      EXPECT_TRUE(e.ProcessImage(*picture, *buffer));
    }
  }
  SetWorkerCount(0);
}

}  // namespace
}  // namespace brennic
