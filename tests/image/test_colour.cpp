// Colour operations: the documented examples, the event frame, and the fast paths against the
// plain reference algorithms.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "image/cError.h"
#include "image/cImageProcessDIB.h"
#include "image/mRandom.h"
#include "image/reference/ReferenceColour.h"
#include "support/ImageTestUtil.h"
#include "test_colour_support.h"

namespace brennic {
namespace {

using test::Bgr;

Bgr GrayOf(Bgr in) {
  auto img = test::MakeImage(1, 1, in);
  cImageProcessDIB().GrayScale(*img);
  return test::PixelAt(*img, 0, 0);
}

// --- Gray scale ---------------------------------------------------------------------------------

TEST(GrayScale, WorkedExamples) {
  EXPECT_EQ(GrayOf({0, 0, 255}), (Bgr{57, 57, 57}));     // red: 56.61
  EXPECT_EQ(GrayOf({0, 255, 0}), (Bgr{180, 180, 180}));  // green: 180.285
  EXPECT_EQ(GrayOf({255, 0, 0}), (Bgr{18, 18, 18}));     // blue: 18.105
  EXPECT_EQ(GrayOf({255, 255, 255}), (Bgr{255, 255, 255}));
  // Exact halves round to even.
  EXPECT_EQ(GrayOf({0, 0, 250}), (Bgr{56, 56, 56}));   // 55 500 / 1000 = 55.5
  EXPECT_EQ(GrayOf({194, 18, 0}), (Bgr{26, 26, 26}));  // 26 500 / 1000 = 26.5
}

TEST(GrayScale, LeavesEveryGrayUnchanged) {
  auto img = test::MakeImage(256, 2);
  for (int32_t v = 0; v < 256; ++v) {
    const auto b = static_cast<uint8_t>(v);
    test::SetPixel(*img, v, 0, {b, b, b});
    test::SetPixel(*img, 255 - v, 1, {b, b, b});
  }
  const auto before = test::Bytes(*img);
  cImageProcessDIB().GrayScale(*img);
  EXPECT_EQ(test::Bytes(*img), before);
}

TEST(GrayScale, MatchesReference) {
  test::ExpectSameAsReference(
      [](cImageProcessDIB& e, cDIBSection& a, cDIBSection&) { e.GrayScale(a); },
      [](cDIBSection& a, cDIBSection&) { reference::GrayScale(a); });
}

// --- Black and white ----------------------------------------------------------------------------

std::vector<Bgr> BottomRow(const cDIBSection& img) {
  std::vector<Bgr> row;
  for (int32_t c = 0; c < img.Width(); ++c)
    row.push_back(test::PixelAt(img, c, 0));
  return row;
}

constexpr Bgr kBlack{0, 0, 0};
constexpr Bgr kWhite{255, 255, 255};

TEST(BlackAndWhite, UniformDarkIsBlackAndUniform129IsWhite) {
  cImageProcessDIB engine;
  for (const auto& [v, expected] : {std::pair{uint8_t{16}, kBlack},
                                    {uint8_t{0}, kBlack},
                                    {uint8_t{129}, kWhite},
                                    {uint8_t{255}, kWhite}}) {
    auto from = test::MakeImage(9, 7, {v, v, v});
    auto to = test::MakeImage(9, 7);
    engine.BlackAndWhite(*from, *to);
    for (int32_t y = 0; y < 7; ++y) {
      for (int32_t c = 0; c < 9; ++c)
        ASSERT_EQ(test::PixelAt(*to, c, y), expected) << int{v} << " at " << c << ", " << y;
    }
    EXPECT_EQ(test::Bytes(*from), test::Bytes(*to));  // both hold the result
  }
}

TEST(BlackAndWhite, Uniform128IsDitheredAndTheLastColumnGetsNothingFromTheLeft) {
  cImageProcessDIB engine;
  // 3 x 1: black (error 128), then 128 + 56 = 184 is white; the last column stays 128: black.
  auto from = test::MakeImage(3, 1, {128, 128, 128});
  auto to = test::MakeImage(3, 1);
  engine.BlackAndWhite(*from, *to);
  EXPECT_EQ(BottomRow(*to), (std::vector<Bgr>{kBlack, kWhite, kBlack}));
  // 4 x 1: the white pixel's error -57 gives the third pixel 128 - 24 = 104 (black); the third
  // pixel passes nothing on, so the last stays 128 (black).
  from = test::MakeImage(4, 1, {128, 128, 128});
  to = test::MakeImage(4, 1);
  engine.BlackAndWhite(*from, *to);
  EXPECT_EQ(BottomRow(*to), (std::vector<Bgr>{kBlack, kWhite, kBlack, kBlack}));
}

TEST(BlackAndWhite, ClampsReceivedErrorBeforeThresholding) {
  // 250 is white with error -123; the next pixel 10 + (7 x -123) / 16 = 10 - 53 clamps to 0,
  // which is black with no error, so the third pixel (200) stays white.
  auto from =
      test::MakeImageFromRows({{{250, 250, 250}, {10, 10, 10}, {200, 200, 200}, {0, 0, 0}}});
  auto to = test::MakeImage(4, 1);
  cImageProcessDIB().BlackAndWhite(*from, *to);
  EXPECT_EQ(BottomRow(*to), (std::vector<Bgr>{kWhite, kBlack, kWhite, kBlack}));
}

TEST(BlackAndWhite, RaisesGrayScaleEventsThenItsOwn) {
  auto from = test::MakeImage(5, 3, {90, 90, 90});
  auto to = test::MakeImage(5, 3);
  test::cThreadCheckingRecorder events;
  cImageProcessDIB engine;
  engine.SetListener(&events);
  test::WithWorkers(2, [&] { engine.BlackAndWhite(*from, *to); });
  auto expected = test::ColumnEvents(5);
  const auto own = test::ColumnEvents(5);
  expected.insert(expected.end(), own.begin(), own.end());
  EXPECT_EQ(events.events, expected);
  EXPECT_EQ(events.lForeignThread, 0);
}

TEST(BlackAndWhite, DifferentSizesRaiseBeforeAnything) {
  auto from = test::MakeImage(4, 3, {90, 90, 90});
  auto to = test::MakeImage(3, 3, {7, 7, 7});
  test::cEventRecorder events;
  cImageProcessDIB engine;
  engine.SetListener(&events);
  EXPECT_THROW(engine.BlackAndWhite(*from, *to), cError);
  EXPECT_TRUE(events.events.empty());
  EXPECT_EQ(test::PixelAt(*from, 0, 0), (Bgr{90, 90, 90}));
  EXPECT_EQ(test::PixelAt(*to, 0, 0), (Bgr{7, 7, 7}));
}

TEST(BlackAndWhite, OneImageForBothGivesTheSameResult) {
  std::mt19937 rng(5);
  auto img = test::MakeRandomImage(23, 11, rng);
  auto from = test::Clone(*img);
  auto to = test::MakeImage(23, 11);
  reference::BlackAndWhite(*from, *to);
  cImageProcessDIB().BlackAndWhite(*img, *img);
  EXPECT_EQ(test::PixelBytes(*img), test::PixelBytes(*to));
}

TEST(BlackAndWhite, MatchesReference) {
  test::ExpectSameAsReference(
      [](cImageProcessDIB& e, cDIBSection& a, cDIBSection& b) { e.BlackAndWhite(a, b); },
      [](cDIBSection& a, cDIBSection& b) { reference::BlackAndWhite(a, b); });
}

// --- Noise --------------------------------------------------------------------------------------

TEST(AddNoise, ZeroPercentAndHundredPercentRandomChangeNothing) {
  std::mt19937 rng(3);
  auto img = test::MakeRandomImage(13, 9, rng);
  const auto before = test::Bytes(*img);
  cImageProcessDIB engine;
  SeedRandom(11);
  engine.AddNoise(*img, 0, false);  // span 0, half 0
  EXPECT_EQ(test::Bytes(*img), before);
  EXPECT_EQ(RandomPosition(), 3u * 13 * 9);  // the numbers are still drawn
  engine.AddNoise(*img, 100, true);          // r x 100 never exceeds 100
  EXPECT_EQ(test::Bytes(*img), before);
  EXPECT_EQ(RandomPosition(), 4u * 13 * 9);  // one deciding number per pixel
}

TEST(AddNoise, FiftyPercentMovesEachChannelWithin32) {
  auto img = test::MakeImage(40, 30, {100, 150, 200});
  SeedRandom(2);
  cImageProcessDIB().AddNoise(*img, 50, false);
  bool bChanged = false;
  for (int32_t y = 0; y < 30; ++y) {
    for (int32_t c = 0; c < 40; ++c) {
      const Bgr p = test::PixelAt(*img, c, y);
      EXPECT_LE(std::abs(p.b - 100), 32);
      EXPECT_LE(std::abs(p.g - 150), 32);
      EXPECT_LE(std::abs(p.r - 200), 32);
      bChanged = bChanged || !(p == Bgr{100, 150, 200});
    }
  }
  EXPECT_TRUE(bChanged);
}

TEST(AddNoise, ContinuesTheSharedSequenceWithoutReseeding) {
  auto a = test::MakeImage(6, 5, {128, 128, 128});
  auto b = test::MakeImage(6, 5, {128, 128, 128});
  cImageProcessDIB engine;
  SeedRandom(8);
  engine.AddNoise(*a, 60, false);
  engine.AddNoise(*b, 60, false);
  EXPECT_NE(test::Bytes(*a), test::Bytes(*b));
  // The second call used the numbers right after the first call's.
  auto ref = test::MakeImage(6, 5, {128, 128, 128});
  SeedRandom(8);
  AdvanceRandom(3 * 6 * 5);
  reference::AddNoise(*ref, 60, false);
  EXPECT_EQ(test::Bytes(*b), test::Bytes(*ref));
}

TEST(AddNoise, MatchesReferenceAndLeavesTheGeneratorWhereItWould) {
  for (const auto& [lPercent, bRandom] : {std::pair{50, false},
                                          {50, true},
                                          {0, true},
                                          {20, true},
                                          {95, true},
                                          {100, false},
                                          {-40, false},
                                          {-40, true},
                                          {250, false},
                                          {std::numeric_limits<int32_t>::max(), false},
                                          {std::numeric_limits<int32_t>::min(), true}}) {
    SCOPED_TRACE(std::to_string(lPercent) + (bRandom ? " random" : ""));
    uint64_t lFastEnd = 0, lRefEnd = 0;
    test::ExpectSameAsReference(
        [&](cImageProcessDIB& e, cDIBSection& a, cDIBSection&) {
          SeedRandom(77);
          e.AddNoise(a, lPercent, bRandom);
          lFastEnd = RandomPosition();
        },
        [&](cDIBSection& a, cDIBSection&) {
          SeedRandom(77);
          reference::AddNoise(a, lPercent, bRandom);
          lRefEnd = RandomPosition();
        },
        3, 6);
    EXPECT_EQ(lFastEnd, lRefEnd);
  }
}

// --- Fade ---------------------------------------------------------------------------------------

TEST(Fade, WorkedExamplesWith240) {
  auto img = test::MakeImageFromRows({{{255, 100, 1}, {0, 17, 254}}});
  cImageProcessDIB().Fade(*img, 240);
  EXPECT_EQ(test::PixelAt(*img, 0, 0), (Bgr{240, 94, 0}));
  EXPECT_EQ(test::PixelAt(*img, 1, 0), (Bgr{0, 16, 239}));
}

TEST(Fade, FullAmountKeepsAndZeroBlackens) {
  std::mt19937 rng(4);
  auto img = test::MakeRandomImage(20, 3, rng);
  const auto before = test::Bytes(*img);
  cImageProcessDIB engine;
  engine.Fade(*img, 255);
  EXPECT_EQ(test::Bytes(*img), before);
  engine.Fade(*img, 0);
  for (uint8_t v : test::PixelBytes(*img))
    ASSERT_EQ(v, 0);
}

TEST(Fade, AmountsOutsideTheByteRangeClampEachChannel) {
  auto img = test::MakeImageFromRows({{{255, 100, 0}}});
  cImageProcessDIB engine;
  engine.Fade(*img, 300);  // 300, 117, 0
  EXPECT_EQ(test::PixelAt(*img, 0, 0), (Bgr{255, 117, 0}));
  engine.Fade(*img, -5);
  EXPECT_EQ(test::PixelAt(*img, 0, 0), (Bgr{0, 0, 0}));
}

TEST(Fade, EveryAmountOfTheByteRangeOnEveryValue) {
  auto values = test::MakeImage(256, 1);
  for (int32_t v = 0; v < 256; ++v) {
    const auto b = static_cast<uint8_t>(v);
    test::SetPixel(*values, v, 0, {b, static_cast<uint8_t>(255 - v), b});
  }
  cImageProcessDIB engine;
  for (int32_t lAmount = 0; lAmount < 256; ++lAmount) {
    auto fast = test::Clone(*values), ref = test::Clone(*values);
    engine.Fade(*fast, lAmount);
    reference::Fade(*ref, lAmount);
    ASSERT_EQ(test::Bytes(*fast), test::Bytes(*ref)) << "amount " << lAmount;
  }
}

TEST(Fade, MatchesReference) {
  for (int32_t lAmount : {240, 1, 256, 1000, -1, std::numeric_limits<int32_t>::min()}) {
    SCOPED_TRACE(lAmount);
    test::ExpectSameAsReference(
        [lAmount](cImageProcessDIB& e, cDIBSection& a, cDIBSection&) { e.Fade(a, lAmount); },
        [lAmount](cDIBSection& a, cDIBSection&) { reference::Fade(a, lAmount); }, 2, 4);
  }
}

// --- Lighten and colourise ----------------------------------------------------------------------

Bgr LightenOne(Bgr in, int32_t lAmount) {
  auto img = test::MakeImage(1, 1, in);
  cImageProcessDIB().Lighten(*img, lAmount);
  return test::PixelAt(*img, 0, 0);
}

TEST(Lighten, RaisesLightnessByTheFactorKeepingBlackWhiteAndGreys) {
  EXPECT_EQ(LightenOne({0, 0, 0}, 20), (Bgr{0, 0, 0}));
  EXPECT_EQ(LightenOne({255, 255, 255}, 20), (Bgr{255, 255, 255}));
  EXPECT_EQ(LightenOne({100, 100, 100}, 20), (Bgr{120, 120, 120}));
  EXPECT_EQ(LightenOne({230, 230, 230}, 20), (Bgr{255, 255, 255}));  // lightness capped at 1
  // Red: l 0.5 -> 0.6, s 1: m1 = 0.2, m2 = 1.
  EXPECT_EQ(LightenOne({0, 0, 255}, 20), (Bgr{51, 51, 255}));
  EXPECT_EQ(LightenOne({0, 0, 255}, -100), (Bgr{0, 0, 0}));  // factor 0
  EXPECT_EQ(LightenOne({0, 0, 255}, 0), (Bgr{0, 0, 255}));
}

TEST(Lighten, MatchesReference) {
  for (int32_t lAmount : {20, 0, -30, 100, 1000, -250}) {
    SCOPED_TRACE(lAmount);
    test::ExpectSameAsReference(
        [lAmount](cImageProcessDIB& e, cDIBSection& a, cDIBSection&) { e.Lighten(a, lAmount); },
        [lAmount](cDIBSection& a, cDIBSection&) { reference::Lighten(a, lAmount); }, 6, 8);
  }
}

Bgr ColouriseOne(Bgr in, float fHue, float fSaturation) {
  auto img = test::MakeImage(1, 1, in);
  cImageProcessDIB().Colourise(*img, fHue, fSaturation);
  return test::PixelAt(*img, 0, 0);
}

TEST(Colourise, WorkedExamples) {
  for (float fHue : {0.0F, 2.5F, 4.0F}) {
    EXPECT_EQ(ColouriseOne({0, 0, 0}, fHue, 0.5F), (Bgr{0, 0, 0}));
    EXPECT_EQ(ColouriseOne({255, 255, 255}, fHue, 0.5F), (Bgr{255, 255, 255}));
  }
  // Red has hue 0: saturation 0.5, l 0.5 -> m1 0.25, m2 0.75; hue 2 puts m2 in green.
  EXPECT_EQ(ColouriseOne({0, 0, 255}, 2.0F, 0.5F), (Bgr{64, 191, 64}));
  // Green has hue 2 and keeps saturation 1: at hue 4 it becomes pure blue.
  EXPECT_EQ(ColouriseOne({0, 255, 0}, 4.0F, 0.5F), (Bgr{255, 0, 0}));
  // Hue 7 extrapolates red to m1 + 3 (m2 - m1) = 1.75 (clamped to 255); blue stays at m2.
  EXPECT_EQ(ColouriseOne({0, 0, 255}, 7.0F, 0.5F), (Bgr{191, 64, 255}));
}

TEST(Colourise, MatchesReference) {
  for (const auto& [fHue, fSaturation] : {std::pair{2.5F, 0.5F},
                                          {0.0F, 0.5F},
                                          {-1.0F, 0.0F},
                                          {4.99F, 1.0F},
                                          {7.0F, 0.3F},
                                          {-3.5F, 2.0F},
                                          {1e30F, 0.5F},
                                          {std::numeric_limits<float>::quiet_NaN(), 0.5F}}) {
    SCOPED_TRACE(std::to_string(fHue) + " " + std::to_string(fSaturation));
    test::ExpectSameAsReference(
        [=](cImageProcessDIB& e, cDIBSection& a, cDIBSection&) {
          e.Colourise(a, fHue, fSaturation);
        },
        [=](cDIBSection& a, cDIBSection&) { reference::Colourise(a, fHue, fSaturation); }, 7, 6);
  }
}

// --- The event frame ----------------------------------------------------------------------------

TEST(ColourOperations, EachRaisesOneColumnSequenceOnTheCallingThread) {
  struct Case {
    const char* sName;
    void (*run)(cImageProcessDIB&, cDIBSection&);
  };
  const Case cases[] = {
      {"GrayScale", [](cImageProcessDIB& e, cDIBSection& i) { e.GrayScale(i); }},
      {"AddNoise", [](cImageProcessDIB& e, cDIBSection& i) { e.AddNoise(i, 30, false); }},
      {"AddNoise random", [](cImageProcessDIB& e, cDIBSection& i) { e.AddNoise(i, 30, true); }},
      {"Fade", [](cImageProcessDIB& e, cDIBSection& i) { e.Fade(i, 240); }},
      {"Fade clamped", [](cImageProcessDIB& e, cDIBSection& i) { e.Fade(i, 999); }},
      {"Lighten", [](cImageProcessDIB& e, cDIBSection& i) { e.Lighten(i, 20); }},
      {"Colourise", [](cImageProcessDIB& e, cDIBSection& i) { e.Colourise(i, 2.5F, 0.5F); }},
  };
  for (const Case& c : cases) {
    for (const auto& [w, h] : {std::pair{1, 1}, {7, 4}, {400, 300}}) {
      auto img = test::MakeImage(w, h, {10, 20, 30});
      test::cThreadCheckingRecorder events;
      cImageProcessDIB engine;
      engine.SetListener(&events);
      test::WithWorkers(2, [&] { c.run(engine, *img); });
      EXPECT_EQ(events.events, test::ColumnEvents(w)) << c.sName << " " << w << " x " << h;
      EXPECT_EQ(events.lForeignThread, 0) << c.sName;
      EXPECT_GE(events.lastTimeMs, 0) << c.sName;
    }
  }
}

}  // namespace
}  // namespace brennic
