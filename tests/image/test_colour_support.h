#pragma once
// Comparison of the engine's fast paths with the plain reference algorithms, written once: each
// test supplies the operation (on the engine) and its reference, and this runs both on random
// images of many sizes and thread counts and compares every byte, padding included.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "image/cDIBSection.h"
#include "image/cImageProcessDIB.h"
#include "image/cParallel.h"
#include "support/ImageTestUtil.h"

namespace brennic::test {

// Runs the body with the given number of worker threads, then returns to the default.
template <typename Body>
void WithWorkers(int32_t lThreads, Body body) {
  SetWorkerCount(lThreads);
  body();
  SetWorkerCount(0);
}

// Image sizes from 1 x 1 to 67 x 45, each with a seed for its pixels, and two wide ones that the
// worker threads split into several pieces and that run many vector steps per row.
inline std::vector<std::pair<int32_t, int32_t>> RandomSizes(uint32_t lSeed, int lCount) {
  std::mt19937 rng(lSeed);
  std::uniform_int_distribution<int32_t> w(1, 67), h(1, 45);
  std::vector<std::pair<int32_t, int32_t>> sizes{{1, 1}, {16, 1}, {1, 17}, {17, 3}};
  for (int i = 0; i < lCount; ++i)
    sizes.emplace_back(w(rng), h(rng));
  sizes.emplace_back(333, 70);
  sizes.emplace_back(1030, 41);
  return sizes;
}

// The first differing byte of two images, or -1; the images must have the same size.
inline int64_t FirstDifference(const cDIBSection& a, const cDIBSection& b) {
  const auto x = Bytes(a), y = Bytes(b);
  if (x.size() != y.size()) return 0;
  for (size_t i = 0; i < x.size(); ++i) {
    if (x[i] != y[i]) return static_cast<int64_t>(i);
  }
  return -1;
}

inline std::string Where(const cDIBSection& img, int64_t lByte) {
  const int64_t lStride = img.BytesPerScanLine();
  return "row " + std::to_string(lByte / lStride) + ", byte " + std::to_string(lByte % lStride);
}

// fast(engine, a, b) against ref(a, b): a and b are two random images of the same size (b
// unused by one-image operations). Every size is run with 1, 2 and 3 threads.
template <typename Fast, typename Ref>
void ExpectSameAsReference(Fast fast, Ref ref, uint32_t lSeed = 1, int lCount = 24) {
  std::mt19937 rng(lSeed);
  for (const auto& [w, h] : RandomSizes(lSeed, lCount)) {
    const auto a = MakeRandomImage(w, h, rng);
    const auto b = MakeRandomImage(w, h, rng);
    const auto refA = Clone(*a), refB = Clone(*b);
    ref(*refA, *refB);
    for (int32_t lThreads : {1, 2, 3}) {
      const auto fastA = Clone(*a), fastB = Clone(*b);
      cImageProcessDIB engine;
      WithWorkers(lThreads, [&] { fast(engine, *fastA, *fastB); });
      const int64_t da = FirstDifference(*fastA, *refA);
      const int64_t db = FirstDifference(*fastB, *refB);
      ASSERT_EQ(da, -1) << w << " x " << h << ", " << lThreads
                        << " threads: first image differs at " << Where(*refA, da);
      ASSERT_EQ(db, -1) << w << " x " << h << ", " << lThreads
                        << " threads: second image differs at " << Where(*refB, db);
    }
  }
}

// The events of one column-by-column operation on an image lWidth wide.
inline std::vector<std::string> ColumnEvents(int32_t lWidth) {
  return ExpectedColumnEvents(3 * (lWidth - 1), 0, 3 * (lWidth - 1));
}

}  // namespace brennic::test
