#pragma once
// The pictures every benchmark runs on: 4000 x 3000 (12 MP) of natural-looking content, made
// from a fixed seed so that every run and every machine times the same work.

#include <cstdint>

#include "image/cDIBSection.h"

namespace brennic::bench {

inline constexpr int32_t kWidth = 4000;
inline constexpr int32_t kHeight = 3000;

// Gradients, hard edges, a few shapes and noise; lVariant gives a different picture of the kind.
void FillNatural(cDIBSection& img, uint32_t lVariant = 0);
// The shared 4000 x 3000 picture (variant 0 or 1), made once.
const cDIBSection& NaturalPicture(uint32_t lVariant = 0);

}  // namespace brennic::bench
