#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <vector>

#include "image/cError.h"
#include "image/cImageProcessDIB.h"

namespace brennic {
namespace {

// The kernel row by row from the top (j = +half), each row from i = -half to +half: the way the
// kernel tables print.
std::vector<int32_t> Kernel(const cImageProcessDIB& e) {
  const int32_t h = e.FilterArraySize() / 2;
  std::vector<int32_t> values;
  for (int32_t j = h; j >= -h && e.FilterArraySize() > 0; --j) {
    for (int32_t i = -h; i <= h; ++i)
      values.push_back(e.FilterValue(i, j));
  }
  return values;
}

// How a type leaves the kernel and weight of the one before (the kernels themselves are pinned
// by the filters' worked examples).
TEST(FilterDefinition, TypesThatKeepOrClearTheKernel) {
  const std::vector<int32_t> blur(9, 1), sharpenMore{0, -1, 0, -1, 5, -1, 0, -1, 0};
  const struct {
    int32_t ePrior, eType, lResize;  // 0: none
    std::vector<int32_t> values;
    int32_t lWeight;
  } cases[] = {
      {0, 0, 0, {}, 0},  // a new engine has no kernel
      // Types without a kernel keep the last one and only clear the weight.
      {eBlur, eUnsharp, 0, blur, 0},
      {eSharpenMore, eCustom, 0, sharpenMore, 1},        // custom keeps kernel and weight
      {0, eSoften, 7, std::vector<int32_t>(49, 0), 12},  // a new size clears only the values
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.ePrior) + " then " + std::to_string(c.eType));
    cImageProcessDIB e;
    for (const int32_t eType : {c.ePrior, c.eType}) {
      if (eType != 0) e.FilterType(eType);
    }
    if (c.lResize != 0) e.FilterArraySize(c.lResize);
    EXPECT_EQ(Kernel(e), c.values);
    EXPECT_EQ(e.FilterWeight(), c.lWeight);
  }
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

TEST(FilterDefinition, BadSizesTypesAndIndicesRaiseAndChangeNothing) {
  constexpr auto kEvenNumber = static_cast<int32_t>(0x80040519);
  constexpr auto kBadNumber = static_cast<int32_t>(0x8004051A);
  constexpr auto kIndexNumber = static_cast<int32_t>(0x8004051C);
  constexpr const char* kBadIndex = "Invalid filter index.";
  cImageProcessDIB empty;
  ExpectError([&] { empty.FilterValue(0, 0); }, kIndexNumber, kBadIndex);
  ExpectError([&] { empty.FilterValue(0, 0, 1); }, kIndexNumber, kBadIndex);

  cImageProcessDIB e;
  e.FilterType(eSharpen);
  const std::vector<int32_t> sharpen = Kernel(e);
  for (int32_t lSize : {4, 0, -2, 10, INT32_MIN})
    ExpectError([&] { e.FilterArraySize(lSize); }, kEvenNumber, "Size must be an odd number");
  for (int32_t lSize : {1, 11, -3, -1, INT32_MAX}) {
    ExpectError([&] { e.FilterArraySize(lSize); }, kBadNumber,
                "Invalid size.  Size should be an odd number from 3 to 9");
  }
  for (int32_t eType : {0, 14, -1, INT32_MIN, INT32_MAX})
    ExpectError([&] { e.FilterType(eType); }, kBadNumber, "Invalid filter types.");
  for (auto [i, j] : std::vector<std::pair<int32_t, int32_t>>{
           {2, 0}, {0, -2}, {-2, 0}, {0, 2}, {INT32_MIN, 0}, {0, INT32_MAX}}) {
    ExpectError([&] { e.FilterValue(i, j); }, kIndexNumber, kBadIndex);
    ExpectError([&] { e.FilterValue(i, j, 5); }, kIndexNumber, kBadIndex);
  }
  EXPECT_EQ(e.FilterArraySize(), 3);
  EXPECT_EQ(Kernel(e), sharpen);
  EXPECT_EQ(e.FilterWeight(), 7);
  e.FilterArraySize(9);
  e.FilterValue(4, -4, 3);  // the corners of a 9 x 9 kernel are inside
  e.FilterValue(-4, 4, 2);
  EXPECT_EQ(e.FilterValue(4, -4), 3);
  EXPECT_EQ(e.FilterValue(-4, 4), 2);
}

}  // namespace
}  // namespace brennic
