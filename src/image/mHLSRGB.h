#pragma once
// mHLSRGB: conversion between byte RGB and hue / lightness / saturation, all in single precision.
// Hue is in sextants (red 0, yellow 1, green 2, cyan 3, blue 4, magenta 5, and -1..0 between
// magenta and red); lightness and saturation run from 0 to 1. Every step is one single-precision
// operation in the model's order; HLSToRGB rounds half to even and does not clamp, so hues
// outside -1..5 extrapolate beyond 0..255 (results beyond the 32-bit range saturate, NaN gives 0).

#include <cstdint>

namespace brennic {

void RGBToHLS(int32_t lRed, int32_t lGreen, int32_t lBlue, float& fHue, float& fSaturation,
              float& fLightness);
void HLSToRGB(float fHue, float fSaturation, float fLightness, int32_t& lRed, int32_t& lGreen,
              int32_t& lBlue);
float Maximum(float a, float b, float c);
float Minimum(float a, float b, float c);

}  // namespace brennic
