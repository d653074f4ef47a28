#include "mRandom.h"

#include <chrono>

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

void SeedRandom(uint64_t lSeed) {
  g_lSeed = Mix(lSeed);
  g_lPosition = 0;
}

void RandomizeFromClock() {
  const auto lNow = std::chrono::system_clock::now().time_since_epoch().count();
  SeedRandom(static_cast<uint64_t>(lNow));
}

}  // namespace brennic
