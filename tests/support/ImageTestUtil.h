#pragma once
// Small images for tests, comparisons with the reference, and the shared test data.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "image/cDIBSection.h"
#include "image/cImageProcessDIB.h"
#include "image/cParallel.h"

namespace brennic::test {

struct Bgr {
  uint8_t b = 0, g = 0, r = 0;
  bool operator==(const Bgr&) const = default;
};

// An image of the given size; every pixel set to fill. Padding bytes are set to 0xA5 so that a
// test notices an operation that writes them.
std::unique_ptr<cDIBSection> MakeImage(int32_t lWidth, int32_t lHeight, Bgr fill = {});
// An image from display rows, top row first, each row given left to right.
std::unique_ptr<cDIBSection> MakeImageFromRows(const std::vector<std::vector<Bgr>>& rows);
// Random pixel values (padding as MakeImage).
std::unique_ptr<cDIBSection> MakeRandomImage(int32_t lWidth, int32_t lHeight, std::mt19937& rng);

// Pixel at column c (from the left) of memory row y (0 = bottom).
Bgr PixelAt(const cDIBSection& img, int32_t c, int32_t y);
void SetPixel(cDIBSection& img, int32_t c, int32_t y, Bgr v);

// The whole pixel memory, padding included.
std::vector<uint8_t> Bytes(const cDIBSection& img);
// The pixel bytes only, padding excluded.
std::vector<uint8_t> PixelBytes(const cDIBSection& img);
// Exact copy of an image (same size, same bytes, padding included).
std::unique_ptr<cDIBSection> Clone(const cDIBSection& img);

// Records the engine's events in order: "I<max>", "P<pos>", "C", and counts those raised on
// another thread than the one that made the recorder.
class cEventRecorder : public IImageProcessEvents {
 public:
  void InitProgress(int32_t lMax) override { Record("I" + std::to_string(lMax)); }
  void Progress(int32_t lPosition) override { Record("P" + std::to_string(lPosition)); }
  void Complete(int32_t lTimeMs) override {
    Record("C");
    lastTimeMs = lTimeMs;
  }
  std::vector<std::string> events;
  int32_t lastTimeMs = -1;
  int lForeignThread = 0;

 private:
  void Record(std::string sEvent) {
    if (std::this_thread::get_id() != m_owner) ++lForeignThread;
    events.push_back(std::move(sEvent));
  }
  std::thread::id m_owner = std::this_thread::get_id();
};

// The column sequence of one operation: "I<max>", "P<x>" for each x, "C".
std::vector<std::string> ExpectedColumnEvents(int32_t lMax, int32_t xFirst, int32_t xLast);

// Runs the body with the given number of worker threads, then returns to the default.
template <typename Body>
void WithWorkers(int32_t lThreads, Body body) {
  SetWorkerCount(lThreads);
  body();
  SetWorkerCount(0);
}

// Image sizes from 1 x 1 to 67 x 45, and two wide ones that the worker threads split into several
// pieces and that run many vector steps per row.
std::vector<std::pair<int32_t, int32_t>> RandomSizes(uint32_t lSeed, int lCount);
// Where two images first differ ("row 3, byte 7", "the size"), or "" when they are the same.
std::string Difference(const cDIBSection& a, const cDIBSection& b);

// fast(engine, a, b) against ref(a, b) on two random images a and b of each size (b unused by
// one-image operations), with 1, 2 and 3 threads; every byte is compared, padding included.
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
      ASSERT_EQ(Difference(*fastA, *refA), "") << w << " x " << h << ", " << lThreads << " threads";
      ASSERT_EQ(Difference(*fastB, *refB), "") << w << " x " << h << ", " << lThreads << " threads";
    }
  }
}

// Runs op with a recorder on the engine: lSequences column sequences of an image lWidth wide, all
// raised on the calling thread, and a completion time.
template <typename Op>
void ExpectColumnEvents(cImageProcessDIB& engine, int32_t lWidth, int lSequences, Op op) {
  cEventRecorder recorder;
  engine.SetListener(&recorder);
  op();
  engine.SetListener(nullptr);
  std::vector<std::string> expected;
  for (int k = 0; k < lSequences; ++k) {
    const auto one = ExpectedColumnEvents(3 * (lWidth - 1), 0, 3 * (lWidth - 1));
    expected.insert(expected.end(), one.begin(), one.end());
  }
  EXPECT_EQ(recorder.events, expected) << "width " << lWidth;
  EXPECT_EQ(recorder.lForeignThread, 0);
  EXPECT_GE(recorder.lastTimeMs, 0);
}

// ../shared/testdata, or nothing when it is absent (tests then skip with a message).
std::optional<std::filesystem::path> SharedTestData();

}  // namespace brennic::test
