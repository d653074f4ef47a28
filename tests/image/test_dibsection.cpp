#include <gtest/gtest.h>

#include <cstring>

#include "image/cDIBSection.h"
#include "support/ImageTestUtil.h"

namespace brennic {
namespace {

TEST(DIBSection, RowsArePaddedToFourBytesAndTheMemoryIsAligned) {
  for (const auto& [w, lStride] : {std::pair{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}, {7, 24}}) {
    cDIBSection img;
    ASSERT_TRUE(img.Create(w, 2));
    EXPECT_EQ(img.BytesPerScanLine(), lStride) << "width " << w;
    EXPECT_NE(img.hdc(), nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(img.DIBSectionBitsPtr()) % 64, 0u);
  }
}

TEST(DIBSection, NewPixelMemoryIsZero) {
  for (int32_t w : {1, 5, 1000, 1000}) {  // twice: the second reuses the first block
    cDIBSection img;
    ASSERT_TRUE(img.Create(w, 700));
    const auto bytes = test::Bytes(img);
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; }));
    std::memset(img.DIBSectionBitsPtr(), 0x5A, bytes.size());
  }
}

TEST(DIBSection, FailedCreateAndClearUpLeaveTheObjectEmptyButReportTheSize) {
  // 46340 x 15447 stays below 2^31 bytes; one more row would not.
  const std::pair<int32_t, int32_t> sizes[] = {{0, 10},         {10, 0},        {-3, 4},
                                               {4, -3},         {40000, 40000}, {0x7FFFFFFF, 1},
                                               {1, 0x7FFFFFFF}, {715827882, 1}, {46340, 15448}};
  for (const auto& [w, h] : sizes) {
    cDIBSection img;
    ASSERT_TRUE(img.Create(2, 2));
    EXPECT_FALSE(img.Create(w, h)) << w << " x " << h;
    EXPECT_EQ(img.DIBSectionBitsPtr(), nullptr);
    EXPECT_EQ(img.hdc(), nullptr);
    EXPECT_EQ(img.hDib(), 0u);
    EXPECT_EQ(img.Width(), w);
    EXPECT_EQ(img.Height(), h);
  }
  cDIBSection img;
  img.ClearUp();  // on an empty object: nothing
  ASSERT_TRUE(img.Create(9, 4));
  img.ClearUp();
  img.ClearUp();
  EXPECT_EQ(std::tuple(img.DIBSectionBitsPtr(), img.hdc(), img.Width(), img.BytesPerScanLine()),
            std::tuple(nullptr, nullptr, 9, 28));
  ASSERT_TRUE(img.Create(2, 3));  // re-created after ClearUp
  EXPECT_NE(img.DIBSectionBitsPtr(), nullptr);
}

TEST(DIBSection, WholeImageTransferBetweenEqualSizesIsAnExactCopy) {
  std::mt19937 rng(7);
  for (int32_t w = 1; w <= 9; ++w) {
    auto src = test::MakeRandomImage(w, 3, rng);
    cDIBSection dst;
    ASSERT_TRUE(dst.Create(w, 3));
    dst.LoadPictureBlt(src->hdc(), 0, 0, -1, -1, SRCCOPY);
    EXPECT_EQ(test::PixelBytes(dst), test::PixelBytes(*src)) << "width " << w;
    cDIBSection back;
    ASSERT_TRUE(back.Create(w, 3));
    src->PaintPicture(back.hdc(), 0, 0, -1, -1, 0, 0, SRCCOPY);
    EXPECT_EQ(test::PixelBytes(back), test::PixelBytes(*src));
  }
}

TEST(DIBSection, TransfersFromOrToEmptyImagesDoNothing) {
  auto src = test::MakeImage(1, 1, {4, 0, 0});
  auto dst = test::MakeImage(1, 1);
  cDIBSection empty;
  dst->LoadPictureBlt(empty.hdc(), 0, 0, -1, -1, SRCCOPY);
  empty.LoadPictureBlt(src->hdc(), 0, 0, -1, -1, SRCCOPY);
  empty.PaintPicture(dst->hdc(), 0, 0, -1, -1, 0, 0, SRCCOPY);
  EXPECT_EQ(test::PixelAt(*dst, 0, 0), test::Bgr{});
}

}  // namespace
}  // namespace brennic
