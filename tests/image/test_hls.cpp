// The HLS model's conversions, and the vectorised HLS arithmetic against it on every colour.

#include <gtest/gtest.h>

#include <limits>

#include "image/cImageProcessDIB.h"
#include "image/mHLSRGB.h"
#include "image/reference/ReferenceColour.h"
#include "support/ImageTestUtil.h"

namespace brennic {
namespace {

// The documented conversions both ways; hues outside the circle extrapolate without clamping,
// beyond the 32-bit range the result saturates and NaN gives 0.
TEST(HLS, WorkedExamples) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
  const struct {
    int32_t r, g, b;
    float h, s, l;
    bool bBack = true;  // also from RGB to HLS
  } cases[] = {
      {0, 255, 0, 2, 1, 0.5F},
      {255, 255, 0, 1, 1, 0.5F},            // red wins the tie: (g - b) / 1
      {255, 0, 255, -1, 1, 0.5F},           // magenta lies below red
      {128, 128, 128, 0, 0, 128 / 255.0F},  // greys have no hue nor saturation
      // Dark: (max - min) / (max + min); light: (max - min) / (2 - max - min).
      {100, 50, 50, 0, 50.0F / 150.0F, 150 / 510.0F},
      {250, 200, 200, 0, (50 / 255.0F) / (2 - 450 / 255.0F), 450 / 510.0F},
      {51, 51, 51, 2.5F, 0, 0.2F, false},     // no saturation: grey of the lightness
      {446, 64, 191, 7, 0.5F, 0.5F, false},   // red = 0.25 + 3 x 0.5
      {191, 64, 319, -2, 0.5F, 0.5F, false},  // blue = 0.25 + 2 x 0.5
      {kMax, 64, 191, 1e30F, 0.5F, 0.5F, false},
      {0, 64, 191, NaN, 0.5F, 0.5F, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.r) + " " + std::to_string(c.g) + " " + std::to_string(c.b));
    if (c.bBack) {
      float h = 0, s = 0, l = 0;
      RGBToHLS(c.r, c.g, c.b, h, s, l);
      EXPECT_EQ(h, c.h);
      EXPECT_FLOAT_EQ(s, c.s);
      EXPECT_FLOAT_EQ(l, c.l);
    }
    int32_t r = -1, g = -1, b = -1;
    HLSToRGB(c.h, c.s, c.l, r, g, b);
    EXPECT_EQ(std::tuple(r, g, b), std::tuple(c.r, c.g, c.b));
  }
}

// An image holding colours with every kind of tie: channels drawn from a set of values that
// includes the extremes, the middle and neighbours of each.
std::unique_ptr<cDIBSection> TieImage() {
  const uint8_t v[] = {0, 1, 2, 16, 17, 63, 64, 127, 128, 129, 191, 200, 253, 254, 255};
  constexpr int32_t n = sizeof v;
  auto img = test::MakeImage(n * n, n);
  for (int32_t i = 0; i < n * n * n; ++i)  // column r n + g, row b
    test::SetPixel(*img, i / n, i % n, {v[i % n], v[i / n % n], v[i / n / n]});
  return img;
}

// Lighten meets every tie in the test of every colour below.
TEST(HLS, ColouriseLanesMatchTheModelOnTies) {
  cImageProcessDIB engine;
  for (float fHue : {0.0F, 1.0F, 2.5F, -0.0F, -1.0F, 5.5F}) {
    auto fast = TieImage(), ref = TieImage();
    engine.Colourise(*fast, fHue, 0.5F);
    reference::Colourise(*ref, fHue, 0.5F);
    EXPECT_EQ(test::Difference(*fast, *ref), "") << "Colourise " << fHue;
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
  EXPECT_EQ(test::Difference(*fast, *all), "") << "Lighten";
}
#endif

}  // namespace
}  // namespace brennic
