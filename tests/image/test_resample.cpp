// Bilinear resampling: worked examples, the edges, and the fast path against the reference.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "image/cDIBSection.h"
#include "image/mResampleTable.h"
#include "image/reference/ReferenceColour.h"
#include "support/ImageTestUtil.h"

namespace brennic {
namespace {

using test::Bgr;

TEST(Resample, WorkedExamples) {
  using Rows = std::vector<std::vector<Bgr>>;
  const Bgr k{0, 0, 0}, a{10, 20, 30}, b{11, 40, 31}, g{100, 100, 100};
  const struct {
    const char* sWhat;
    Rows in;
    int32_t w, h;
    Rows out;
  } cases[] = {
      // The bottom row at tx = 0, 0.25, 0.5, 0.75: halves to even (10.5 -> 10, 30.5 -> 30).
      {"doubling the width of 2 x 2",
       {{k, k}, {a, b}},
       4,
       1,
       {{a, {10, 25, 30}, {10, 30, 30}, {11, 35, 31}}}},
      {"11.5 rounds up to 12",
       {{{11, 11, 11}, {12, 12, 12}}},
       4,
       1,
       {{{11, 11, 11}, {11, 11, 11}, {12, 12, 12}, {12, 12, 12}}}},
      // A one-pixel-wide source uses its own edge; ty = 0.5 in the top row.
      {"1 x 2 widened",
       {{{200, 100, 0}}, {{0, 100, 200}}},
       3,
       2,
       {{g, g, g}, {{0, 100, 200}, {0, 100, 200}, {0, 100, 200}}}},
      {"1 x 1 to 4 x 3", {{{9, 8, 7}}}, 4, 3, Rows(3, std::vector<Bgr>(4, {9, 8, 7}))},
      // sy = (H - 1) / H: row 1 of 2 samples the source at 0.5.
      {"only the width changes",
       {{g, g}, {k, k}},
       3,
       2,
       {{{50, 50, 50}, {50, 50, 50}, {50, 50, 50}}, {k, k, k}}},
  };
  for (const auto& c : cases) {
    auto out = test::MakeImageFromRows(c.in)->Resample(c.h, c.w);
    ASSERT_TRUE(out) << c.sWhat;
    EXPECT_EQ(test::PixelBytes(*out), test::PixelBytes(*test::MakeImageFromRows(c.out))) << c.sWhat;
  }
}

TEST(Resample, ZeroOrNegativeSizesAndEmptySourcesGiveNothing) {
  auto src = test::MakeImage(4, 4);
  EXPECT_FALSE(src->Resample(0, 4));
  EXPECT_FALSE(src->Resample(4, 0));
  EXPECT_FALSE(src->Resample(-3, 4));
  cDIBSection empty;
  EXPECT_FALSE(empty.Resample(2, 2));
}

TEST(Resample, TheNewImagesPaddingIsZeroEvenInReusedMemory) {
  {
    // Leave a large block of non-zero memory behind for the next image of its size.
    cDIBSection dirty;
    ASSERT_TRUE(dirty.Create(1001, 400));
    std::fill(dirty.DIBSectionBitsPtr(), dirty.DIBSectionBitsPtr() + dirty.BytesPerScanLine() * 400,
              uint8_t{0xAB});
  }
  std::mt19937 rng(4);
  auto src = test::MakeRandomImage(50, 20, rng);
  auto out = src->Resample(400, 1001);
  ASSERT_TRUE(out);
  for (int32_t y = 0; y < 400; ++y) {
    const uint8_t* p = out->DIBSectionBitsPtr() + y * out->BytesPerScanLine();
    ASSERT_EQ(p[3 * 1001], 0) << "row " << y;
  }
}

// src resampled to nw x nh with 1, 2 and 3 threads against the reference. The destination's
// padding is written by neither; the pixels are compared.
void ExpectAsReference(const cDIBSection& src, int32_t nw, int32_t nh) {
  const auto ref = reference::Resample(src, nh, nw);
  for (int32_t lThreads : {1, 2, 3}) {
    std::unique_ptr<cDIBSection> fast;
    test::WithWorkers(lThreads, [&] { fast = src.Resample(nh, nw); });
    ASSERT_TRUE(fast);
    ASSERT_EQ(test::PixelBytes(*fast), test::PixelBytes(*ref))
        << src.Width() << " x " << src.Height() << " -> " << nw << " x " << nh << ", " << lThreads
        << " threads";
  }
}

TEST(Resample, MatchesReference) {
  std::mt19937 rng(9);
  std::uniform_int_distribution<int32_t> w(1, 90), h(1, 60);
  for (const auto& [sw, sh] : test::RandomSizes(9, 30)) {
    auto src = test::MakeRandomImage(sw, sh, rng);
    const auto before = test::Bytes(*src);
    // Doubled, halved, by 1.6 (these three also straight from the source rows), 1.25-fold wider
    // (likewise), the same size, one at random.
    for (int k = 0; k < 6; ++k) {
      const int32_t nw = k == 0   ? 2 * sw
                         : k == 1 ? (sw + 1) / 2
                         : k == 2 ? (5 * sw + 7) / 8
                         : k == 3 ? (5 * sw + 3) / 4
                         : k == 4 ? sw
                                  : w(rng);
      const int32_t nh = k < 3 ? (sh + 1) / 2 : k == 4 ? sh : h(rng);
      ASSERT_NO_FATAL_FAILURE(ExpectAsReference(*src, nw, nh));
    }
    ASSERT_EQ(test::Bytes(*src), before) << "the source changed";
  }
}

// Rows wider than the part of a row the engine keeps at a time, neighbouring rows close (as in
// photographs) but with hard steps, reduced by the common factors.
TEST(Resample, WideSmoothPicturesMatchReference) {
  std::mt19937 rng(5);
  for (const int32_t sw : {700, 1367, 2049}) {
    const int32_t sh = 23;
    auto src = test::MakeImage(sw, sh);
    for (int32_t y = 0; y < sh; ++y) {
      for (int32_t c = 0; c < sw; ++c) {
        const auto v = [&](int k) {
          return static_cast<uint8_t>(3 * c / 8 + 5 * y + 40 * k + (y % 7 == 3 ? 130 : 0) +
                                      rng() % 5);
        };
        test::SetPixel(*src, c, y, {v(0), v(1), v(2)});
      }
    }
    for (const auto& [nw, nh] : {std::pair{(sw + 1) / 2, (sh + 1) / 2},
                                 {5 * sw / 8, 5 * sh / 8},
                                 {4 * sw / 5, sh - 3},
                                 {5 * sw / 12, sh / 2},
                                 {sw / 3, sh / 2},
                                 {sw / 9, sh / 4},
                                 {sw / 20, sh / 5}}) {
      ASSERT_NO_FATAL_FAILURE(ExpectAsReference(*src, nw, nh));
    }
  }
}

// Wherever the table of a row's vertical step is offered, it gives exactly the single-precision
// formula for every pair of bytes; it is offered for most rows, and refused where an exact half
// would round to even.
TEST(Resample, VerticalTableEqualsTheFormulaWhereverOffered) {
  // The row weights of a few reductions, as the row loop works them out.
  std::vector<float> weights;
  for (const auto& [h, nh] : {std::pair{3000, 1500}, {1080, 721}, {4321, 1234}, {777, 512}}) {
    const float sy = static_cast<float>(h - 1) / static_cast<float>(nh);
    for (int32_t y = 0; y < nh; ++y) {
      const float f = static_cast<float>(y) * sy;
      weights.push_back(f - std::floor(f));
    }
  }
  size_t lOffered = 0;
  uint8_t aTable[256];
  for (size_t i = 0; i < weights.size(); ++i) {
    const float t = weights[i];
    if (!MakeVerticalTable(t, aTable)) continue;
    ++lOffered;
    for (int k = 0; k < 256; ++k) {
      // The roundings are far below 2^-10: only a difference k with t k near a half can be
      // decided by them. Every difference for one row in forty.
      const double f = static_cast<double>(t) * k - std::floor(static_cast<double>(t) * k);
      if (std::abs(f - 0.5) > 0x1p-10 && i % 40 != 0) continue;
      for (int p0 = 0; p0 < 256; ++p0) {
        for (const int p1 : {p0 + k, p0 - k}) {
          if (p1 < 0 || p1 > 255) continue;
          // Each product rounded on its own, as the engine does.
          volatile float a = static_cast<float>(p0) * (1.0F - t);
          volatile float b = static_cast<float>(p1) * t;
          const int want = static_cast<int>(std::nearbyintf(a + b));
          ASSERT_EQ(p1 >= p0 ? p0 + aTable[k] : p0 - aTable[k], want)
              << "t " << t << ", " << p0 << " and " << p1;
        }
      }
    }
  }
  EXPECT_GT(lOffered, weights.size() * 3 / 4);
  for (const float t : {0.5F, 1.0F, -0.25F, 1e-9F})
    EXPECT_FALSE(MakeVerticalTable(t, aTable)) << t;
}

}  // namespace
}  // namespace brennic
