#include "mRandom.h"

#include <chrono>

#include "mPixelLanes.h"
#include "mSimd.h"

namespace brennic {

namespace {

constexpr uint64_t kGamma = 0x9E3779B97F4A7C15ULL;
uint64_t g_lSeed = 0x853C49E6748FEA9BULL;
uint64_t g_lPosition = 0;

uint64_t Mix(uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

}  // namespace

double RandomAt(uint64_t lPosition) {
  const uint64_t lBits = Mix(g_lSeed + (lPosition + 1) * kGamma);
  return static_cast<double>(lBits >> 11) * 0x1.0p-53;
}

double Rnd() {
  return RandomAt(g_lPosition++);
}

uint64_t RandomPosition() {
  return g_lPosition;
}

void AdvanceRandom(uint64_t lDraws) {
  g_lPosition += lDraws;
}

BRENNIC_SIMD_CLONES void RandomAtEach(uint64_t lFirst, uint64_t lStride, int64_t lCount,
                                      double* pOut) {
  using lanes::f64x8;
  using lanes::i64x8;
  using lanes::u64x8;
  const u64x8 lLane = {0, 1, 2, 3, 4, 5, 6, 7};
  int64_t i = 0;
  for (; i + 8 <= lCount; i += 8) {
    const u64x8 lPos = lFirst + (static_cast<uint64_t>(i) + lLane) * lStride;
    u64x8 z = g_lSeed + (lPos + 1) * kGamma;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z = z ^ (z >> 31);
    // Below 2^53, so the signed conversion is exact.
    const i64x8 lBits = __builtin_convertvector(z >> 11, i64x8);
    lanes::StoreU(pOut + i, __builtin_convertvector(lBits, f64x8) * 0x1.0p-53);
  }
  for (; i < lCount; ++i)
    pOut[i] = RandomAt(lFirst + static_cast<uint64_t>(i) * lStride);
}

void SeedRandom(uint64_t lSeed) {
  g_lSeed = Mix(lSeed);
  g_lPosition = 0;
}

void RandomizeFromClock() {
  const auto lNow = std::chrono::system_clock::now().time_since_epoch().count();
  SeedRandom(static_cast<uint64_t>(lNow));
}

}  // namespace brennic
