// Bilinear resampling: worked examples, the edges, and the fast path against the reference.

#include <gtest/gtest.h>

#include <random>

#include "image/cDIBSection.h"
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
      const auto ref = reference::Resample(*src, nh, nw);
      for (int32_t lThreads : {1, 2, 3}) {
        std::unique_ptr<cDIBSection> fast;
        test::WithWorkers(lThreads, [&] { fast = src->Resample(nh, nw); });
        ASSERT_TRUE(fast);
        // The destination's padding is not written by either; compare the pixels.
        ASSERT_EQ(test::PixelBytes(*fast), test::PixelBytes(*ref))
            << sw << " x " << sh << " -> " << nw << " x " << nh << ", " << lThreads << " threads";
      }
    }
    ASSERT_EQ(test::Bytes(*src), before) << "the source changed";
  }
}

}  // namespace
}  // namespace brennic
