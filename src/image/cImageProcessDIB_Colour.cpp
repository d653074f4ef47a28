// Per-pixel colour operations: gray scale, black and white, noise, fade, lighten and colourise.
//
// Each result is exactly that of the plain column-by-column loop over the pixels. Where pixels
// do not depend on each other the rows are shared out among the worker threads and sixteen
// pixels are computed at once (mPixelLanes.h); the single-precision HLS arithmetic is done lane
// by lane with the same IEEE operations in the same order, so every byte matches. Black and white
// is an error diffusion: it keeps the column order, a band of columns in vector lanes
// (cErrorDiffusion.h).

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "cError.h"
#include "cErrorDiffusion.h"
#include "cImageProcessDIB.h"
#include "cParallel.h"
#include "cPixelPass.h"
#include "mConventions.h"
#include "mHLSRGB.h"
#include "mPixelLanes.h"
#include "mRandom.h"
#include "mSimd.h"

#ifdef BRENNIC_AVX512_LOOPS
#include <immintrin.h>
#endif

namespace brennic {

using namespace lanes;

namespace {

// ---------------------------------------------------------------------------------------------
// Gray scale: v = round((707 G + 222 R + 71 B) / 1000), the division in floating point.
//
// Single precision gives the same v: every half (k + 0.5 for a sum ending in 500) is
// representable, and every other quotient lies at least 0.001 from a half, far more than the
// division's error of at most 2^-24 x 256. (An integer form with 16-bit lanes was tried: it
// needs more shuffling than the division costs.)

uint8_t GrayOf(const uint8_t* p) {
  const int32_t s = 707 * p[1] + 222 * p[2] + 71 * p[0];
  return static_cast<uint8_t>(brennic::RoundHalfEven(static_cast<float>(s) / 1000.0F));
}

BRENNIC_SIMD_CLONES void GrayRow(uint8_t* p, int64_t lWidth) {
  int64_t c = 0;
  for (; c + kQuadsReach <= lWidth; c += 16) {
    const u32x16 w = LoadQuads16(p + 3 * c);
    const i32x16 s = ChannelOf(w, 1) * 707 + ChannelOf(w, 2) * 222 + ChannelOf(w, 0) * 71;
    const f32x16 q = RoundEven(__builtin_convertvector(s, f32x16) / 1000.0F);
    StoreQuads16(p + 3 * c,
                 reinterpret_cast<u32x16>(__builtin_convertvector(q, i32x16) * 0x010101));
  }
  for (; c < lWidth; ++c) {
    uint8_t* q = p + 3 * c;
    q[0] = q[1] = q[2] = GrayOf(q);
  }
}

#ifdef BRENNIC_AVX512_LOOPS
// GCC 12's AVX-512 headers start some vectors "undefined", which its own warnings flag.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
// The same with AVX-512BW, where the work outside the division is about a third: two byte
// shuffles put blue | green << 16 and red into each lane, two multiply-adds of word pairs form
// the sum, the conversion rounds half to even by itself, and one shuffle spreads the gray value
// over its pixel's three bytes.
__attribute__((target("avx512f,avx512bw"), noinline)) void GrayRowAvx512(uint8_t* p,
                                                                         int64_t lWidth) {
  // Four pixels' twelve bytes into each 16-byte block, as LoadQuads16 does.
  const __m512i lBlocks = _mm512_setr_epi32(0, 1, 2, 3, 3, 4, 5, 6, 6, 7, 8, 9, 9, 10, 11, 12);
  const __m512i lBlueGreen = _mm512_broadcast_i32x4(
      _mm_setr_epi8(0, -1, 1, -1, 3, -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1));
  const __m512i lRed = _mm512_broadcast_i32x4(
      _mm_setr_epi8(2, -1, -1, -1, 5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1));
  const __m512i lSpread =
      _mm512_broadcast_i32x4(_mm_setr_epi8(0, 0, 0, 4, 4, 4, 8, 8, 8, 12, 12, 12, -1, -1, -1, -1));
  const __m512i lPack = _mm512_setr_epi32(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, 15, 15, 15, 15);
  const __m512i lWeightsBlueGreen = _mm512_set1_epi32(71 | 707 << 16);
  const __m512i lWeightRed = _mm512_set1_epi32(222);
  const __m512 f1000 = _mm512_set1_ps(1000.0F);
  int64_t c = 0;
  for (; c + kQuadsReach <= lWidth; c += 16) {
    const __m512i x = _mm512_permutexvar_epi32(lBlocks, _mm512_loadu_si512(p + 3 * c));
    const __m512i s =
        _mm512_add_epi32(_mm512_madd_epi16(_mm512_shuffle_epi8(x, lBlueGreen), lWeightsBlueGreen),
                         _mm512_madd_epi16(_mm512_shuffle_epi8(x, lRed), lWeightRed));
    const __m512 q = _mm512_div_ps(_mm512_cvtepi32_ps(s), f1000);
    const __m512i v = _mm512_cvt_roundps_epi32(q, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    const __m512i o = _mm512_permutexvar_epi32(lPack, _mm512_shuffle_epi8(v, lSpread));
    // Not a masked 64-byte store: the next load, overlapping its masked-off tail, would wait.
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + 3 * c), _mm512_castsi512_si256(o));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 3 * c + 32), _mm512_extracti32x4_epi32(o, 2));
  }
  for (; c < lWidth; ++c) {
    uint8_t* q = p + 3 * c;
    q[0] = q[1] = q[2] = GrayOf(q);
  }
}
#pragma GCC diagnostic pop
#endif

// ---------------------------------------------------------------------------------------------
// Fade: c = (c x amount) / 255, truncating, clamped.

// For 0 <= amount <= 255 the product fits 16 bits and x / 255 = (x + 1 + (x >> 8)) >> 8 exactly
// for every x below 65535.
BRENNIC_SIMD_CLONES void FadeRow(uint8_t* p, int64_t lBytes, uint16_t lAmount) {
  int64_t i = 0;
  for (; i + 32 <= lBytes; i += 32) {
    u16x32 x = __builtin_convertvector(LoadU<u8x32>(p + i), u16x32) * lAmount;
    x = (x + 1 + (x >> 8)) >> 8;
    StoreU(p + i, __builtin_convertvector(x, u8x32));
  }
  for (; i < lBytes; ++i)
    p[i] = static_cast<uint8_t>(p[i] * lAmount / 255);
}

// ---------------------------------------------------------------------------------------------
// The HLS model for sixteen pixels at once, operation for operation as in mHLSRGB.cpp. Branches
// become selects; a division whose lane is not selected may see 0 / 0, which is harmless.

struct Hls16 {
  f32x16 h, s, l;
};

BRENNIC_LANE Hls16 RGBToHLS16(u32x16 w) {
  const f32x16 r = __builtin_convertvector(ChannelOf(w, 2), f32x16) / 255.0F;
  const f32x16 g = __builtin_convertvector(ChannelOf(w, 1), f32x16) / 255.0F;
  const f32x16 b = __builtin_convertvector(ChannelOf(w, 0), f32x16) / 255.0F;
  f32x16 fMax = r;
  fMax = g > fMax ? g : fMax;
  fMax = b > fMax ? b : fMax;
  f32x16 fMin = r;
  fMin = g < fMin ? g : fMin;
  fMin = b < fMin ? b : fMin;
  Hls16 o;
  o.l = (fMax + fMin) / 2.0F;
  const i32x16 bGray = fMax == fMin;
  const f32x16 fSpan = fMax - fMin;
  o.s = fSpan / (o.l <= 0.5F ? fMax + fMin : (2.0F - fMax) - fMin);
  const i32x16 bRedMax = r == fMax;
  const i32x16 bGreenMax = g == fMax;
  const f32x16 q = (bRedMax ? g - b : (bGreenMax ? b - r : r - g)) / fSpan;
  o.h = bRedMax ? q : (bGreenMax ? 2.0F + q : 4.0F + q);
  o.h = bGray ? 0.0F : o.h;
  o.s = bGray ? 0.0F : o.s;
  return o;
}

// In every sextant one channel is m2, one m1 and one m1 -/+ (hue - k) x (m2 - m1) with k = 0, 2
// or 4; that middle value is m1 + |hue - k| x (m2 - m1) exactly, since negation is exact.
BRENNIC_LANE u32x16 HLSToRGB16(f32x16 h, f32x16 s, f32x16 l) {
  const f32x16 m1 = l <= 0.5F ? l * (1.0F - s) : l - s * (1.0F - l);
  const f32x16 m2 = 2.0F * l - m1;
  const f32x16 fSpan = m2 - m1;
  const i32x16 bFirst = h < 1.0F;
  const i32x16 bSecond = h < 3.0F;
  const f32x16 k = bFirst ? h : (bSecond ? h - 2.0F : h - 4.0F);
  const i32x16 bBelow = k < 0.0F;
  const f32x16 fMid = m1 + (bBelow ? -k : k) * fSpan;
  // The two channels after the m2 one, in the order red, green, blue (cyclically).
  const f32x16 fNext = bBelow ? m1 : fMid;
  const f32x16 fLast = bBelow ? fMid : m1;
  f32x16 r = bFirst ? m2 : (bSecond ? fLast : fNext);
  f32x16 g = bFirst ? fNext : (bSecond ? m2 : fLast);
  f32x16 b = bFirst ? fLast : (bSecond ? fNext : m2);
  const i32x16 bGray = s == 0.0F;
  r = bGray ? l : r;
  g = bGray ? l : g;
  b = bGray ? l : b;
  return MakeQuads(ToByte(b * 255.0F), ToByte(g * 255.0F), ToByte(r * 255.0F));
}

void StoreRGB(uint8_t* p, int32_t lRed, int32_t lGreen, int32_t lBlue) {
  p[0] = ClampByte(lBlue);
  p[1] = ClampByte(lGreen);
  p[2] = ClampByte(lRed);
}

// ---------------------------------------------------------------------------------------------
// Lighten: l' = min(l x (amount / 100 + 1), 1).

void LightenPixel(uint8_t* p, float fFactor) {
  float h = 0.0F, s = 0.0F, l = 0.0F;
  RGBToHLS(p[2], p[1], p[0], h, s, l);
  float l2 = l * fFactor;
  if (l2 > 1.0F) l2 = 1.0F;
  int32_t r = 0, g = 0, b = 0;
  HLSToRGB(h, s, l2, r, g, b);
  StoreRGB(p, r, g, b);
}

BRENNIC_SIMD_CLONES void LightenRow(uint8_t* p, int64_t lWidth, float fFactor) {
  int64_t c = 0;
  for (; c + kQuadsReach <= lWidth; c += 16) {
    const Hls16 hls = RGBToHLS16(LoadQuads16(p + 3 * c));
    f32x16 l2 = hls.l * fFactor;
    l2 = l2 > 1.0F ? 1.0F : l2;
    StoreQuads16(p + 3 * c, HLSToRGB16(hls.h, hls.s, l2));
  }
  for (; c < lWidth; ++c)
    LightenPixel(p + 3 * c, fFactor);
}

// ---------------------------------------------------------------------------------------------
// Colourise: the given hue; pixels of hue exactly 0 also take the given saturation.

void ColourisePixel(uint8_t* p, float fHue, float fSaturation) {
  float h = 0.0F, s = 0.0F, l = 0.0F;
  RGBToHLS(p[2], p[1], p[0], h, s, l);
  if (h == 0.0F) s = fSaturation;
  int32_t r = 0, g = 0, b = 0;
  HLSToRGB(fHue, s, l, r, g, b);
  StoreRGB(p, r, g, b);
}

BRENNIC_SIMD_CLONES void ColouriseRow(uint8_t* p, int64_t lWidth, float fHue, float fSaturation) {
  int64_t c = 0;
  const f32x16 h = f32x16{} + fHue;
  for (; c + kQuadsReach <= lWidth; c += 16) {
    const Hls16 hls = RGBToHLS16(LoadQuads16(p + 3 * c));
    const f32x16 s = hls.h == 0.0F ? f32x16{} + fSaturation : hls.s;
    StoreQuads16(p + 3 * c, HLSToRGB16(h, s, hls.l));
  }
  for (; c < lWidth; ++c)
    ColourisePixel(p + 3 * c, fHue, fSaturation);
}

// ---------------------------------------------------------------------------------------------
// Black and white: error diffusion over the gray picture in cFrom, column by column.
//
// A pixel of value v becomes black (v <= 128; error v, or 0 for v <= 16) or white (error
// 127 - v). 7/16 of the error goes right unless the pixel is in one of the last two columns,
// 5/16 down and 1/16 down-right within columns 1 .. last - 1; each addition is clamped at once.
// The 3/16 down-left lands in a finished column of cFrom, which the result replaces anyway, and
// what a last row passes down has no one to receive it; both are left out.
//
// A band of 16 columns is worked in vector lanes (cErrorDiffusion.h).

// cGray holds the gray picture (all three bytes equal) and is only read; the result goes to cTo.
BRENNIC_SIMD_CLONES void DiffuseBlackAndWhite(const cDIBSection& cGray, cDIBSection& cTo,
                                              const std::function<void(int32_t)>& onColumns) {
  using namespace diffusion;
  const int32_t lWidth = cTo.Width();
  const int32_t lHeight = cTo.Height();
  const int32_t lLast = lWidth - 1;
  const int64_t lStride = cTo.BytesPerScanLine();
  const uint8_t* pGray = cGray.DIBSectionBitsPtr();
  uint8_t* pTo = cTo.DIBSectionBitsPtr();
  const int64_t lSteps = int64_t{lHeight} + kLanes - 1;
  // The value each row of the band's first column starts from, and the same for the next band.
  std::vector<int16_t> lBandIn(static_cast<size_t>(lHeight));
  std::vector<int16_t> lBandOut(static_cast<size_t>(lHeight));
  for (int32_t y = 0; y < lHeight; ++y)
    lBandIn[static_cast<size_t>(y)] = pGray[y * lStride];
  std::vector<uint8_t> lNextGray(static_cast<size_t>(lSteps * kLanes));  // (c + 1, y) of lane c
  std::vector<uint8_t> lOut(static_cast<size_t>(lSteps * kLanes));
  for (int32_t c0 = 0; c0 < lWidth; c0 += kLanes) {
    const int32_t lColumns = std::min(kLanes, lWidth - c0);
    for (int32_t y = 0; y < lHeight; ++y) {
      const uint8_t* pRow = pGray + y * lStride;
      if (y + kPrefetchRows < lHeight) {
        const uint8_t* pAhead = pRow + kPrefetchRows * lStride + 3 * c0;
        __builtin_prefetch(pAhead);
        __builtin_prefetch(pAhead + 3 * lColumns);
      }
      for (int32_t j = 0; j < lColumns && c0 + j < lLast; ++j)
        lNextGray[static_cast<size_t>((y + j) * kLanes + j)] = pRow[3 * (c0 + j + 1)];
    }
    const EdgeLanes edges(c0, lLast);
    const i16x16 bDown = edges.bDown, bRight = edges.bRight;
    i16x16 lSlot{}, lDown{}, lDownRight{};
    for (int64_t t = 0; t < int64_t{lHeight} + lColumns - 1; ++t) {
      const i16x16 bActive = ActiveLanes(t, lColumns, lHeight);
      if (t < lHeight) lSlot[0] = lBandIn[static_cast<size_t>(t)];
      const i16x16 v = Clamp255(lSlot + lDown);
      const i16x16 bWhite = v > 128;
      const i16x16 e = bWhite ? 127 - v : (v <= 16 ? 0 : v);
      StoreU(&lOut[static_cast<size_t>(t * kLanes)], __builtin_convertvector(bWhite & 255, u8x16));
      const i16x16 lGray = __builtin_convertvector(
          LoadU<u8x16>(&lNextGray[static_cast<size_t>(t * kLanes)]), i16x16);
      const i16x16 lNext = bRight ? Clamp255(Clamp255(lGray + lDownRight) + Share(e, 7)) : lGray;
      lDown = bActive ? (bDown ? Share(e, 5) : 0) : lDown;
      lDownRight = bActive ? (bRight ? Share(e, 1) : 0) : lDownRight;
      const int64_t yLastLane = t - (lColumns - 1);
      if (yLastLane >= 0 && yLastLane < lHeight && c0 + lColumns < lWidth) {
        lBandOut[static_cast<size_t>(yLastLane)] = lNext[lColumns - 1];
      }
      lSlot = HandRight(lNext);
    }
    for (int32_t y = 0; y < lHeight; ++y) {
      uint8_t* p = pTo + y * lStride + 3 * c0;
      if (y + kPrefetchRows < lHeight) {
        __builtin_prefetch(p + kPrefetchRows * lStride, 1);
        __builtin_prefetch(p + kPrefetchRows * lStride + 3 * lColumns - 1, 1);
      }
      // Four bytes at a time, each pixel's fourth overwritten by the next pixel; three for the
      // last, so nothing past the band is touched.
      for (int32_t j = 0; j + 1 < lColumns; ++j) {
        const uint32_t v = lOut[static_cast<size_t>((y + j) * kLanes + j)] * 0x010101U;
        std::memcpy(p + 3 * j, &v, 4);
      }
      const uint32_t v = lOut[static_cast<size_t>((y + lColumns - 1) * kLanes + lColumns - 1)];
      p[3 * lColumns - 3] = p[3 * lColumns - 2] = p[3 * lColumns - 1] = static_cast<uint8_t>(v);
    }
    lBandIn.swap(lBandOut);
    onColumns(c0 + lColumns);
  }
}

// ---------------------------------------------------------------------------------------------
// Noise. The plain loop draws, column by column and row by row: (with bRandom) one number that
// decides whether the pixel is treated, then three for a treated pixel's blue, green and red.
// The generator is counter based, so every pixel's numbers can be found without drawing the ones
// before it, as long as the count of numbers before the pixel is known.

// Adding 1.5 x 2^52 to a double of magnitude below 2^51 rounds it to an integer, halves to even;
// subtracting it again is exact.
constexpr double kRoundDouble = 6755399441055744.0;

struct cNoise {
  double fSpan;
  int64_t lHalf;
  // clamp(round(r x span + (c - half))); clamping first gives the same byte, since rounding is
  // monotonic and 0 and 255 are integers.
  uint8_t Apply(uint8_t c, double r) const {
    double v = r * fSpan + static_cast<double>(int64_t{c} - lHalf);
    v = v >= 0.0 ? (v <= 255.0 ? v : 255.0) : 0.0;
    return static_cast<uint8_t>((v + kRoundDouble) - kRoundDouble);
  }
};

// One channel of sixteen pixels: clamp(round(r x span + (c - half))), in double precision like
// the scalar step. c - half is exact in double, so it may be formed there.
BRENNIC_LANE i32x16 Noise16(i32x16 c, const double* r, double fSpan, double fHalf) {
  int32_t lIn[16], lOut[16];
  StoreU(lIn, c);
  for (int h = 0; h < 16; h += 8) {
    f64x8 v = LoadU<f64x8>(r + h) * fSpan +
              (__builtin_convertvector(LoadU<i32x8>(lIn + h), f64x8) - fHalf);
    v = v >= 0.0 ? v : 0.0;
    v = v <= 255.0 ? v : 255.0;
    v = (v + kRoundDouble) - kRoundDouble;
    StoreU(lOut + h, __builtin_convertvector(v, i32x8));
  }
  return LoadU<i32x16>(lOut);
}

// pRow's pixels with the numbers r: blues' at r, greens' at r + lWidth, reds' at r + 2 lWidth.
BRENNIC_SIMD_CLONES void NoiseRow(uint8_t* pRow, int64_t lWidth, const double* r,
                                  const cNoise& noise) {
  const double fSpan = noise.fSpan;
  const auto fHalf = static_cast<double>(noise.lHalf);
  int64_t c = 0;
  for (; c + kQuadsReach <= lWidth; c += 16) {
    const u32x16 w = LoadQuads16(pRow + 3 * c);
    StoreQuads16(pRow + 3 * c,
                 MakeQuads(Noise16(ChannelOf(w, 0), r + c, fSpan, fHalf),
                           Noise16(ChannelOf(w, 1), r + lWidth + c, fSpan, fHalf),
                           Noise16(ChannelOf(w, 2), r + 2 * lWidth + c, fSpan, fHalf)));
  }
  for (; c < lWidth; ++c) {
    for (int64_t k = 0; k < 3; ++k)
      pRow[3 * c + k] = noise.Apply(pRow[3 * c + k], r[k * lWidth + c]);
  }
}

// Every pixel treated: pixel (column c, row y) uses the three numbers from lFirst + 3 (c H + y).
void NoiseEveryPixel(IImageProcessEvents* pListener, cDIBSection& cTo, const cNoise& noise) {
  const uint64_t lFirst = RandomPosition();
  const auto lHeight = static_cast<uint64_t>(cTo.Height());
  RunPixelPass(pListener, cTo, [&](uint8_t* pRow, int32_t lWidth, int64_t y) {
    thread_local std::vector<double> r;
    r.resize(3 * static_cast<size_t>(lWidth));
    for (int64_t k = 0; k < 3; ++k) {
      RandomAtEach(lFirst + 3 * static_cast<uint64_t>(y) + static_cast<uint64_t>(k), 3 * lHeight,
                   lWidth, r.data() + k * lWidth);
    }
    NoiseRow(pRow, lWidth, r.data(), noise);
  });
  if (cTo.DIBSectionBitsPtr() != nullptr) {
    AdvanceRandom(3 * static_cast<uint64_t>(cTo.Width()) * lHeight);
  }
}

// Only pixels whose deciding number r has r x 100 > percent are treated, so the count of
// numbers before a pixel depends on the decisions before it. A first pass follows that chain on
// the calling thread, taking the numbers in blocks, and notes the decisions and where each
// column starts; a second pass treats the pixels on the worker threads.
void NoiseSomePixels(IImageProcessEvents* pListener, cDIBSection& cTo, const cNoise& noise,
                     int32_t lPercent) {
  const int64_t lStart = TickCountMs();
  const int32_t xLast = 3 * (cTo.Width() - 1);
  if (pListener != nullptr) pListener->InitProgress(xLast);
  uint8_t* pBits = cTo.DIBSectionBitsPtr();
  const int64_t lWidth = cTo.Width();
  const int64_t lHeight = cTo.Height();
  const int64_t lPixels = pBits != nullptr ? lWidth * lHeight : 0;
  cColumnProgress progress(pListener, 0, xLast, 2 * lPixels);
  std::vector<uint64_t> lColumnStart(static_cast<size_t>(lWidth) + 1);
  std::vector<uint8_t> bTreated(static_cast<size_t>(lPixels));
  uint64_t lPos = RandomPosition();
  if (lPixels > 0) {
    constexpr uint64_t kBlock = 4096;
    std::vector<double> block(kBlock);
    uint64_t lBlockStart = lPos;
    RandomAtEach(lBlockStart, 1, kBlock, block.data());
    const auto fPercent = static_cast<double>(lPercent);
    for (int64_t c = 0; c < lWidth; ++c) {
      lColumnStart[static_cast<size_t>(c)] = lPos;
      for (int64_t y = 0; y < lHeight; ++y) {
        if (lPos - lBlockStart >= kBlock) {
          lBlockStart = lPos;
          RandomAtEach(lBlockStart, 1, kBlock, block.data());
        }
        const bool bTreat = block[lPos - lBlockStart] * 100.0 > fPercent;
        bTreated[static_cast<size_t>(c * lHeight + y)] = bTreat ? 1 : 0;
        lPos += bTreat ? 4 : 1;
      }
      progress.Advance((c + 1) * lHeight);
    }
    lColumnStart[static_cast<size_t>(lWidth)] = lPos;
    const int64_t lStride = cTo.BytesPerScanLine();
    ParallelFor(
        lWidth, 16,
        [&](int64_t lFirst, int64_t lLast) {
          std::vector<double> r;
          for (int64_t c = lFirst; c < lLast; ++c) {
            // The column's numbers, deciding ones included, in one go.
            const uint64_t lColumnFirst = lColumnStart[static_cast<size_t>(c)];
            const size_t lCount = lColumnStart[static_cast<size_t>(c) + 1] - lColumnFirst;
            r.resize(lCount + 3);  // an untreated last pixel looks, in vain, past the end
            RandomAtEach(lColumnFirst, 1, static_cast<int64_t>(lCount), r.data());
            size_t lAt = 0;
            for (int64_t y = 0; y < lHeight; ++y) {
              // Without branches: the decisions are as unpredictable as the numbers.
              const bool bTreat = bTreated[static_cast<size_t>(c * lHeight + y)] != 0;
              uint8_t* p = pBits + y * lStride + 3 * c;
              for (size_t k = 0; k < 3; ++k) {
                const uint8_t lNew = noise.Apply(p[k], r[lAt + 1 + k]);
                p[k] = bTreat ? lNew : p[k];
              }
              lAt += bTreat ? 4 : 1;
            }
          }
        },
        [&](int64_t lDone) { progress.Advance(lPixels + lDone * lHeight); });
    AdvanceRandom(lPos - RandomPosition());
  }
  progress.Finish();
  cOperationEvents::Complete(pListener, lStart);
}

}  // namespace

void cImageProcessDIB::GrayScale(cDIBSection& cTo) {
#ifdef BRENNIC_AVX512_LOOPS
  if (CpuHasAvx512BW()) {
    RunPixelPass(Listener(), cTo,
                 [](uint8_t* pRow, int32_t lWidth, int64_t) { GrayRowAvx512(pRow, lWidth); });
    return;
  }
#endif
  RunPixelPass(Listener(), cTo,
               [](uint8_t* pRow, int32_t lWidth, int64_t) { GrayRow(pRow, lWidth); });
}

void cImageProcessDIB::BlackAndWhite(cDIBSection& cFrom, cDIBSection& cTo) {
  if (cFrom.Width() != cTo.Width() || cFrom.Height() != cTo.Height() ||
      (cFrom.DIBSectionBitsPtr() == nullptr) != (cTo.DIBSectionBitsPtr() == nullptr)) {
    throw cError(kErrSizesDoNotMatch, ErrorSource(".cImageProcess"), "Image sizes do not match.");
  }
  if (&cFrom == &cTo) {
    // The diffusion needs a second image; the result ends up in both anyway.
    cDIBSection cWork;
    if (!cWork.Create(cTo.Width(), cTo.Height())) {
      throw cError(7, ErrorSource(".cImageProcess"), "Out of memory");
    }
    BlackAndWhite(cFrom, cWork);
    return;
  }
  const int64_t lStart = TickCountMs();
  GrayScale(cFrom);
  const int32_t xLast = 3 * (cTo.Width() - 1);
  if (Listener() != nullptr) Listener()->InitProgress(xLast);
  cColumnProgress progress(Listener(), 0, xLast, cTo.Width());
  if (cTo.DIBSectionBitsPtr() != nullptr) {
    DiffuseBlackAndWhite(cFrom, cTo, [&](int32_t lColumnsDone) { progress.Advance(lColumnsDone); });
    // Both images hold the result.
    cFrom.LoadPictureBlt(cTo.hdc(), 0, 0, -1, -1, SRCCOPY);
  }
  progress.Finish();
  cOperationEvents::Complete(Listener(), lStart);
}

void cImageProcessDIB::AddNoise(cDIBSection& cTo, int32_t lPercent, bool bRandom) {
  const int64_t lSpan = int64_t{lPercent} * 128 / 100;
  const cNoise noise{static_cast<double>(lSpan), lSpan / 2};
  if (bRandom) {
    NoiseSomePixels(Listener(), cTo, noise, lPercent);
  } else {
    NoiseEveryPixel(Listener(), cTo, noise);
  }
}

void cImageProcessDIB::Fade(cDIBSection& cTo, int32_t lAmount) {
  if (lAmount >= 0 && lAmount <= 255) {
    const auto lA = static_cast<uint16_t>(lAmount);
    RunPixelPass(Listener(), cTo, [lA](uint8_t* pRow, int32_t lWidth, int64_t) {
      FadeRow(pRow, 3 * int64_t{lWidth}, lA);
    });
    return;
  }
  // Other amounts leave the byte range: each channel is clamped.
  uint8_t lTable[256];
  for (int32_t c = 0; c < 256; ++c)
    lTable[c] = ClampByte(int64_t{c} * lAmount / 255);
  RunPixelPass(Listener(), cTo, [&lTable](uint8_t* pRow, int32_t lWidth, int64_t) {
    for (int64_t i = 0; i < 3 * int64_t{lWidth}; ++i)
      pRow[i] = lTable[pRow[i]];
  });
}

void cImageProcessDIB::Lighten(cDIBSection& cTo, int32_t lAmount) {
  const float fFactor = static_cast<float>(lAmount) / 100.0F + 1.0F;
  RunPixelPass(Listener(), cTo, [fFactor](uint8_t* pRow, int32_t lWidth, int64_t) {
    LightenRow(pRow, lWidth, fFactor);
  });
}

void cImageProcessDIB::Colourise(cDIBSection& cTo, float fHue, float fSaturation) {
  RunPixelPass(Listener(), cTo, [fHue, fSaturation](uint8_t* pRow, int32_t lWidth, int64_t) {
    ColouriseRow(pRow, lWidth, fHue, fSaturation);
  });
}

}  // namespace brennic
