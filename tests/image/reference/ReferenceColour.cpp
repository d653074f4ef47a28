#include "image/reference/ReferenceColour.h"

#include <algorithm>
#include <cmath>

#include "image/mConventions.h"
#include "image/mHLSRGB.h"
#include "image/mRandom.h"

namespace brennic::reference {

namespace {

// Pixel (x = byte offset in the row, y = memory row).
uint8_t* At(cDIBSection& img, int64_t x, int64_t y) {
  return img.DIBSectionBitsPtr() + y * img.BytesPerScanLine() + x;
}

void SetAll(cDIBSection& img, int64_t x, int64_t y, int32_t v) {
  uint8_t* p = At(img, x, y);
  p[0] = p[1] = p[2] = ClampByte(v);
}

// Calls pixel(x, y) column by column (x = byte offset of the pixel in the row), each column from
// the bottom row up: the order in which the operations draw random numbers.
template <typename Pixel>
void EachPixel(const cDIBSection& img, Pixel pixel) {
  for (int64_t x = 0; x <= 3 * (int64_t{img.Width()} - 1); x += 3) {
    for (int64_t y = 0; y < img.Height(); ++y)
      pixel(x, y);
  }
}

// cTo copied into cFrom with one block transfer.
void CopyBack(cDIBSection& cFrom, cDIBSection& cTo) {
  cFrom.LoadPictureBlt(cTo.hdc(), 0, 0, -1, -1, SRCCOPY);
}

}  // namespace

void GrayScale(cDIBSection& cTo) {
  EachPixel(cTo, [&](int64_t x, int64_t y) {
    uint8_t* p = At(cTo, x, y);
    const double v = (707.0 * p[1] + 222.0 * p[2] + 71.0 * p[0]) / 1000.0;
    p[0] = p[1] = p[2] = ClampByte(RoundHalfEven(v));
  });
}

void BlackAndWhite(cDIBSection& cFrom, cDIBSection& cTo) {
  GrayScale(cFrom);
  const int64_t xEnd = 3 * (int64_t{cTo.Width()} - 1);
  const int64_t yEnd = cTo.Height() - 1;
  const int64_t d[3] = {-3, 0, 3};
  const int32_t w[3] = {3, 5, 1};
  for (int64_t x = 0; x <= xEnd; x += 3) {
    for (int64_t y = 0; y <= yEnd; ++y) {
      const int32_t v = At(cFrom, x, y)[0];
      int32_t e = 0;
      if (v <= 128) {
        SetAll(cTo, x, y, 0);
        e = v <= 16 ? 0 : v;
      } else {
        SetAll(cTo, x, y, 255);
        e = 127 - v;
      }
      if (x < xEnd - 3) SetAll(cFrom, x + 3, y, At(cFrom, x + 3, y)[0] + 7 * e / 16);
      if (y < yEnd) {
        for (int k = 0; k < 3; ++k) {
          if (x + d[k] >= 1 && x + d[k] < xEnd) {
            SetAll(cFrom, x + d[k], y + 1, At(cFrom, x + d[k], y + 1)[0] + w[k] * e / 16);
          }
        }
      }
    }
  }
  CopyBack(cFrom, cTo);
}

void AddNoise(cDIBSection& cTo, int32_t lPercent, bool bRandom) {
  const int64_t lSpan = int64_t{lPercent} * 128 / 100;
  const int64_t lHalf = lSpan / 2;
  EachPixel(cTo, [&](int64_t x, int64_t y) {
    if (bRandom && !(Rnd() * 100.0 > lPercent)) return;
    uint8_t* p = At(cTo, x, y);
    for (int k = 0; k < 3; ++k) {
      const double r = Rnd();
      const double v =
          std::nearbyint(r * static_cast<double>(lSpan) + static_cast<double>(p[k] - lHalf));
      p[k] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
  });
}

void Fade(cDIBSection& cTo, int32_t lAmount) {
  EachPixel(cTo, [&](int64_t x, int64_t y) {
    uint8_t* p = At(cTo, x, y);
    for (int k = 0; k < 3; ++k)
      p[k] = ClampByte(int64_t{p[k]} * lAmount / 255);
  });
}

namespace {
// Each pixel through the HLS model: change(h, s, l) adjusts its hue, saturation and lightness.
template <typename Change>
void ThroughHls(cDIBSection& cTo, Change change) {
  EachPixel(cTo, [&](int64_t x, int64_t y) {
    uint8_t* p = At(cTo, x, y);
    float h = 0, s = 0, l = 0;
    RGBToHLS(p[2], p[1], p[0], h, s, l);
    change(h, s, l);
    int32_t r = 0, g = 0, b = 0;
    HLSToRGB(h, s, l, r, g, b);
    p[0] = ClampByte(b);
    p[1] = ClampByte(g);
    p[2] = ClampByte(r);
  });
}
}  // namespace

void Lighten(cDIBSection& cTo, int32_t lAmount) {
  ThroughHls(cTo, [&](float&, float&, float& l) {
    l = l * (static_cast<float>(lAmount) / 100.0F + 1.0F);
    if (l > 1.0F) l = 1.0F;
  });
}

void Colourise(cDIBSection& cTo, float fHue, float fSaturation) {
  ThroughHls(cTo, [&](float& h, float& s, float&) {
    if (h == 0.0F) s = fSaturation;
    h = fHue;
  });
}

std::unique_ptr<cDIBSection> Resample(const cDIBSection& cSource, int32_t lNewHeight,
                                      int32_t lNewWidth) {
  auto cNew = std::make_unique<cDIBSection>();
  if (!cNew->Create(lNewWidth, lNewHeight)) return nullptr;
  auto& src = const_cast<cDIBSection&>(cSource);
  if (lNewWidth == src.Width() && lNewHeight == src.Height()) {
    cNew->LoadPictureBlt(src.hdc(), 0, 0, -1, -1, SRCCOPY);
    return cNew;
  }
  const int32_t W = src.Width(), H = src.Height();
  const float sx = static_cast<float>(W - 1) / static_cast<float>(lNewWidth);
  const float sy = static_cast<float>(H - 1) / static_cast<float>(lNewHeight);
  for (int32_t y = 0; y < lNewHeight; ++y) {
    const float fy = static_cast<float>(y) * sy;
    const auto y0 = static_cast<int32_t>(std::floor(fy));
    const float ty = fy - static_cast<float>(y0);
    const int32_t y1 = y0 + 1 < H ? y0 + 1 : H - 1;  // a 1-pixel-high source: itself
    for (int32_t c = 0; c < lNewWidth; ++c) {
      const float fx = static_cast<float>(c) * sx;
      const auto x0 = static_cast<int32_t>(std::floor(fx));
      const float tx = fx - static_cast<float>(x0);
      const int32_t x1 = x0 + 1 < W ? x0 + 1 : W - 1;
      const uint8_t* p00 = At(src, 3 * x0, y0);
      const uint8_t* p10 = At(src, 3 * x1, y0);
      const uint8_t* p01 = At(src, 3 * x0, y1);
      const uint8_t* p11 = At(src, 3 * x1, y1);
      uint8_t* out = At(*cNew, 3 * c, y);
      for (int k = 0; k < 3; ++k) {
        const float a = std::nearbyintf((1.0F - ty) * static_cast<float>(p00[k]) +
                                        ty * static_cast<float>(p01[k]));
        const float b = std::nearbyintf((1.0F - ty) * static_cast<float>(p10[k]) +
                                        ty * static_cast<float>(p11[k]));
        out[k] = ClampByte(RoundHalfEven((1.0F - tx) * a + tx * b));
      }
    }
  }
  return cNew;
}

void ApplyPalette(cDIBSection& cFrom, cDIBSection& cTo, const cPalette& cPal) {
  if (cPal.Count() == 0) {
    // The chosen behaviour for an empty palette: the picture unchanged, in both images.
    cTo.LoadPictureBlt(cFrom.hdc(), 0, 0, -1, -1, SRCCOPY);
    return;
  }
  const int64_t xEnd = 3 * (int64_t{cTo.Width()} - 1);
  const int64_t yEnd = cTo.Height() - 1;
  const int64_t d[3] = {-3, 0, 3};
  const int32_t w[3] = {0, 4, 0};
  for (int64_t x = 0; x <= xEnd; x += 3) {
    for (int64_t y = 0; y <= yEnd; ++y) {
      const uint8_t* f = At(cFrom, x, y);
      const int32_t B = f[0], G = f[1], R = f[2];
      int32_t i = cPal.ClosestIndex(R, G, B);
      if (i == 0) i = 1;  // the chosen entry when all lie at distance 765
      uint8_t* t = At(cTo, x, y);
      t[0] = cPal.Blue(i);
      t[1] = cPal.Green(i);
      t[2] = cPal.Red(i);
      const int32_t e[3] = {B - t[0], G - t[1], R - t[2]};  // blue, green, red
      if (std::abs(e[0]) + std::abs(e[1]) + std::abs(e[2]) < 4) continue;
      if (x < xEnd - 3) {
        uint8_t* p = At(cFrom, x + 3, y);
        for (int k = 0; k < 3; ++k)
          p[k] = ClampByte(p[k] + 7 * e[k] / 16);
      }
      if (y < yEnd) {
        for (int n = 0; n < 3; ++n) {
          if (x + d[n] >= 1 && x + d[n] < xEnd) {
            uint8_t* p = At(cFrom, x + d[n], y + 1);
            for (int k = 0; k < 3; ++k)
              p[k] = ClampByte(p[k] + w[n] * e[k] / 16);
          }
        }
      }
    }
  }
  CopyBack(cFrom, cTo);
}

bool AddImages(cDIBSection& cFrom, cDIBSection& cTo, int32_t lFromMultiplier, int32_t lFromOffsetR,
               int32_t lFromOffsetG, int32_t lFromOffsetB, int32_t lToMultiplier,
               int32_t lToOffsetR, int32_t lToOffsetG, int32_t lToOffsetB) {
  // Exact whatever the parameters: 128 bits hold every possible sum.
  const Int128 oF[3] = {lFromOffsetB, lFromOffsetG, lFromOffsetR};
  const Int128 oT[3] = {lToOffsetB, lToOffsetG, lToOffsetR};
  EachPixel(cTo, [&](int64_t x, int64_t y) {
    const uint8_t* f = At(cFrom, x, y);
    uint8_t* t = At(cTo, x, y);
    for (int k = 0; k < 3; ++k)
      t[k] = ClampByte((f[k] + oF[k]) * lFromMultiplier + (t[k] + oT[k]) * lToMultiplier);
  });
  return true;
}

namespace {
int32_t Key(const uint8_t* p) {
  return 929 * p[1] + 71 * p[0];
}
void Select(cDIBSection& cFrom, cDIBSection& cTo, bool bFromIfSmaller) {
  EachPixel(cTo, [&](int64_t x, int64_t y) {
    const uint8_t* f = At(cFrom, x, y);
    uint8_t* t = At(cTo, x, y);
    if (bFromIfSmaller ? Key(f) < Key(t) : Key(f) > Key(t)) std::copy(f, f + 3, t);
  });
}
}  // namespace

void AddLightest(cDIBSection& cFrom, cDIBSection& cTo) {
  Select(cFrom, cTo, true);
}
void AddDarkest(cDIBSection& cFrom, cDIBSection& cTo) {
  Select(cFrom, cTo, false);
}

}  // namespace brennic::reference
