// Combinations of two pictures: hand-computed pixels, and the fast paths against the reference.

#include <gtest/gtest.h>

#include <limits>

#include "image/cError.h"
#include "image/cImageProcessDIB.h"
#include "image/reference/ReferenceColour.h"
#include "support/ImageTestUtil.h"

namespace brennic {
namespace {

using test::Bgr;

TEST(AddImages, WorkedExamples) {
  constexpr int32_t M = INT32_MAX;
  const struct {
    Bgr from, to;
    int32_t p[8];  // from multiplier, its R G B offsets, to multiplier, its R G B offsets
    Bgr expected;
  } cases[] = {
      {{1, 2, 3}, {10, 20, 30}, {1, 0, 0, 0, 0, 0, 0, 0}, {1, 2, 3}},                 // copy
      {{0, 255, 100}, {7, 7, 7}, {-1, -255, -255, -255, 0, 0, 0, 0}, {255, 0, 155}},  // negative
      {{200, 0, 100}, {9, 9, 9}, {1, 127, 127, 127, 0, 0, 0, 0}, {255, 127, 227}},    // emboss
      {{100, 50, 0}, {120, 10, 0}, {-1, 0, 0, 0, 2, 0, 0, 0}, {140, 0, 0}},  // unsharp: 2 to - from
      // R, G, B offsets 1, 2, 3 of the source: blue gets +3, red +1.
      {{10, 20, 30}, {0, 0, 0}, {1, 1, 2, 3, 1, 100, 0, 0}, {13, 22, 131}},
      // (255 + M) M twice would overflow 64 bits; the exact sum is hugely positive.
      {{255, 255, 255}, {255, 255, 255}, {M, M, M, M, M, M, M, M}, {255, 255, 255}},
      // Terms beyond 64 bits that cancel: M M - (M + 1)(M - 1) = 1.
      {{0, 0, 0}, {1, 1, 1}, {M, M, M, M, -(M - 1), M, M, M}, {1, 1, 1}},
  };
  cImageProcessDIB engine;
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.p));
    auto f = test::MakeImage(1, 1, c.from), t = test::MakeImage(1, 1, c.to);
    const int32_t* p = c.p;
    EXPECT_TRUE(engine.AddImages(*f, *t, p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]));
    EXPECT_EQ(test::PixelAt(*t, 0, 0), c.expected);
    EXPECT_EQ(test::PixelAt(*f, 0, 0), c.from);  // only the destination is written
  }
}

// The key is 929 green + 71 blue: red does not count, and equal keys keep the destination.
TEST(AddLightestAndDarkest, PixelWithTheSmallerOrLargerKeyIsTakenWhole) {
  const struct {
    bool bLightest;
    Bgr from, to, expected;
  } cases[] = {
      {true, {0, 0, 255}, {0, 0, 0}, {0, 0, 0}},        // red and black: both key 0
      {true, {5, 5, 200}, {5, 5, 0}, {5, 5, 0}},        // red alone differs: kept
      {false, {1, 0, 0}, {0, 0, 255}, {1, 0, 0}},       // any blue beats pure red
      {false, {0, 99, 255}, {0, 100, 0}, {0, 100, 0}},  // green 99 < 100
      {false, {0, 1, 0}, {13, 0, 0}, {0, 1, 0}},        // 929 > 923
      {true, {14, 0, 0}, {0, 1, 0}, {0, 1, 0}},         // 994 > 929
  };
  cImageProcessDIB engine;
  for (const auto& c : cases) {
    auto f = test::MakeImage(1, 1, c.from), t = test::MakeImage(1, 1, c.to);
    c.bLightest ? engine.AddLightest(*f, *t) : engine.AddDarkest(*f, *t);
    EXPECT_EQ(test::PixelAt(*t, 0, 0), c.expected)
        << (c.bLightest ? "lightest " : "darkest ") << ::testing::PrintToString(c.from);
  }
}

// A smaller source raises before anything happens; black and white and palette reduction (even
// with no colours) want the very size.
TEST(Combination, ASmallerSourceRaisesSizesDoNotMatchAndNothingRaisesEvents) {
  auto f = test::MakeImage(2, 3, {5, 5, 5});
  auto t = test::MakeImage(3, 3, {9, 9, 9});
  auto big = test::MakeImage(4, 4, {1, 1, 1});
  cImageProcessDIB engine;
  test::cEventRecorder events;
  engine.SetListener(&events);
  try {
    engine.AddImages(*f, *t, 1, 0, 0, 0, 0, 0, 0, 0);
    FAIL() << "no error";
  } catch (const cError& e) {
    EXPECT_EQ(e.Number(), static_cast<int32_t>(0x8004051B));
    EXPECT_EQ(e.Description(), "Image sizes do not match.");
    EXPECT_EQ(e.Source(), ExeBaseName() + ".cImageProcess");
  }
  EXPECT_THROW(engine.AddLightest(*f, *t), cError);
  EXPECT_THROW(engine.AddDarkest(*f, *t), cError);
  for (cDIBSection* from : {f.get(), big.get()}) {
    EXPECT_THROW(engine.BlackAndWhite(*from, *t), cError);
    EXPECT_THROW(engine.ApplyPalette(*from, *t, cPalette()), cError);
  }
  EXPECT_EQ(std::tuple(test::PixelAt(*f, 0, 0), test::PixelAt(*t, 0, 0), test::PixelAt(*big, 0, 0)),
            std::tuple(Bgr{5, 5, 5}, Bgr{9, 9, 9}, Bgr{1, 1, 1}));
  // A larger source is fine for the combinations: the loops run over the destination.
  engine.AddImages(*big, *t, 1, 0, 0, 0, 0, 0, 0, 0);
  engine.AddLightest(*big, *t);
  engine.AddDarkest(*big, *t);
  EXPECT_EQ(test::PixelAt(*t, 2, 2), (Bgr{1, 1, 1}));
  EXPECT_TRUE(events.events.empty());
}

// --- The fast paths against the plain loops, over the whole range of parameters ---------------

struct AddParameters {
  int32_t mF, oFR, oFG, oFB, mT, oTR, oTG, oTB;
};

TEST(CombineFastPaths, AddImagesMatchesReferenceInEveryWidth) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  const AddParameters cases[] = {
      {-1, -255, -255, -255, 0, 0, 0, 0},        // negative
      {-1, 0, 0, 0, 2, 0, 0, 0},                 // unsharp
      {1, 127, 127, 127, 0, 0, 0, 0},            // emboss
      {1, 0, 0, 0, 1, 0, 0, 0},                  // add
      {3, -10, 20, -30, -2, 5, -6, 7},           // per-channel offsets, 16-bit lanes
      {100, 50, -60, 70, -90, 1, 2, 3},          // 32-bit lanes
      {70000, -3, 4, 5, -69999, 6, 7, -8},       // 64 bits
      {kMax, kMax, kMin, 0, kMin, 1, kMax, -1},  // 128 bits
      {0, 0, 0, 0, 1, 0, 0, 0},                  // identity
  };
  // Also in place, as the document runs Negative.
  for (const AddParameters& p : cases) {
    for (const bool bInPlace : {false, true}) {
      SCOPED_TRACE(std::to_string(p.mF) + " / " + std::to_string(p.mT) +
                   (bInPlace ? " in place" : ""));
      test::ExpectSameAsReference(
          [&](cImageProcessDIB& e, cDIBSection& a, cDIBSection& b) {
            e.AddImages(a, bInPlace ? a : b, p.mF, p.oFR, p.oFG, p.oFB, p.mT, p.oTR, p.oTG, p.oTB);
          },
          [&](cDIBSection& a, cDIBSection& b) {
            reference::AddImages(a, bInPlace ? a : b, p.mF, p.oFR, p.oFG, p.oFB, p.mT, p.oTR, p.oTG,
                                 p.oTB);
          },
          bInPlace ? 25 : 21, bInPlace ? 3 : 5);
    }
  }
}

TEST(CombineFastPaths, SelectionsMatchReference) {
  test::ExpectSameAsReference(
      [](cImageProcessDIB& e, cDIBSection& a, cDIBSection& b) { e.AddLightest(a, b); },
      [](cDIBSection& a, cDIBSection& b) { reference::AddLightest(a, b); }, 22);
  test::ExpectSameAsReference(
      [](cImageProcessDIB& e, cDIBSection& a, cDIBSection& b) { e.AddDarkest(a, b); },
      [](cDIBSection& a, cDIBSection& b) { reference::AddDarkest(a, b); }, 23);
}

}  // namespace
}  // namespace brennic
