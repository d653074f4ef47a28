// The HLS model: the documented conversions, and the vectorised HLS arithmetic of Lighten and
// Colourise against the scalar model on every colour.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "image/cImageProcessDIB.h"
#include "image/mHLSRGB.h"
#include "image/reference/ReferenceColour.h"
#include "support/ImageTestUtil.h"
#include "test_colour_support.h"

namespace brennic {
namespace {

struct Hls {
  float h, s, l;
};

Hls ToHls(int32_t r, int32_t g, int32_t b) {
  Hls o{};
  RGBToHLS(r, g, b, o.h, o.s, o.l);
  return o;
}

void ExpectRoundTrip(int32_t r, int32_t g, int32_t b) {
  const Hls x = ToHls(r, g, b);
  int32_t r2 = -1, g2 = -1, b2 = -1;
  HLSToRGB(x.h, x.s, x.l, r2, g2, b2);
  EXPECT_EQ(r2, r);
  EXPECT_EQ(g2, g);
  EXPECT_EQ(b2, b);
}

TEST(HLS, PrimariesAndSecondaries) {
  const Hls red = ToHls(255, 0, 0);
  EXPECT_EQ(red.h, 0.0F);
  EXPECT_EQ(red.s, 1.0F);
  EXPECT_EQ(red.l, 0.5F);
  EXPECT_EQ(ToHls(0, 255, 0).h, 2.0F);
  EXPECT_EQ(ToHls(0, 0, 255).h, 4.0F);
  EXPECT_EQ(ToHls(255, 255, 0).h, 1.0F);   // red wins the tie: (g - b) / 1
  EXPECT_EQ(ToHls(255, 0, 255).h, -1.0F);  // magenta lies below red
  EXPECT_EQ(ToHls(0, 255, 255).h, 3.0F);   // cyan
  for (const auto& [r, g, b] : {std::tuple{255, 0, 0},
                                {0, 255, 0},
                                {0, 0, 255},
                                {255, 255, 0},
                                {255, 0, 255},
                                {0, 255, 255},
                                {12, 200, 99},
                                {250, 3, 128}}) {
    ExpectRoundTrip(r, g, b);
  }
}

TEST(HLS, GreysHaveNoHueNorSaturation) {
  for (int32_t v : {0, 1, 127, 128, 254, 255}) {
    const Hls x = ToHls(v, v, v);
    EXPECT_EQ(x.h, 0.0F);
    EXPECT_EQ(x.s, 0.0F);
    EXPECT_EQ(x.l, static_cast<float>(v) / 255.0F);
    ExpectRoundTrip(v, v, v);
  }
}

TEST(HLS, SaturationUsesTheFormulaOfItsHalf) {
  // Dark: (max - min) / (max + min); light: (max - min) / (2 - max - min).
  EXPECT_FLOAT_EQ(ToHls(100, 50, 50).s, (100.0F - 50.0F) / (100.0F + 50.0F));
  EXPECT_FLOAT_EQ(ToHls(250, 200, 200).s, (50.0F / 255.0F) / (2.0F - 450.0F / 255.0F));
}

TEST(HLS, BackToRgb) {
  int32_t r = 0, g = 0, b = 0;
  HLSToRGB(0.0F, 1.0F, 0.5F, r, g, b);
  EXPECT_EQ(std::tuple(r, g, b), std::tuple(255, 0, 0));
  HLSToRGB(4.0F, 1.0F, 0.5F, r, g, b);
  EXPECT_EQ(std::tuple(r, g, b), std::tuple(0, 0, 255));
  HLSToRGB(2.5F, 0.0F, 0.2F, r, g, b);  // no saturation: grey of the lightness
  EXPECT_EQ(std::tuple(r, g, b), std::tuple(51, 51, 51));
}

TEST(HLS, HuesOutsideTheCircleExtrapolateWithoutClamping) {
  int32_t r = 0, g = 0, b = 0;
  HLSToRGB(7.0F, 0.5F, 0.5F, r, g, b);  // red = 0.25 + 3 x 0.5
  EXPECT_EQ(std::tuple(r, g, b), std::tuple(446, 64, 191));
  HLSToRGB(-2.0F, 0.5F, 0.5F, r, g, b);  // blue = 0.25 + 2 x 0.5
  EXPECT_EQ(std::tuple(r, g, b), std::tuple(191, 64, 319));
  // Beyond the 32-bit range the result saturates; NaN gives 0.
  HLSToRGB(1e30F, 0.5F, 0.5F, r, g, b);
  EXPECT_EQ(r, std::numeric_limits<int32_t>::max());
  HLSToRGB(std::numeric_limits<float>::quiet_NaN(), 0.5F, 0.5F, r, g, b);
  EXPECT_EQ(r, 0);
}

// An image holding colours with every kind of tie: channels drawn from a set of values that
// includes the extremes, the middle and neighbours of each.
std::unique_ptr<cDIBSection> TieImage() {
  const uint8_t v[] = {0, 1, 2, 16, 17, 63, 64, 127, 128, 129, 191, 200, 253, 254, 255};
  constexpr int32_t n = sizeof v;
  auto img = test::MakeImage(n * n, n);
  for (int32_t r = 0; r < n; ++r) {
    for (int32_t g = 0; g < n; ++g) {
      for (int32_t b = 0; b < n; ++b)
        test::SetPixel(*img, r * n + g, b, {v[b], v[g], v[r]});
    }
  }
  return img;
}

TEST(HLS, LanesMatchTheModelOnTies) {
  cImageProcessDIB engine;
  for (int32_t lAmount : {20, -50, 300}) {
    auto fast = TieImage(), ref = TieImage();
    engine.Lighten(*fast, lAmount);
    reference::Lighten(*ref, lAmount);
    EXPECT_EQ(test::FirstDifference(*fast, *ref), -1) << "Lighten " << lAmount;
  }
  for (float fHue : {0.0F, 1.0F, 2.5F, -0.0F, -1.0F, 5.5F}) {
    auto fast = TieImage(), ref = TieImage();
    engine.Colourise(*fast, fHue, 0.5F);
    reference::Colourise(*ref, fHue, 0.5F);
    EXPECT_EQ(test::FirstDifference(*fast, *ref), -1) << "Colourise " << fHue;
  }
}

// Every one of the 2^24 colours; too slow under the sanitizers, where the vector code is not
// built anyway.
#if !defined(__SANITIZE_ADDRESS__)
TEST(HLS, LanesMatchTheModelOnEveryColour) {
  auto all = test::MakeImage(4096, 4096);
  for (int32_t i = 0; i < (1 << 24); ++i) {
    test::SetPixel(
        *all, i % 4096, i / 4096,
        {static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i >> 16)});
  }
  cImageProcessDIB engine;
  auto fast = test::Clone(*all);
  engine.Lighten(*fast, 20);
  reference::Lighten(*all, 20);
  const int64_t d = test::FirstDifference(*fast, *all);
  EXPECT_EQ(d, -1) << "Lighten differs at " << test::Where(*all, d);
}
#endif

}  // namespace
}  // namespace brennic
