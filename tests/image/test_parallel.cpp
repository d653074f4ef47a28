#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "image/cColumnProgress.h"
#include "image/cParallel.h"
#include "support/ImageTestUtil.h"

namespace brennic {
namespace {

class ParallelFor_ : public ::testing::TestWithParam<int32_t> {
 protected:
  void SetUp() override { SetWorkerCount(GetParam()); }
  void TearDown() override { SetWorkerCount(0); }
};

TEST_P(ParallelFor_, CoversEveryItemOnceAndReportsOnTheCallingThread) {
  for (int64_t lCount : {1, 2, 7, 100, 1000, 12345}) {
    std::vector<std::atomic<int>> hits(static_cast<size_t>(lCount));
    std::vector<int64_t> reports;
    const auto caller = std::this_thread::get_id();
    ParallelFor(
        lCount, 3,
        [&](int64_t a, int64_t b) {
          ASSERT_LT(a, b);
          for (int64_t i = a; i < b; ++i)
            hits[static_cast<size_t>(i)]++;
        },
        [&](int64_t lDone) {
          EXPECT_EQ(std::this_thread::get_id(), caller);
          reports.push_back(lDone);
        });
    for (auto& h : hits)
      ASSERT_EQ(h.load(), 1);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), lCount);
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
  }
}

TEST_P(ParallelFor_, RethrowsTheFirstErrorAfterAllChunksEnd) {
  std::atomic<int> lRunning{0};
  EXPECT_THROW(ParallelFor(1000, 1,
                           [&](int64_t a, int64_t b) {
                             ++lRunning;
                             if (a <= 500 && 500 < b) throw std::runtime_error("chunk failed");
                             --lRunning;
                           }),
               std::runtime_error);
  EXPECT_EQ(lRunning.load(), 1);  // only the failed chunk never finished
  // The pool is still usable afterwards.
  std::atomic<int64_t> sum{0};
  ParallelFor(100, 1, [&](int64_t a, int64_t b) { sum += b - a; });
  EXPECT_EQ(sum.load(), 100);
}

TEST_P(ParallelFor_, NestedCallsRunInline) {
  std::atomic<int64_t> sum{0};
  ParallelFor(8, 1, [&](int64_t a, int64_t b) {
    for (int64_t i = a; i < b; ++i) {
      ParallelFor(10, 1, [&](int64_t c, int64_t d) { sum += d - c; });
    }
  });
  EXPECT_EQ(sum.load(), 80);
}

INSTANTIATE_TEST_SUITE_P(Threads, ParallelFor_, ::testing::Values(1, 2, 3));

TEST(ParallelFor, EmptyRangeStillReportsCompletion) {
  std::vector<int64_t> reports;
  ParallelFor(
      0, 1, [](int64_t, int64_t) { FAIL(); }, [&](int64_t d) { reports.push_back(d); });
  EXPECT_EQ(reports, std::vector<int64_t>{0});
}

TEST(ColumnProgress, RaisesEveryColumnOnceInOrderWhateverTheSteps) {
  test::cEventRecorder rec;
  cColumnProgress progress(&rec, 3, 12, 1000);  // columns 3, 6, 9, 12
  progress.Advance(0);
  EXPECT_TRUE(rec.events.empty());
  progress.Advance(260);
  EXPECT_EQ(rec.events, (std::vector<std::string>{"P3"}));
  progress.Advance(260);
  progress.Advance(999);
  EXPECT_EQ(rec.events.size(), 3u);
  progress.Finish();
  progress.Finish();
  EXPECT_EQ(rec.events, (std::vector<std::string>{"P3", "P6", "P9", "P12"}));
  // No columns when the image is too small, and no listener to call.
  cColumnProgress none(&rec, 3, 0, 10);
  none.Advance(10);
  none.Finish();
  EXPECT_EQ(rec.events.size(), 4u);
  cColumnProgress silent(nullptr, 0, 30, 5);
  silent.Finish();
}

}  // namespace
}  // namespace brennic
