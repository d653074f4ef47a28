// Colour operations: worked examples, and the fast paths against the reference.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <limits>

#include "image/cImageProcessDIB.h"
#include "image/mRandom.h"
#include "image/reference/ReferenceColour.h"
#include "support/ImageTestUtil.h"

namespace brennic {
namespace {

using test::Bgr;
using Operation = std::function<void(cImageProcessDIB&, cDIBSection&)>;

Operation Gray() {
  return [](cImageProcessDIB& e, cDIBSection& i) { e.GrayScale(i); };
}
Operation Fade(int32_t lAmount) {
  return [=](cImageProcessDIB& e, cDIBSection& i) { e.Fade(i, lAmount); };
}
Operation Lighten(int32_t lAmount) {
  return [=](cImageProcessDIB& e, cDIBSection& i) { e.Lighten(i, lAmount); };
}
Operation Colourise(float fHue, float fSaturation = 0.5F) {
  return [=](cImageProcessDIB& e, cDIBSection& i) { e.Colourise(i, fHue, fSaturation); };
}
// Black and white into a second image; both hold the result.
Operation BlackAndWhite() {
  return [](cImageProcessDIB& e, cDIBSection& i) {
    auto to = test::MakeImage(i.Width(), i.Height());
    e.BlackAndWhite(i, *to);
    EXPECT_EQ(test::Bytes(i), test::Bytes(*to));
  };
}

using Rows = std::vector<std::vector<Bgr>>;

Rows Uniform(int32_t lWidth, int32_t lHeight, uint8_t v) {
  return Rows(size_t(lHeight), std::vector<Bgr>(size_t(lWidth), Bgr{v, v, v}));
}

TEST(ColourOperations, WorkedExamples) {
  constexpr uint8_t B = 0, W = 255;
  const Operation bw = BlackAndWhite();
  const struct {
    const char* sWhat;
    Operation run;
    Rows in, expected;
  } cases[] = {
      {"gray red: 56.61", Gray(), {{{0, 0, 255}}}, {{{57, 57, 57}}}},
      {"gray white", Gray(), {{{255, 255, 255}}}, {{{255, 255, 255}}}},
      {"gray 55.5 to even", Gray(), {{{0, 0, 250}}}, {{{56, 56, 56}}}},
      {"fade 240", Fade(240), {{{255, 100, 1}}}, {{{240, 94, 0}}}},
      {"fade 0 blackens", Fade(0), {{{3, 128, 254}}}, {{{0, 0, 0}}}},
      {"fade 300 clamps per channel", Fade(300), {{{255, 100, 0}}}, {{{255, 117, 0}}}},
      {"fade -5", Fade(-5), {{{255, 117, 0}}}, {{{0, 0, 0}}}},
      {"lighten grey", Lighten(20), {{{100, 100, 100}}}, {{{120, 120, 120}}}},
      {"lightness capped at 1", Lighten(20), {{{230, 230, 230}}}, {{{255, 255, 255}}}},
      {"red: l 0.6, m1 0.2, m2 1", Lighten(20), {{{0, 0, 255}}}, {{{51, 51, 255}}}},
      {"lighten factor 0", Lighten(-100), {{{0, 0, 255}}}, {{{0, 0, 0}}}},
      {"colourise white", Colourise(4.0F), {{{255, 255, 255}}}, {{{255, 255, 255}}}},
      // Red has hue 0 and takes saturation 0.5: m1 0.25, m2 0.75; hue 2 puts m2 in green.
      {"colourise red", Colourise(2.0F), {{{0, 0, 255}}}, {{{64, 191, 64}}}},
      // Hue 7 extrapolates red to m1 + 3 (m2 - m1) = 1.75 (clamped); blue stays at m2.
      {"colourise hue 7", Colourise(7.0F), {{{0, 0, 255}}}, {{{191, 64, 255}}}},
      // Up to 16 passes no error on; 129 and above is white.
      {"b/w 16", bw, Uniform(9, 7, 16), Uniform(9, 7, B)},
      {"b/w 129", bw, Uniform(9, 7, 129), Uniform(9, 7, W)},
      // Black with error 128, then 128 + 56 = 184 is white; the last column gets nothing.
      {"b/w 3 x 128", bw, Uniform(3, 1, 128), {{{B, B, B}, {W, W, W}, {B, B, B}}}},
      // The white pixel's error -57 gives the third 128 - 24 = 104; it passes nothing on.
      {"b/w 4 x 128", bw, Uniform(4, 1, 128), {{{B, B, B}, {W, W, W}, {B, B, B}, {B, B, B}}}},
      // 250 is white with error -123; 10 - 53 clamps to 0, black with no error: 200 stays white.
      {"b/w clamped error",
       bw,
       {{{250, 250, 250}, {10, 10, 10}, {200, 200, 200}, {0, 0, 0}}},
       {{{W, W, W}, {B, B, B}, {W, W, W}, {B, B, B}}}},
  };
  for (const auto& c : cases) {
    auto img = test::MakeImageFromRows(c.in);
    cImageProcessDIB engine;
    c.run(engine, *img);
    EXPECT_EQ(test::Bytes(*img), test::Bytes(*test::MakeImageFromRows(c.expected))) << c.sWhat;
  }
}

TEST(BlackAndWhite, MatchesReference) {
  test::ExpectSameAsReference(
      [](cImageProcessDIB& e, cDIBSection& a, cDIBSection& b) {
        test::ExpectColumnEvents(e, a.Width(), 2, [&] { e.BlackAndWhite(a, b); });
      },
      [](cDIBSection& a, cDIBSection& b) { reference::BlackAndWhite(a, b); });
}

TEST(ColourOperations, MatchReference) {
  std::vector<std::tuple<std::string, Operation, std::function<void(cDIBSection&)>>> cases{
      {"gray", Gray(), reference::GrayScale}};
  for (int32_t a : {240, 0, 1, 127, 255, 256, 1000, -1, INT32_MIN}) {
    cases.emplace_back("fade " + std::to_string(a), Fade(a),
                       [a](cDIBSection& i) { reference::Fade(i, a); });
  }
  for (int32_t a : {20, 0, -30, 100, 1000, -250}) {
    cases.emplace_back("lighten " + std::to_string(a), Lighten(a),
                       [a](cDIBSection& i) { reference::Lighten(i, a); });
  }
  const std::pair<float, float> hues[] = {
      {2.5F, 0.5F}, {0.0F, 0.5F},  {-1.0F, 0.0F}, {4.99F, 1.0F},
      {7.0F, 0.3F}, {-3.5F, 2.0F}, {1e30F, 0.5F}, {std::numeric_limits<float>::quiet_NaN(), 0.5F}};
  for (const auto& [h, s] : hues) {
    cases.emplace_back("colourise " + std::to_string(h) + " " + std::to_string(s), Colourise(h, s),
                       [h, s](cDIBSection& i) { reference::Colourise(i, h, s); });
  }
  // Noise from the same seed, and the generator left where the reference leaves it.
  uint64_t lRefEnd = 0;
  const std::pair<int32_t, bool> noises[] = {
      {50, false},  {50, true},  {0, true},    {20, true},         {95, true},       {100, false},
      {-40, false}, {-40, true}, {250, false}, {INT32_MAX, false}, {INT32_MIN, true}};
  for (const auto& [p, r] : noises) {
    cases.emplace_back(
        "noise " + std::to_string(p) + (r ? " random" : ""),
        [p, r, &lRefEnd](cImageProcessDIB& e, cDIBSection& i) {
          SeedRandom(77);
          e.AddNoise(i, p, r);
          EXPECT_EQ(RandomPosition(), lRefEnd);
        },
        [p, r, &lRefEnd](cDIBSection& i) {
          SeedRandom(77);
          reference::AddNoise(i, p, r);
          lRefEnd = RandomPosition();
        });
  }
  for (const auto& [sWhat, fast, ref] : cases) {
    SCOPED_TRACE(sWhat);
    test::ExpectSameAsReference(
        [&](cImageProcessDIB& e, cDIBSection& a, cDIBSection&) {
          test::ExpectColumnEvents(e, a.Width(), 1, [&] { fast(e, a); });
        },
        [&](cDIBSection& a, cDIBSection&) { ref(a); }, 2, 6);
  }
}

TEST(AddNoise, FiftyPercentMovesEachChannelWithin32) {
  auto img = test::MakeImage(40, 30, {100, 150, 200});
  SeedRandom(2);
  cImageProcessDIB().AddNoise(*img, 50, false);
  int lMaxMove = 0;
  const auto bytes = test::PixelBytes(*img);
  for (size_t i = 0; i < bytes.size(); ++i)
    lMaxMove = std::max(lMaxMove, std::abs(bytes[i] - int{uint8_t(100 + 50 * (i % 3))}));
  EXPECT_EQ(lMaxMove, 32);
}

}  // namespace
}  // namespace brennic
