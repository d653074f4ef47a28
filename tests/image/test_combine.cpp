#include <gtest/gtest.h>

#include "image/cError.h"
#include "image/cImageProcessDIB.h"
#include "support/ImageTestUtil.h"

namespace brennic {
namespace {

using test::Bgr;

// One pixel per case keeps the expected values readable.
Bgr AddOne(Bgr from, Bgr to, int32_t mF, int32_t oF, int32_t mT, int32_t oT) {
  auto f = test::MakeImage(1, 1, from);
  auto t = test::MakeImage(1, 1, to);
  cImageProcessDIB engine;
  EXPECT_TRUE(engine.AddImages(*f, *t, mF, oF, oF, oF, mT, oT, oT, oT));
  EXPECT_EQ(test::PixelAt(*f, 0, 0), from);  // only cTo is written
  return test::PixelAt(*t, 0, 0);
}

TEST(AddImages, IdentityCopyAndNegative) {
  EXPECT_EQ(AddOne({1, 2, 3}, {10, 20, 30}, 0, 0, 1, 0), (Bgr{10, 20, 30}));
  EXPECT_EQ(AddOne({1, 2, 3}, {10, 20, 30}, 1, 0, 0, 0), (Bgr{1, 2, 3}));
  EXPECT_EQ(AddOne({0, 255, 100}, {7, 7, 7}, -1, -255, 0, 0), (Bgr{255, 0, 155}));
}

TEST(AddImages, EmbossAndUnsharpParametersClamp) {
  EXPECT_EQ(AddOne({200, 0, 100}, {9, 9, 9}, 1, 127, 0, 0), (Bgr{255, 127, 227}));
  // Unsharp: 2 x input - blurred.
  EXPECT_EQ(AddOne({100, 50, 0}, {120, 10, 0}, -1, 0, 2, 0), (Bgr{140, 0, 0}));
  EXPECT_EQ(AddOne({10, 0, 0}, {200, 0, 0}, -1, 0, 2, 0), (Bgr{255, 0, 0}));
}

TEST(AddImages, OffsetsApplyPerChannel) {
  auto f = test::MakeImage(1, 1, {10, 20, 30});
  auto t = test::MakeImage(1, 1, {0, 0, 0});
  cImageProcessDIB engine;
  // R, G, B offsets for the source: 1, 2, 3 -> blue gets +3, red +1.
  engine.AddImages(*f, *t, 1, 1, 2, 3, 1, 100, 0, 0);
  EXPECT_EQ(test::PixelAt(*t, 0, 0), (Bgr{13, 22, 131}));
}

TEST(AddImages, ExtremeDialogValuesDoNotOverflow) {
  // (255 + 2^31-1) * (2^31-1) twice would overflow 64 bits; the exact sum is hugely positive.
  EXPECT_EQ(AddOne({255, 255, 255}, {255, 255, 255}, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX),
            (Bgr{255, 255, 255}));
  // Terms beyond 32 bits that cancel: 5 M - 5 (M - 1) = 5 exactly.
  EXPECT_EQ(AddOne({5, 5, 5}, {5, 5, 5}, INT32_MAX, 0, -(INT32_MAX - 1), 0), (Bgr{5, 5, 5}));
  // Terms beyond 64 bits that cancel: M * M - (M + 1)(M - 1) = 1 exactly.
  EXPECT_EQ(AddOne({0, 0, 0}, {1, 1, 1}, INT32_MAX, INT32_MAX, -(INT32_MAX - 1), INT32_MAX),
            (Bgr{1, 1, 1}));
  EXPECT_EQ(AddOne({0, 0, 0}, {0, 0, 0}, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN),
            (Bgr{255, 255, 255}));
  EXPECT_EQ(AddOne({0, 0, 0}, {255, 255, 255}, INT32_MIN, INT32_MAX, 1, 0), (Bgr{0, 0, 0}));
}

TEST(AddImages, SmallerSourceRaisesSizesDoNotMatch) {
  auto f = test::MakeImage(2, 3);
  auto t = test::MakeImage(3, 3, {9, 9, 9});
  cImageProcessDIB engine;
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
  EXPECT_EQ(test::PixelAt(*t, 0, 0), (Bgr{9, 9, 9}));
  // A larger source is fine: the loops run over the destination.
  auto big = test::MakeImage(4, 4, {1, 1, 1});
  engine.AddImages(*big, *t, 1, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(test::PixelAt(*t, 2, 2), (Bgr{1, 1, 1}));
}

TEST(AddLightest, DarkerPixelByKeyWinsAndTiesKeepDestination) {
  cImageProcessDIB engine;
  // Pure red has key 0, as black does: the black destination stays.
  auto red = test::MakeImage(1, 1, {0, 0, 255});
  auto black = test::MakeImage(1, 1, {0, 0, 0});
  engine.AddLightest(*red, *black);
  EXPECT_EQ(test::PixelAt(*black, 0, 0), (Bgr{0, 0, 0}));
  // Over dark green (key > 0) the red pixel is taken whole.
  auto green = test::MakeImage(1, 1, {0, 10, 0});
  engine.AddLightest(*red, *green);
  EXPECT_EQ(test::PixelAt(*green, 0, 0), (Bgr{0, 0, 255}));
  // Equal keys need equal green and blue (929 and 71 are primes): red alone differs, and the
  // destination stays.
  auto pink = test::MakeImage(1, 1, {5, 5, 200});
  auto dark = test::MakeImage(1, 1, {5, 5, 0});
  engine.AddLightest(*pink, *dark);
  EXPECT_EQ(test::PixelAt(*dark, 0, 0), (Bgr{5, 5, 0}));
  engine.AddDarkest(*pink, *dark);
  EXPECT_EQ(test::PixelAt(*dark, 0, 0), (Bgr{5, 5, 0}));
}

TEST(AddDarkest, LighterPixelByKeyWins) {
  cImageProcessDIB engine;
  auto to = test::MakeImageFromRows({{{0, 0, 255}, {0, 100, 0}, {50, 50, 50}}});
  auto from = test::MakeImageFromRows({{{1, 0, 0}, {0, 99, 255}, {50, 50, 50}}});
  engine.AddDarkest(*from, *to);
  EXPECT_EQ(test::PixelAt(*to, 0, 0), (Bgr{1, 0, 0}));    // any blue beats pure red
  EXPECT_EQ(test::PixelAt(*to, 1, 0), (Bgr{0, 100, 0}));  // green 99 < 100: kept
  EXPECT_EQ(test::PixelAt(*to, 2, 0), (Bgr{50, 50, 50}));
}

TEST(Combination, RedDoesNotCountInTheKeyAndBlueCountsLittle) {
  cImageProcessDIB engine;
  // Key of (b=13, g=0) is 923; of (b=0, g=1) is 929: green by one outweighs blue by 13.
  auto to = test::MakeImage(1, 1, {13, 0, 0});
  auto from = test::MakeImage(1, 1, {0, 1, 0});
  engine.AddDarkest(*from, *to);
  EXPECT_EQ(test::PixelAt(*to, 0, 0), (Bgr{0, 1, 0}));
  engine.AddLightest(*test::MakeImage(1, 1, {14, 0, 0}), *to);
  EXPECT_EQ(test::PixelAt(*to, 0, 0), (Bgr{0, 1, 0}));  // 994 > 929: kept
}

TEST(Combination, NoEventsAreRaised) {
  cImageProcessDIB engine;
  test::cEventRecorder rec;
  engine.SetListener(&rec);
  auto a = test::MakeImage(3, 2, {1, 2, 3});
  auto b = test::MakeImage(3, 2, {4, 5, 6});
  engine.AddImages(*a, *b, 1, 0, 0, 0, 1, 0, 0, 0);
  engine.AddLightest(*a, *b);
  engine.AddDarkest(*a, *b);
  EXPECT_TRUE(rec.events.empty());
}

}  // namespace
}  // namespace brennic
