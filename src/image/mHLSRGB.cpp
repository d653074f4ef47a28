// The HLS model, step by step in single precision. Every operation is written out in the order of
// the model (no algebraic shortcuts), because Lighten and Colourise must give the same bytes on
// every machine and the vectorised versions in the colour operations are checked against these.

#include "mHLSRGB.h"

#include <cmath>
#include <cstdint>

namespace brennic {

namespace {

// Round half to even; results beyond the 32-bit range saturate and NaN gives 0, so that an
// out-of-range hue (which the model extrapolates) never makes an undefined conversion.
int32_t ToChannel(float v) {
  const float r = std::nearbyintf(v * 255.0F);
  if (!(r == r)) return 0;
  if (r >= 2147483648.0F) return INT32_MAX;
  if (r < -2147483648.0F) return INT32_MIN;
  return static_cast<int32_t>(r);
}

}  // namespace

float Maximum(float a, float b, float c) {
  float m = a;
  if (b > m) m = b;
  if (c > m) m = c;
  return m;
}

float Minimum(float a, float b, float c) {
  float m = a;
  if (b < m) m = b;
  if (c < m) m = c;
  return m;
}

void RGBToHLS(int32_t lRed, int32_t lGreen, int32_t lBlue, float& fHue, float& fSaturation,
              float& fLightness) {
  const float r = static_cast<float>(lRed) / 255.0F;
  const float g = static_cast<float>(lGreen) / 255.0F;
  const float b = static_cast<float>(lBlue) / 255.0F;
  const float fMax = Maximum(r, g, b);
  const float fMin = Minimum(r, g, b);
  fLightness = (fMax + fMin) / 2.0F;
  if (fMax == fMin) {
    fSaturation = 0.0F;
    fHue = 0.0F;
    return;
  }
  if (fLightness <= 0.5F) {
    fSaturation = (fMax - fMin) / (fMax + fMin);
  } else {
    fSaturation = (fMax - fMin) / (2.0F - fMax - fMin);
  }
  // Exact equality, red first: a red that ties for the maximum takes the red formula.
  if (r == fMax) {
    fHue = (g - b) / (fMax - fMin);
  } else if (g == fMax) {
    fHue = 2.0F + (b - r) / (fMax - fMin);
  } else {
    fHue = 4.0F + (r - g) / (fMax - fMin);
  }
}

void HLSToRGB(float fHue, float fSaturation, float fLightness, int32_t& lRed, int32_t& lGreen,
              int32_t& lBlue) {
  float r = 0.0F;
  float g = 0.0F;
  float b = 0.0F;
  if (fSaturation == 0.0F) {
    r = fLightness;
    g = fLightness;
    b = fLightness;
  } else {
    float m1 = 0.0F;
    if (fLightness <= 0.5F) {
      m1 = fLightness * (1.0F - fSaturation);
    } else {
      m1 = fLightness - fSaturation * (1.0F - fLightness);
    }
    const float m2 = 2.0F * fLightness - m1;
    if (fHue < 1.0F) {
      r = m2;
      if (fHue < 0.0F) {
        g = m1;
        b = m1 - fHue * (m2 - m1);
      } else {
        b = m1;
        g = m1 + fHue * (m2 - m1);
      }
    } else if (fHue < 3.0F) {
      g = m2;
      if (fHue < 2.0F) {
        b = m1;
        r = m1 - (fHue - 2.0F) * (m2 - m1);
      } else {
        r = m1;
        b = m1 + (fHue - 2.0F) * (m2 - m1);
      }
    } else {
      b = m2;
      if (fHue < 4.0F) {
        r = m1;
        g = m1 - (fHue - 4.0F) * (m2 - m1);
      } else {
        g = m1;
        r = m1 + (fHue - 4.0F) * (m2 - m1);
      }
    }
  }
  lRed = ToChannel(r);
  lGreen = ToChannel(g);
  lBlue = ToChannel(b);
}

}  // namespace brennic
