// The fast combinations against the plain loops, over the whole range of parameters.

#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "image/cImageProcessDIB.h"
#include "image/reference/ReferenceColour.h"
#include "support/ImageTestUtil.h"
#include "test_colour_support.h"

namespace brennic {
namespace {

struct AddParameters {
  int32_t mF, oFR, oFG, oFB, mT, oTR, oTG, oTB;
};

TEST(CombineFastPaths, AddImagesMatchesReferenceInEveryWidth) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  const AddParameters cases[] = {
      {-1, -255, -255, -255, 0, 0, 0, 0},        // negative
      {-1, 0, 0, 0, 2, 0, 0, 0},                 // unsharp
      {1, 127, 127, 127, 0, 0, 0, 0},            // emboss
      {1, 0, 0, 0, 1, 0, 0, 0},                  // add
      {3, -10, 20, -30, -2, 5, -6, 7},           // per-channel offsets, 16-bit lanes
      {100, 50, -60, 70, -90, 1, 2, 3},          // 32-bit lanes
      {70000, -3, 4, 5, -69999, 6, 7, -8},       // 64 bits
      {kMax, kMax, kMin, 0, kMin, 1, kMax, -1},  // 128 bits
      {0, 0, 0, 0, 1, 0, 0, 0},                  // identity
  };
  for (const AddParameters& p : cases) {
    SCOPED_TRACE(std::to_string(p.mF) + " / " + std::to_string(p.mT));
    test::ExpectSameAsReference(
        [&](cImageProcessDIB& e, cDIBSection& a, cDIBSection& b) {
          e.AddImages(a, b, p.mF, p.oFR, p.oFG, p.oFB, p.mT, p.oTR, p.oTG, p.oTB);
        },
        [&](cDIBSection& a, cDIBSection& b) {
          reference::AddImages(a, b, p.mF, p.oFR, p.oFG, p.oFB, p.mT, p.oTR, p.oTG, p.oTB);
        },
        21, 5);
    // In place, as the document runs Negative.
    test::ExpectSameAsReference(
        [&](cImageProcessDIB& e, cDIBSection& a, cDIBSection&) {
          e.AddImages(a, a, p.mF, p.oFR, p.oFG, p.oFB, p.mT, p.oTR, p.oTG, p.oTB);
        },
        [&](cDIBSection& a, cDIBSection&) {
          reference::AddImages(a, a, p.mF, p.oFR, p.oFG, p.oFB, p.mT, p.oTR, p.oTG, p.oTB);
        },
        25, 3);
  }
}

TEST(CombineFastPaths, SelectionsMatchReference) {
  test::ExpectSameAsReference(
      [](cImageProcessDIB& e, cDIBSection& a, cDIBSection& b) { e.AddLightest(a, b); },
      [](cDIBSection& a, cDIBSection& b) { reference::AddLightest(a, b); }, 22);
  test::ExpectSameAsReference(
      [](cImageProcessDIB& e, cDIBSection& a, cDIBSection& b) { e.AddDarkest(a, b); },
      [](cDIBSection& a, cDIBSection& b) { reference::AddDarkest(a, b); }, 23);
}

TEST(CombineFastPaths, SelectionsOnEqualKeysKeepTheDestination) {
  // Keys tie pixel for pixel: only red differs, and the key ignores red.
  auto from = test::MakeImage(37, 3, {40, 50, 200});
  auto to = test::MakeImage(37, 3, {40, 50, 10});
  cImageProcessDIB engine;
  engine.AddLightest(*from, *to);
  engine.AddDarkest(*from, *to);
  EXPECT_EQ(test::PixelAt(*to, 36, 2), (test::Bgr{40, 50, 10}));
}

TEST(CombineFastPaths, ALargerSourceIsReadWithItsOwnRowLength) {
  std::mt19937 rng(24);
  auto from = test::MakeRandomImage(50, 9, rng);
  auto to = test::MakeRandomImage(33, 7, rng);
  auto refTo = test::Clone(*to);
  cImageProcessDIB engine;
  engine.AddDarkest(*from, *to);
  reference::AddDarkest(*from, *refTo);
  EXPECT_EQ(test::Bytes(*to), test::Bytes(*refTo));
  engine.AddImages(*from, *to, 2, 1, 2, 3, -1, 4, 5, 6);
  reference::AddImages(*from, *refTo, 2, 1, 2, 3, -1, 4, 5, 6);
  EXPECT_EQ(test::Bytes(*to), test::Bytes(*refTo));
}

}  // namespace
}  // namespace brennic
