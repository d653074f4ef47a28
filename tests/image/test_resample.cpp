// Bilinear resampling: the documented examples, the edges, and the fast path against the plain
// reference.

#include <gtest/gtest.h>

#include <random>

#include "image/cDIBSection.h"
#include "image/reference/ReferenceColour.h"
#include "support/ImageTestUtil.h"
#include "test_colour_support.h"

namespace brennic {
namespace {

using test::Bgr;

TEST(Resample, SameSizeIsAnExactCopyIncludingPadding) {
  std::mt19937 rng(1);
  auto src = test::MakeRandomImage(7, 5, rng);
  const auto before = test::Bytes(*src);
  auto out = src->Resample(5, 7);
  ASSERT_TRUE(out);
  EXPECT_EQ(out->Width(), 7);
  EXPECT_EQ(out->Height(), 5);
  EXPECT_EQ(test::Bytes(*out), before);
  EXPECT_EQ(test::Bytes(*src), before);
}

TEST(Resample, HalvingOneHundredAndOneKeepsTheEvenPixels) {
  std::mt19937 rng(2);
  auto src = test::MakeRandomImage(101, 101, rng);
  auto out = src->Resample(50, 50);
  ASSERT_TRUE(out);
  for (int32_t y = 0; y < 50; ++y) {
    for (int32_t c = 0; c < 50; ++c)
      ASSERT_EQ(test::PixelAt(*out, c, y), test::PixelAt(*src, 2 * c, 2 * y)) << c << ", " << y;
  }
}

TEST(Resample, DoublingTwoByTwoAveragesWithHalvesToEven) {
  // Bottom row: left 10 / 20 / 30, right 11 / 40 / 31 (blue / green / red).
  auto src = test::MakeImageFromRows({{{0, 0, 0}, {0, 0, 0}}, {{10, 20, 30}, {11, 40, 31}}});
  auto out = src->Resample(4, 4);
  ASSERT_TRUE(out);
  // Column 2 of row 0: tx = 0.5, ty = 0: 10.5 -> 10, 30, 30.5 -> 30.
  EXPECT_EQ(test::PixelAt(*out, 2, 0), (Bgr{10, 30, 30}));
  EXPECT_EQ(test::PixelAt(*out, 0, 0), (Bgr{10, 20, 30}));
  // Column 1: tx = 0.25: 10.25 -> 10, 25, 30.25 -> 30.
  EXPECT_EQ(test::PixelAt(*out, 1, 0), (Bgr{10, 25, 30}));
  // 11.5 rounds up to 12: left 11, right 12 at tx = 0.5.
  auto up = test::MakeImageFromRows({{{11, 11, 11}, {12, 12, 12}}});
  auto wide = up->Resample(1, 4);
  ASSERT_TRUE(wide);
  EXPECT_EQ(test::PixelAt(*wide, 2, 0), (Bgr{12, 12, 12}));
}

TEST(Resample, OnePixelWideOrHighSourcesUseTheirOwnEdge) {
  auto column = test::MakeImageFromRows({{{200, 100, 0}}, {{0, 100, 200}}});  // 1 x 2
  auto wider = column->Resample(2, 3);
  ASSERT_TRUE(wider);
  for (int32_t c = 0; c < 3; ++c) {
    EXPECT_EQ(test::PixelAt(*wider, c, 0), (Bgr{0, 100, 200}));
    EXPECT_EQ(test::PixelAt(*wider, c, 1), (Bgr{100, 100, 100}));  // ty = 0.5
  }
  auto dot = test::MakeImage(1, 1, {9, 8, 7});
  auto big = dot->Resample(3, 4);
  ASSERT_TRUE(big);
  for (int32_t y = 0; y < 3; ++y) {
    for (int32_t c = 0; c < 4; ++c)
      EXPECT_EQ(test::PixelAt(*big, c, y), (Bgr{9, 8, 7}));
  }
}

TEST(Resample, ChangingOnlyTheWidthStillInterpolatesRows) {
  // sy = (H - 1) / H: row 1 of 2 samples the source at 0.5.
  auto src = test::MakeImageFromRows({{{100, 100, 100}, {100, 100, 100}}, {{0, 0, 0}, {0, 0, 0}}});
  auto out = src->Resample(2, 3);
  ASSERT_TRUE(out);
  EXPECT_EQ(test::PixelAt(*out, 0, 0), (Bgr{0, 0, 0}));
  EXPECT_EQ(test::PixelAt(*out, 0, 1), (Bgr{50, 50, 50}));
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
    // (likewise), two at random.
    for (int k = 0; k < 6; ++k) {
      const int32_t nw = k == 0   ? 2 * sw
                         : k == 1 ? (sw + 1) / 2
                         : k == 2 ? (5 * sw + 7) / 8
                         : k == 3 ? (5 * sw + 3) / 4
                                  : w(rng);
      const int32_t nh = k < 3 ? (sh + 1) / 2 : h(rng);
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
