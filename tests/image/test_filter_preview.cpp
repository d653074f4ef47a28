// The preview's count of clipped channels: hand-computed and against a brute-force count.

#include <gtest/gtest.h>

#include <random>

#include "image/FilterPreview.h"
#include "image/cImageProcessDIB.h"
#include "support/ImageTestUtil.h"

namespace brennic {
namespace {

cImageProcessDIB Custom(int32_t lSize, int32_t lWeight, const std::vector<int32_t>& lValues) {
  cImageProcessDIB e;
  e.FilterType(eCustom);
  e.FilterArraySize(lSize);
  e.FilterWeight(lWeight);
  const int32_t h = lSize / 2;
  for (int32_t j = -h; j <= h; ++j) {
    for (int32_t i = -h; i <= h; ++i)
      e.FilterValue(i, j, lValues[static_cast<size_t>((j + h) * lSize + i + h)]);
  }
  return e;
}

// Pixel by pixel and channel by channel, as the convolution is first written.
cClipCount BruteForce(const cImageProcessDIB& e, const cDIBSection& img) {
  cClipCount count;
  const int32_t h = e.FilterArraySize() / 2;
  const int64_t lWeight = e.FilterWeight() == 0 ? 1 : e.FilterWeight();
  for (int32_t c = h; c < img.Width() - h; ++c) {
    for (int32_t y = h; y < img.Height() - h; ++y) {
      int64_t lSum[3] = {0, 0, 0};
      for (int32_t i = -h; i <= h; ++i) {
        for (int32_t j = -h; j <= h; ++j) {
          const test::Bgr p = test::PixelAt(img, c + i, y + j);
          lSum[0] += int64_t{e.FilterValue(i, j)} * p.b;
          lSum[1] += int64_t{e.FilterValue(i, j)} * p.g;
          lSum[2] += int64_t{e.FilterValue(i, j)} * p.r;
        }
      }
      for (const int64_t s : lSum) {
        const int64_t q = s / lWeight;
        count.lClipped += q < 0 || q > 255 ? 1 : 0;
        ++count.lComputed;
      }
    }
  }
  return count;
}

TEST(FilterPreviewClipping, CountsOnlyTheChannelsOutsideTheByteRange) {
  // Doubling the centre on a 5 x 3 image, weight 1: only the middle row's three inner pixels
  // are computed; 127 -> 254 stays, 128 -> 256 and 255 -> 510 clip.
  auto img = test::MakeImageFromRows({{{0, 0, 0}, {9, 9, 9}, {9, 9, 9}, {9, 9, 9}, {0, 0, 0}},
                                      {{0, 0, 0}, {127, 128, 255}, {0, 1, 2}, {0, 0, 0}, {0, 0, 0}},
                                      {{0, 0, 0}, {9, 9, 9}, {9, 9, 9}, {9, 9, 9}, {0, 0, 0}}});
  EXPECT_EQ(CountClippedChannels(Custom(3, 1, {0, 0, 0, 0, 2, 0, 0, 0, 0}), *img),
            (cClipCount{2, 9}));
  // Halved with weight -2: 127, 128, 255 and 2 become negative; 0 stays 0 and 1 / -2 is 0.
  EXPECT_EQ(CountClippedChannels(Custom(3, -2, {0, 0, 0, 0, 1, 0, 0, 0, 0}), *img),
            (cClipCount{4, 9}));
  // Nothing is computed without a kernel or without room for it (5 x 5 needs a width of 5).
  cImageProcessDIB e;
  EXPECT_EQ(CountClippedChannels(e, *img).lComputed, 0);
  e.FilterType(eBlurMore);
  EXPECT_EQ(CountClippedChannels(e, *test::MakeImage(4, 9)).lComputed, 0);
  EXPECT_EQ(CountClippedChannels(e, cDIBSection()).lComputed, 0);
}

TEST(FilterPreviewClipping, MatchesABruteForceCountForAnyKernel) {
  std::mt19937 rng(7);
  auto img = test::MakeRandomImage(11, 9, rng);
  std::uniform_int_distribution<int32_t> value(-255, 255);
  for (const int32_t lSize : {3, 5, 7}) {
    for (const int32_t lWeight : {0, 1, -3, 40}) {
      std::vector<int32_t> lValues(static_cast<size_t>(lSize * lSize));
      for (int32_t& v : lValues)
        v = value(rng) / 4;
      const cImageProcessDIB e = Custom(lSize, lWeight, lValues);
      const cClipCount count = CountClippedChannels(e, *img);
      EXPECT_EQ(count, BruteForce(e, *img)) << lSize << " " << lWeight;
      EXPECT_GT(count.lClipped, 0);
    }
  }
}

}  // namespace
}  // namespace brennic
