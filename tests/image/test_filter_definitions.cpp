#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <vector>

#include "image/cError.h"
#include "image/cImageProcessDIB.h"

namespace brennic {
namespace {

// The kernel as rows from the top (j = +half) down, each row from i = -half to +half: the way
// the kernel tables print.
std::vector<std::vector<int32_t>> Table(const cImageProcessDIB& e) {
  const int32_t h = e.FilterArraySize() / 2;
  std::vector<std::vector<int32_t>> rows;
  for (int32_t j = h; j >= -h; --j) {
    rows.emplace_back();
    for (int32_t i = -h; i <= h; ++i)
      rows.back().push_back(e.FilterValue(i, j));
  }
  return rows;
}

void ExpectError(const std::function<void()>& action, int32_t lNumber, const char* sDescription) {
  try {
    action();
    ADD_FAILURE() << "no error raised, expected " << sDescription;
  } catch (const cError& e) {
    EXPECT_EQ(e.Number(), lNumber);
    EXPECT_EQ(e.Description(), sDescription);
    EXPECT_EQ(e.Source(), ErrorSource(".cImageProcess"));
  }
}

constexpr const char* kEven = "Size must be an odd number";
constexpr const char* kBadSize = "Invalid size.  Size should be an odd number from 3 to 9";
constexpr const char* kBadType = "Invalid filter types.";
constexpr const char* kBadIndex = "Invalid filter index.";

TEST(FilterDefinition, NewEngineHasNoKernel) {
  cImageProcessDIB e;
  EXPECT_EQ(e.FilterArraySize(), 0);
  EXPECT_EQ(e.FilterWeight(), 0);
  ExpectError([&] { e.FilterValue(0, 0); }, static_cast<int32_t>(0x8004051C), kBadIndex);
  ExpectError([&] { e.FilterValue(0, 0, 1); }, static_cast<int32_t>(0x8004051C), kBadIndex);
}

TEST(FilterDefinition, BlurKernels) {
  cImageProcessDIB e;
  e.FilterType(eBlur);
  EXPECT_EQ(e.FilterArraySize(), 3);
  EXPECT_EQ(Table(e), (std::vector<std::vector<int32_t>>(3, {1, 1, 1})));
  EXPECT_EQ(e.FilterWeight(), 9);
  e.FilterType(eBlurMore);
  EXPECT_EQ(Table(e), (std::vector<std::vector<int32_t>>(5, {1, 1, 1, 1, 1})));
  EXPECT_EQ(e.FilterWeight(), 25);
}

TEST(FilterDefinition, PyramidKernels) {
  cImageProcessDIB e;
  e.FilterType(eSoften);
  EXPECT_EQ(Table(e), (std::vector<std::vector<int32_t>>{{1, 1, 1}, {1, 4, 1}, {1, 1, 1}}));
  EXPECT_EQ(e.FilterWeight(), 12);
  e.FilterType(eSoftenMore);
  EXPECT_EQ(e.FilterArraySize(), 5);
  EXPECT_EQ(
      Table(e),
      (std::vector<std::vector<int32_t>>{
          {1, 1, 1, 1, 1}, {1, 2, 2, 2, 1}, {1, 2, 12, 2, 1}, {1, 2, 2, 2, 1}, {1, 1, 1, 1, 1}}));
  EXPECT_EQ(e.FilterWeight(), 44);
}

TEST(FilterDefinition, SharpenAndEmbossKernels) {
  cImageProcessDIB e;
  e.FilterType(eSharpen);
  EXPECT_EQ(Table(e),
            (std::vector<std::vector<int32_t>>{{-1, -1, -1}, {-1, 15, -1}, {-1, -1, -1}}));
  EXPECT_EQ(e.FilterWeight(), 7);
  e.FilterType(eSharpenMore);
  EXPECT_EQ(Table(e), (std::vector<std::vector<int32_t>>{{0, -1, 0}, {-1, 5, -1}, {0, -1, 0}}));
  EXPECT_EQ(e.FilterWeight(), 1);
  e.FilterType(eEmboss);
  // +1 at the upper right (+1, +1), -1 at the lower left (-1, -1); weight 1, not the sum 0.
  EXPECT_EQ(Table(e), (std::vector<std::vector<int32_t>>{{0, 0, 1}, {0, 0, 0}, {-1, 0, 0}}));
  EXPECT_EQ(e.FilterValue(1, 1), 1);
  EXPECT_EQ(e.FilterValue(-1, -1), -1);
  EXPECT_EQ(e.FilterWeight(), 1);
}

TEST(FilterDefinition, TypesWithoutKernelOnlyClearTheWeight) {
  for (int32_t eType : {7, 9, 10, 11, 12}) {
    cImageProcessDIB e;
    e.FilterType(eBlur);
    e.FilterType(eType);
    EXPECT_EQ(e.FilterArraySize(), 3) << eType;
    EXPECT_EQ(Table(e), (std::vector<std::vector<int32_t>>(3, {1, 1, 1}))) << eType;
    EXPECT_EQ(e.FilterWeight(), 0) << eType;
  }
}

TEST(FilterDefinition, CustomKeepsKernelAndWeight) {
  cImageProcessDIB e;
  e.FilterType(eSharpenMore);
  e.FilterType(eCustom);
  EXPECT_EQ(Table(e), (std::vector<std::vector<int32_t>>{{0, -1, 0}, {-1, 5, -1}, {0, -1, 0}}));
  EXPECT_EQ(e.FilterWeight(), 1);
}

TEST(FilterDefinition, ArraySizeClearsValuesAndKeepsWeight) {
  cImageProcessDIB e;
  e.FilterType(eSoften);
  e.FilterArraySize(7);
  EXPECT_EQ(e.FilterArraySize(), 7);
  EXPECT_EQ(Table(e), (std::vector<std::vector<int32_t>>(7, std::vector<int32_t>(7, 0))));
  EXPECT_EQ(e.FilterWeight(), 12);
  e.FilterArraySize(9);
  EXPECT_EQ(e.FilterValue(-4, 4), 0);
  EXPECT_EQ(e.FilterValue(4, -4), 0);
}

TEST(FilterDefinition, BadSizesRaiseAndChangeNothing) {
  cImageProcessDIB e;
  e.FilterType(eSharpen);
  for (int32_t lSize : {4, 0, -2, 10, INT32_MIN}) {
    ExpectError([&] { e.FilterArraySize(lSize); }, static_cast<int32_t>(0x80040519), kEven);
  }
  for (int32_t lSize : {1, 11, -3, -1, INT32_MAX}) {
    ExpectError([&] { e.FilterArraySize(lSize); }, static_cast<int32_t>(0x8004051A), kBadSize);
  }
  EXPECT_EQ(e.FilterArraySize(), 3);
  EXPECT_EQ(Table(e),
            (std::vector<std::vector<int32_t>>{{-1, -1, -1}, {-1, 15, -1}, {-1, -1, -1}}));
  EXPECT_EQ(e.FilterWeight(), 7);
}

TEST(FilterDefinition, BadTypesRaiseAndChangeNothing) {
  cImageProcessDIB e;
  e.FilterType(eSoftenMore);
  for (int32_t eType : {0, 14, -1, INT32_MIN, INT32_MAX}) {
    ExpectError([&] { e.FilterType(eType); }, static_cast<int32_t>(0x8004051A), kBadType);
  }
  EXPECT_EQ(e.FilterArraySize(), 5);
  EXPECT_EQ(e.FilterValue(0, 0), 12);
  EXPECT_EQ(e.FilterWeight(), 44);
  e.FilterType(12);  // accepted
  EXPECT_EQ(e.FilterWeight(), 0);
}

TEST(FilterDefinition, IndicesOutsideTheKernelRaiseAndChangeNothing) {
  cImageProcessDIB e;
  e.FilterType(eBlur);
  for (auto [i, j] : std::vector<std::pair<int32_t, int32_t>>{
           {2, 0}, {0, -2}, {-2, 0}, {0, 2}, {INT32_MIN, 0}, {0, INT32_MAX}}) {
    ExpectError([&] { e.FilterValue(i, j); }, static_cast<int32_t>(0x8004051C), kBadIndex);
    ExpectError([&] { e.FilterValue(i, j, 5); }, static_cast<int32_t>(0x8004051C), kBadIndex);
  }
  EXPECT_EQ(Table(e), (std::vector<std::vector<int32_t>>(3, {1, 1, 1})));
  e.FilterArraySize(9);
  e.FilterValue(4, -4, 3);  // the edges of a 9 x 9 kernel are inside
  EXPECT_EQ(e.FilterValue(4, -4), 3);
}

}  // namespace
}  // namespace brennic
