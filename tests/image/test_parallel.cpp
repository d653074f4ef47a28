// A worker's error reaches the caller: the operations' own tests never make a worker fail.

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "image/cParallel.h"
#include "support/ImageTestUtil.h"

namespace brennic {
namespace {

TEST(ParallelFor, RethrowsTheFirstErrorAfterAllChunksEnd) {
  for (int32_t lThreads : {1, 2, 3}) {
    test::WithWorkers(lThreads, [] {
      std::atomic<int> lRunning{0};
      EXPECT_THROW(ParallelFor(1000, 1,
                               [&](int64_t a, int64_t b) {
                                 ++lRunning;
                                 if (a <= 500 && 500 < b) throw std::runtime_error("chunk failed");
                                 --lRunning;
                               }),
                   std::runtime_error);
      EXPECT_EQ(lRunning.load(), 1);  // only the failed chunk never finished
      std::atomic<int64_t> sum{0};
      ParallelFor(100, 1, [&](int64_t a, int64_t b) { sum += b - a; });
      EXPECT_EQ(sum.load(), 100);
    });
  }
}

}  // namespace
}  // namespace brennic
