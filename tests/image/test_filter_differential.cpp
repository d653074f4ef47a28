// Every fast path of ProcessImage against the reference, events included, at 1 to 3 threads.

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <sstream>

#include "image/cImageProcessDIB.h"
#include "image/cParallel.h"
#include "image/reference/ReferenceFilter.h"
#include "support/ImageTestUtil.h"

namespace brennic {
namespace {

class FilterDifferential : public ::testing::TestWithParam<int32_t> {
 protected:
  void SetUp() override { SetWorkerCount(GetParam()); }
  void TearDown() override { SetWorkerCount(0); }
};

int32_t Pick(std::mt19937& rng, std::initializer_list<int32_t> values) {
  return values.begin()[std::uniform_int_distribution<size_t>(0, values.size() - 1)(rng)];
}

int32_t RandomInt(std::mt19937& rng, int32_t lLow, int32_t lHigh) {
  return std::uniform_int_distribution<int32_t>(lLow, lHigh)(rng);
}

// Kernel values of one of several kinds: small, large enough to need 32 or 64-bit sums, the
// extremes, or any; weights alike.
int32_t RandomValue(std::mt19937& rng, int lKind) {
  if (lKind == 0) return RandomInt(rng, -3, 6);
  if (lKind <= 2) return lKind == 1 ? RandomInt(rng, -400, 400) : RandomInt(rng, -100000, 100000);
  if (lKind == 3) return Pick(rng, {INT32_MIN, INT32_MAX, INT32_MAX - 1, INT32_MIN + 1, 0, 1, -1});
  return RandomInt(rng, INT32_MIN, INT32_MAX);
}

int32_t RandomWeight(std::mt19937& rng) {
  const int lKind = RandomInt(rng, 0, 5);
  if (lKind == 0) return Pick(rng, {0, 1, -1, INT32_MIN, INT32_MAX});
  if (lKind == 1) return RandomInt(rng, -60, 60);
  if (lKind <= 3) return (lKind == 2 ? 1 : -1) * RandomInt(rng, 100, 40000);
  return RandomInt(rng, INT32_MIN, INT32_MAX);
}

// Sets a random filter on the engine: a built-in type (now and then with its kernel or weight
// changed afterwards) or a random custom kernel. Returns the type to process.
int32_t RandomFilter(std::mt19937& rng, cImageProcessDIB& e, std::string& sWhat) {
  std::ostringstream what;
  const int32_t eType = RandomInt(rng, 1, 13);
  if (eType != eCustom) {
    e.FilterType(eType);
    what << "type " << eType;
    if (eType != eUnsharp && RandomInt(rng, 0, 3) == 0) {
      // Built-in types run whatever kernel the engine holds at the time.
      if (e.FilterArraySize() == 0 || RandomInt(rng, 0, 1) == 0) {
        e.FilterArraySize(Pick(rng, {3, 5, 7}));
      }
      const int32_t h = e.FilterArraySize() / 2;
      e.FilterValue(RandomInt(rng, -h, h), RandomInt(rng, -h, h), RandomValue(rng, 1));
      e.FilterWeight(RandomWeight(rng));
      what << " changed";
    }
  } else {
    e.FilterType(eCustom);
    const int32_t lSize = Pick(rng, {3, 5, 7, 9});
    const int32_t h = lSize / 2;
    const int lKind = RandomInt(rng, 0, 5);
    if (lKind == 5) {
      // A built-in kernel loaded as a custom one, with another weight.
      e.FilterType(Pick(rng, {1, 2, 3, 4, 5, 6, 8}));
      e.FilterType(eCustom);
    } else {
      e.FilterArraySize(lSize);
      for (int32_t j = -h; j <= h; ++j) {
        for (int32_t i = -h; i <= h; ++i) {
          if (RandomInt(rng, 0, 3) != 0) e.FilterValue(i, j, RandomValue(rng, lKind));
        }
      }
    }
    e.FilterWeight(RandomWeight(rng));
    what << "custom " << e.FilterArraySize() << " kind " << lKind;
  }
  what << " weight " << e.FilterWeight();
  sWhat = what.str();
  return eType;
}

// Runs the engine and the reference on copies of cImage and compares everything they produce.
void ExpectSameAsReference(cImageProcessDIB& e, int32_t eType, const cDIBSection& cImage,
                           const std::string& sWhat) {
  const test::cReferenceKernel kernel = test::KernelOf(e);
  auto fast = test::Clone(cImage), slow = test::Clone(cImage);
  auto fastBuffer = test::MakeImage(cImage.Width(), cImage.Height());
  auto slowBuffer = test::MakeImage(cImage.Width(), cImage.Height());
  test::cEventRecorder fastEvents, slowEvents;
  e.SetListener(&fastEvents);
  const bool bFast = e.ProcessImage(*fast, *fastBuffer);
  const bool bSlow = test::ReferenceProcessImage(eType, kernel, *slow, *slowBuffer, &slowEvents);
  const std::string sCase = sWhat + " on " + std::to_string(cImage.Width()) + " x " +
                            std::to_string(cImage.Height()) + ", " + std::to_string(WorkerCount()) +
                            " threads";
  ASSERT_EQ(bFast, bSlow) << sCase;
  ASSERT_EQ(test::Bytes(*fast), test::Bytes(*slow)) << sCase;
  ASSERT_EQ(fastEvents.events, slowEvents.events) << sCase;
}

TEST_P(FilterDifferential, RandomImagesKernelsAndWeights) {
  std::mt19937 rng(20240611u + static_cast<uint32_t>(GetParam()));
  for (int lCase = 0; lCase < 400; ++lCase) {
    cImageProcessDIB e;
    std::string sWhat;
    const int32_t eType = RandomFilter(rng, e, sWhat);
    const auto img = test::MakeRandomImage(RandomInt(rng, 1, 67), RandomInt(rng, 1, 45), rng);
    ExpectSameAsReference(e, eType, *img, sWhat);
    if (HasFatalFailure()) return;
  }
}

// Every type on widths 1 to 12 (every row-padding residue, and images too small for each kernel)
// and on a larger image that the workers split into many strips.
TEST_P(FilterDifferential, EverySmallSizeAndALargerImageForEveryType) {
  std::mt19937 rng(5u);
  std::vector<std::pair<int32_t, int32_t>> sizes{{203, 157}};
  for (int32_t i = 0; i < 72; ++i)
    sizes.emplace_back(1 + i / 6, 1 + 2 * (i % 6));
  for (const auto& [W, H] : sizes) {
    const auto img = test::MakeRandomImage(W, H, rng);
    for (int32_t eType = 1; eType <= 13; ++eType) {
      cImageProcessDIB e;
      e.FilterType(eType);
      if (eType == eCustom) {
        e.FilterArraySize(9);
        for (int32_t k = 0; k < 81; ++k)
          e.FilterValue(k % 9 - 4, k / 9 - 4, RandomInt(rng, -2, 3));
        e.FilterWeight(17);
      }
      ExpectSameAsReference(e, eType, *img, "type " + std::to_string(eType));
      if (HasFatalFailure()) return;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Threads, FilterDifferential, ::testing::Values(1, 2, 3));

}  // namespace
}  // namespace brennic
