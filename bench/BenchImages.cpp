#include "BenchImages.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <random>

namespace brennic::bench {

void FillNatural(cDIBSection& img, uint32_t lVariant) {
  std::mt19937 rng(1234 + lVariant);
  std::normal_distribution<float> noise(0.0f, 6.0f);
  const int32_t w = img.Width(), h = img.Height();
  const int64_t lStride = img.BytesPerScanLine();
  const float fPhase = 0.7f * static_cast<float>(lVariant);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = img.DIBSectionBitsPtr() + y * lStride;
    for (int32_t c = 0; c < w; ++c) {
      const float fx = static_cast<float>(c) / static_cast<float>(w);
      const float fy = static_cast<float>(y) / static_cast<float>(h);
      float b = 255.0f * fx, g = 200.0f * fy + 30.0f * std::sin(12.0f * fx + fPhase),
            r = 128.0f + 100.0f * std::sin(6.0f * (fx + fy) + fPhase);
      if (((c / 250) + (y / 250)) % 5 == 0) {  // a checker of hard edges
        b = 255.0f - b;
        r = 40.0f;
      }
      const float dx = fx - 0.6f, dy = fy - 0.4f;
      if (dx * dx + dy * dy < 0.02f) g = 240.0f;  // a bright disc
      const float n = noise(rng);
      row[3 * c + 0] = static_cast<uint8_t>(std::clamp(b + n, 0.0f, 255.0f));
      row[3 * c + 1] = static_cast<uint8_t>(std::clamp(g + n, 0.0f, 255.0f));
      row[3 * c + 2] = static_cast<uint8_t>(std::clamp(r + n, 0.0f, 255.0f));
    }
  }
}

const cDIBSection& NaturalPicture(uint32_t lVariant) {
  static std::map<uint32_t, std::unique_ptr<cDIBSection>> pictures;
  auto& p = pictures[lVariant];
  if (!p) {
    p = std::make_unique<cDIBSection>();
    p->Create(kWidth, kHeight);
    FillNatural(*p, lVariant);
  }
  return *p;
}

}  // namespace brennic::bench
