// Bilinear resampling into a new image.
//
// Single precision throughout, each product and sum rounded as it is formed (the engine is built
// without fused multiply-adds): sx = (W - 1) / W', sy = (H - 1) / H'; destination (c', y') reads
// source columns x0 = floor(c' sx), x0 + 1 and rows y0 = floor(y' sy), y0 + 1; first the two
// columns are interpolated vertically, A = round((1 - ty) P00 + ty P01) and likewise B, then
// round((1 - tx) A + tx B), rounding half to even. The +1 neighbour is clamped to the last column
// or row, so nothing outside the picture is read; where that changes it (a source 1 pixel wide or
// high) its weight is 0, so the result is still that of the formula.
//
// The vertical step of a destination row depends only on the two source rows and ty, so it is
// done once per source column for the whole row, sixteen columns at a time, into one plane per
// channel. The horizontal step then picks each sixteen destination columns' two neighbours from
// a window of the planes with two vector permutations (when the sixteen lie within 32 source
// columns, as they do for any scale down to a half). Rows are shared among the worker threads.
//
// Scaling down by 1.5 to 2, where a block's 32 source columns are nearly all its own, processors
// with AVX-512BW skip the planes: each block interpolates its window of the two source rows in
// registers and goes on to the horizontal step at once, so each source row is read once and no
// plane is written and read back. Scaling up, where sixteen destination columns lie within 16
// source columns, the same is done with one half of the window. The arithmetic is the same,
// operation for operation.
//
// Scaling down (to about 7 %) on processors that also have AVX-512VBMI, a row's vertical step
// is looked up instead: within one row, round((1 - ty) p0 + ty p1) is p0 plus or minus a table
// entry indexed by |p1 - p0| for nearly every ty (MakeVerticalTable says for which), so sixty-four
// bytes of the interleaved row take one or two byte permutations instead of twelve conversions and
// products. The horizontal step keeps its single-precision arithmetic. Rows whose ty the table
// cannot serve take the ways above.

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "cDIBSection.h"
#include "cParallel.h"
#include "mConventions.h"
#include "mPixelLanes.h"
#include "mResampleTable.h"
#include "mSimd.h"

#ifdef BRENNIC_AVX512_LOOPS
#include <immintrin.h>
#endif

namespace brennic {

using namespace lanes;

namespace {

// Where a destination column or row samples the source.
struct Sample {
  int32_t lNear;  // x0 or y0
  int32_t lFar;   // x0 + 1 or y0 + 1, clamped to the picture
  float fT;       // tx or ty
  float fOneMinusT;
};

Sample SampleAt(int32_t lDest, float fScale, int32_t lSourceSize) {
  const float f = static_cast<float>(lDest) * fScale;
  const float fFloor = std::floor(f);
  Sample s;
  s.lNear = std::min(static_cast<int32_t>(fFloor), lSourceSize - 1);
  s.lFar = std::min(s.lNear + 1, lSourceSize - 1);
  s.fT = f - fFloor;
  s.fOneMinusT = 1.0F - s.fT;
  return s;
}

// The vertical step of a destination row for every source column, each channel in a plane of
// its own: pV[k][x] = round((1 - ty) p0 + ty p1) for channel k (blue, green, red) of column x.
BRENNIC_SIMD_CLONES void InterpolateRows(const uint8_t* p0, const uint8_t* p1, int64_t lWidth,
                                         float fOneMinusT, float fT, float* const pV[3]) {
  int64_t x = 0;
  for (; x + kQuadsReach <= lWidth; x += 16) {
    const u32x16 a = LoadQuads16(p0 + 3 * x);
    const u32x16 b = LoadQuads16(p1 + 3 * x);
    for (int k = 0; k < 3; ++k) {
      const f32x16 fa = __builtin_convertvector(ChannelOf(a, k), f32x16) * fOneMinusT;
      const f32x16 fb = __builtin_convertvector(ChannelOf(b, k), f32x16) * fT;
      StoreU(pV[k] + x, RoundEven(fa + fb));
    }
  }
  for (; x < lWidth; ++x) {
    for (int k = 0; k < 3; ++k) {
      const float a = static_cast<float>(p0[3 * x + k]) * fOneMinusT;
      const float b = static_cast<float>(p1[3 * x + k]) * fT;
      pV[k][x] = std::nearbyintf(a + b);
    }
  }
}

// Sixteen destination columns whose source columns all lie within 32 of lFirst: the horizontal
// step picks them from two vectors of the plane. Others take the one-by-one way.
struct ColumnBlock {
  int32_t lFirst;     // source column; -1: columns too far apart
  int32_t lNear[16];  // x0 - lFirst
  int32_t lFar[16];   // x0 + 1 - lFirst, clamped
  float fT[16];       // tx
};

std::vector<ColumnBlock> MakeColumnBlocks(const std::vector<Sample>& columns) {
  std::vector<ColumnBlock> blocks(columns.size() / 16);
  for (size_t k = 0; k < blocks.size(); ++k) {
    ColumnBlock& b = blocks[k];
    const Sample* s = &columns[16 * k];
    b.lFirst = s[0].lNear;
    // The window read is 32 floats from lFirst (the planes are padded past the last column).
    if (s[15].lFar - b.lFirst >= 32) b.lFirst = -1;
    for (int l = 0; l < 16; ++l) {
      b.lNear[l] = s[l].lNear - s[0].lNear;
      b.lFar[l] = s[l].lFar - s[0].lNear;
      b.fT[l] = s[l].fT;
    }
  }
  return blocks;
}

// One channel of a block: round((1 - tx) A + tx B).
BRENNIC_LANE i32x16 Horizontal16(const float* pPlane, const ColumnBlock& b, f32x16 fT) {
  const auto v0 = LoadU<f32x16>(pPlane + b.lFirst);
  const auto v1 = LoadU<f32x16>(pPlane + b.lFirst + 16);
  const f32x16 a = __builtin_shuffle(v0, v1, LoadU<i32x16>(b.lNear));
  const f32x16 c = __builtin_shuffle(v0, v1, LoadU<i32x16>(b.lFar));
  return __builtin_convertvector(RoundEven((1.0F - fT) * a + fT * c), i32x16);
}

void HorizontalOne(const float* const pV[3], const Sample& s, uint8_t* pOut) {
  for (int k = 0; k < 3; ++k) {
    const float a = s.fOneMinusT * pV[k][s.lNear];
    const float b = s.fT * pV[k][s.lFar];
    pOut[k] = static_cast<uint8_t>(std::nearbyintf(a + b));
  }
}

// The horizontal step of one destination row from the planes of the vertical step, from block
// lFromBlock on (the planes need to hold only the columns from there).
BRENNIC_SIMD_CLONES void InterpolateColumns(const float* const pV[3],
                                            const std::vector<Sample>& columns,
                                            const std::vector<ColumnBlock>& blocks,
                                            size_t lFromBlock, uint8_t* pOut) {
  for (size_t k = lFromBlock; k < blocks.size(); ++k) {
    const ColumnBlock& b = blocks[k];
    uint8_t* p = pOut + 48 * k;
    if (b.lFirst < 0) {
      for (size_t l = 0; l < 16; ++l)
        HorizontalOne(pV, columns[16 * k + l], p + 3 * l);
      continue;
    }
    const auto fT = LoadU<f32x16>(b.fT);
    StoreQuads16(p, MakeQuads(Horizontal16(pV[0], b, fT), Horizontal16(pV[1], b, fT),
                              Horizontal16(pV[2], b, fT)));
  }
  for (size_t c = 16 * blocks.size(); c < columns.size(); ++c)
    HorizontalOne(pV, columns[c], pOut + 3 * c);
}

#ifdef BRENNIC_AVX512_LOOPS
// The window of a block is read as two 16-pixel loads of 64 bytes: the block's first column plus
// this many must lie within the source row.
constexpr int32_t kDirectReach = 16 + static_cast<int32_t>(kQuadsReach);
// How far ahead of a block the source rows are fetched into the cache (a prefetch past the end
// of the memory is harmless).
constexpr int64_t kPrefetchBytes = 768;

// GCC 12's AVX-512 headers start some vectors "undefined", which its own warnings flag.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
// Blocks [0, lBlocks) of one destination row straight from the source rows p0 (weight 1 - ty)
// and p1 (weight ty), with the rounding of RoundEven built into the instructions.
// kHalves 1 is for blocks whose columns all lie within 16 of their first (scaling up), which
// need only the first half of the window.
template <int kHalves>
__attribute__((target("avx512f,avx512bw"), noinline)) void InterpolateBlocksAvx512(
    const uint8_t* p0, const uint8_t* p1, float fOneMinusT, float fT, const ColumnBlock* pBlocks,
    size_t lBlocks, uint8_t* pOut) {
  constexpr int kNearest = _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC;
  // Four pixels' twelve bytes into each 16-byte block, then one channel's bytes into the lanes.
  const __m512i lSpread = _mm512_setr_epi32(0, 1, 2, 3, 3, 4, 5, 6, 6, 7, 8, 9, 9, 10, 11, 12);
  const __m512i lChannel[3] = {_mm512_broadcast_i32x4(_mm_setr_epi8(0, -1, -1, -1, 3, -1, -1, -1, 6,
                                                                    -1, -1, -1, 9, -1, -1, -1)),
                               _mm512_broadcast_i32x4(_mm_setr_epi8(1, -1, -1, -1, 4, -1, -1, -1, 7,
                                                                    -1, -1, -1, 10, -1, -1, -1)),
                               _mm512_broadcast_i32x4(_mm_setr_epi8(2, -1, -1, -1, 5, -1, -1, -1, 8,
                                                                    -1, -1, -1, 11, -1, -1, -1))};
  // And back: each lane's low three bytes, then the blocks' twelve bytes together.
  const __m512i lPackBytes =
      _mm512_broadcast_i32x4(_mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
  const __m512i lPackBlocks =
      _mm512_setr_epi32(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, 15, 15, 15, 15);
  const __m512 fNear = _mm512_set1_ps(fOneMinusT);
  const __m512 fFar = _mm512_set1_ps(fT);
  for (size_t k = 0; k < lBlocks; ++k) {
    const ColumnBlock& b = pBlocks[k];
    const uint8_t* q0 = p0 + 3 * int64_t{b.lFirst};
    const uint8_t* q1 = p1 + 3 * int64_t{b.lFirst};
    // A row is read once, a few kilobytes from each of two places: the hardware's stream
    // detection, which starts over at every page, lags behind without help.
    for (int64_t lAhead = kPrefetchBytes; lAhead < kPrefetchBytes + 96; lAhead += 64) {
      _mm_prefetch(reinterpret_cast<const char*>(q0 + lAhead), _MM_HINT_T0);
      _mm_prefetch(reinterpret_cast<const char*>(q1 + lAhead), _MM_HINT_T0);
    }
    __m512i a[kHalves], c[kHalves];
    for (int h = 0; h < kHalves; ++h) {
      a[h] = _mm512_permutexvar_epi32(lSpread, _mm512_loadu_si512(q0 + 48 * h));
      c[h] = _mm512_permutexvar_epi32(lSpread, _mm512_loadu_si512(q1 + 48 * h));
    }
    const __m512 fTx = _mm512_loadu_ps(b.fT);
    const __m512 fOneMinusTx = _mm512_sub_ps(_mm512_set1_ps(1.0F), fTx);
    const __m512i lNear = _mm512_loadu_si512(b.lNear);
    const __m512i lFar = _mm512_loadu_si512(b.lFar);
    __m512i lQuads = _mm512_setzero_si512();
#pragma GCC unroll 3
    for (int ch = 0; ch < 3; ++ch) {
      __m512 v[kHalves];
      for (int h = 0; h < kHalves; ++h) {
        const __m512 x =
            _mm512_mul_ps(_mm512_cvtepi32_ps(_mm512_shuffle_epi8(a[h], lChannel[ch])), fNear);
        const __m512 y =
            _mm512_mul_ps(_mm512_cvtepi32_ps(_mm512_shuffle_epi8(c[h], lChannel[ch])), fFar);
        v[h] = _mm512_roundscale_ps(_mm512_add_ps(x, y), kNearest);
      }
      const __m512 r = _mm512_add_ps(
          _mm512_mul_ps(fOneMinusTx, _mm512_permutex2var_ps(v[0], lNear, v[kHalves - 1])),
          _mm512_mul_ps(fTx, _mm512_permutex2var_ps(v[0], lFar, v[kHalves - 1])));
      lQuads =
          _mm512_or_si512(lQuads, _mm512_slli_epi32(_mm512_cvt_roundps_epi32(r, kNearest), 8 * ch));
    }
    const __m512i o =
        _mm512_permutexvar_epi32(lPackBlocks, _mm512_shuffle_epi8(lQuads, lPackBytes));
    // Not a masked 64-byte store: a later load overlapping its masked-off tail would wait.
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(pOut + 48 * k), _mm512_castsi512_si256(o));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pOut + 48 * k + 32),
                     _mm512_extracti32x4_epi32(o, 2));
  }
}

// A block for InterpolateBlocksByTable: where each lane's x0 lies in a window of the looked-up
// row that starts at the block's first column; x0 + 1 is the next column (scaling down, x0 stays
// below the last). Small, so that a row's blocks stay in the first-level cache beside the source
// being read.
struct alignas(32) TableBlock {
  float fT[16];
  uint8_t lNear[16];   // lane l: where x0 starts in the window (3 x its column there)
  int64_t lFirstByte;  // where the window starts in the row
};

// The source columns a block's window holds: 128 bytes, the reach of a two-vector permutation.
constexpr int32_t kWindowColumns = 42;

// Blocks take sixteen columns scaling down to about 37 %, eight to about 17 %, four to about 7 %:
// lLanes columns span at most (lLanes - 1) sx + 2 source columns. The lanes past a block's
// columns repeat its last.
int32_t TableLanes(float sx) {
  for (const int32_t lLanes : {16, 8, 4}) {
    if (static_cast<float>(lLanes - 1) * sx + 2.0F < static_cast<float>(kWindowColumns)) {
      return lLanes;
    }
  }
  return 0;
}

// The leading blocks of lLanes columns whose x0 and x0 + 1 lie in a window from the first and
// never clamp x0 + 1, as many as make whole groups of sixteen columns.
std::vector<TableBlock> MakeTableBlocks(const std::vector<Sample>& columns, int32_t lLanes) {
  std::vector<TableBlock> t;
  if (lLanes == 0) return t;
  const auto L = static_cast<size_t>(lLanes);
  for (size_t c = 0; c + L <= columns.size(); c += L) {
    const Sample* s = &columns[c];
    if (s[L - 1].lFar - s[0].lNear >= kWindowColumns ||
        std::any_of(s, s + L, [](const Sample& e) { return e.lFar != e.lNear + 1; })) {
      break;
    }
    TableBlock& n = t.emplace_back();
    n.lFirstByte = 3 * int64_t{s[0].lNear};
    for (size_t l = 0; l < 16; ++l) {
      const Sample& e = s[std::min(l, L - 1)];
      n.lNear[l] = static_cast<uint8_t>(3 * (e.lNear - s[0].lNear));
      n.fT[l] = e.fT;
    }
  }
  t.resize(t.size() / (16 / L) * (16 / L));
  return t;
}

#define BRENNIC_VBMI __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// Sixty-four bytes of a row's vertical step: p0 + table[p1 - p0] or p0 - table[p0 - p1]. In
// pictures neighbouring rows mostly differ by less than 64, where the first quarter of the table
// does in one permutation.
BRENNIC_VBMI inline __attribute__((always_inline)) __m512i LookUpVertical(__m512i a, __m512i c,
                                                                          const __m512i t[4]) {
  const __m512i d = _mm512_or_si512(_mm512_subs_epu8(a, c), _mm512_subs_epu8(c, a));
  __m512i r;
  if (_mm512_test_epi8_mask(d, _mm512_set1_epi8(static_cast<char>(0xC0))) == 0) {
    r = _mm512_permutexvar_epi8(d, t[0]);
  } else {
    r = _mm512_mask_mov_epi8(_mm512_permutex2var_epi8(t[0], d, t[1]), _mm512_movepi8_mask(d),
                             _mm512_permutex2var_epi8(t[2], d, t[3]));
  }
  return _mm512_mask_sub_epi8(_mm512_add_epi8(a, r), _mm512_cmpgt_epu8_mask(a, c), a, r);
}

// How much of the looked-up row is kept: a ring of kRing bytes, whose first 128 are repeated
// after it so that any 128-byte window starting in the ring is read in one piece.
constexpr int64_t kRing = 1024;
constexpr int64_t kRingBytes = kRing + 128;

// Blocks [0, lBlocks) of lLanes columns of one destination row: the vertical step of the source
// rows p0 and p1 (lRowBytes each) looked up in pTable, a little ahead of the blocks that read
// it, into the ring pRing (kRingBytes), then the horizontal step as in InterpolateBlocksAvx512.
// The ring keeps what the step needs in the first-level cache beside the blocks' tables.
BRENNIC_VBMI __attribute__((noinline)) void InterpolateBlocksByTable(
    const uint8_t* p0, const uint8_t* p1, int64_t lRowBytes, const uint8_t* pTable,
    const TableBlock* pBlocks, size_t lBlocks, int32_t lLanes, uint8_t* pRing, uint8_t* pOut) {
  const int64_t lBlockBytes = 3 * int64_t{lLanes};
  const __mmask64 lStored = (__mmask64{1} << lBlockBytes) - 1;
  constexpr int kNearest = _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC;
  // How far the vertical step runs ahead of a window's end; what it has done last must still
  // hold the window.
  constexpr int64_t kAhead = 256;
  static_assert(kRing >= 128 + kAhead + 64);
  const __m512i t[4] = {_mm512_loadu_si512(pTable), _mm512_loadu_si512(pTable + 64),
                        _mm512_loadu_si512(pTable + 128), _mm512_loadu_si512(pTable + 192)};
  const __m512i lGreen = _mm512_broadcast_i32x4(
      _mm_setr_epi8(1, -1, -1, -1, 5, -1, -1, -1, 9, -1, -1, -1, 13, -1, -1, -1));
  // Each lane's low three bytes, together.
  static constexpr auto kPack = [] {
    std::array<uint8_t, 64> a{};
    for (int i = 0; i < 48; ++i)
      a[i] = static_cast<uint8_t>(4 * (i / 3) + i % 3);
    return a;
  }();
  const __m512i lPack = _mm512_loadu_si512(kPack.data());
  const __m512i lByte = _mm512_set1_epi32(255);
  constexpr __mmask64 kThreeOfFour = 0x7777777777777777ULL;
  // Lane l's byte of the sixteen four times, plus 0, 1, 2 (blue, green, red) and 0.
  static constexpr auto kSpread = [] {
    std::array<uint8_t, 64> a{};
    for (int i = 0; i < 64; ++i)
      a[i] = static_cast<uint8_t>(i / 4);
    return a;
  }();
  const __m512i lSpread = _mm512_loadu_si512(kSpread.data());
  const __m512i lChannels = _mm512_set1_epi32(0x00020100);
  int64_t lDone = 0;
  for (size_t k = 0; k < lBlocks; ++k) {
    const TableBlock& b = pBlocks[k];
    const int64_t lNeed = std::min(b.lFirstByte + 128 + kAhead, lRowBytes);
    for (; lDone < lNeed; lDone += 64) {
      __m512i v;
      if (lRowBytes - lDone >= 64) {
        v = LookUpVertical(_mm512_loadu_si512(p0 + lDone), _mm512_loadu_si512(p1 + lDone), t);
      } else {  // the row's end: nothing past it is read
        const __mmask64 m = (__mmask64{1} << (lRowBytes - lDone)) - 1;
        v = LookUpVertical(_mm512_maskz_loadu_epi8(m, p0 + lDone),
                           _mm512_maskz_loadu_epi8(m, p1 + lDone), t);
      }
      const int64_t r = lDone & (kRing - 1);
      _mm512_store_si512(pRing + r, v);
      if (r < 128) _mm512_store_si512(pRing + kRing + r, v);
    }
    // Each lane's blue, green and red of x0 and of x0 + 1, then one channel at a time.
    const uint8_t* pWindow = pRing + (b.lFirstByte & (kRing - 1));
    const __m512i w0 = _mm512_loadu_si512(pWindow);
    const __m512i w1 = _mm512_loadu_si512(pWindow + 64);
    const __m512i lIndex = _mm512_add_epi8(
        _mm512_permutexvar_epi8(lSpread, _mm512_castsi128_si512(_mm_load_si128(
                                             reinterpret_cast<const __m128i*>(b.lNear)))),
        lChannels);
    const __m512i lNear = _mm512_maskz_permutex2var_epi8(kThreeOfFour, w0, lIndex, w1);
    const __m512i lFar = _mm512_maskz_permutex2var_epi8(
        kThreeOfFour, w0, _mm512_add_epi8(lIndex, _mm512_set1_epi8(3)), w1);
    const __m512i a[3] = {_mm512_and_si512(lNear, lByte), _mm512_shuffle_epi8(lNear, lGreen),
                          _mm512_srli_epi32(lNear, 16)};
    const __m512i c[3] = {_mm512_and_si512(lFar, lByte), _mm512_shuffle_epi8(lFar, lGreen),
                          _mm512_srli_epi32(lFar, 16)};
    const __m512 fTx = _mm512_loadu_ps(b.fT);
    const __m512 fOneMinusTx = _mm512_sub_ps(_mm512_set1_ps(1.0F), fTx);
    __m512i lQuads = _mm512_setzero_si512();
#pragma GCC unroll 3
    for (int ch = 0; ch < 3; ++ch) {
      const __m512 r = _mm512_add_ps(_mm512_mul_ps(fOneMinusTx, _mm512_cvtepi32_ps(a[ch])),
                                     _mm512_mul_ps(fTx, _mm512_cvtepi32_ps(c[ch])));
      lQuads =
          _mm512_or_si512(lQuads, _mm512_slli_epi32(_mm512_cvt_roundps_epi32(r, kNearest), 8 * ch));
    }
    // Nothing reads the output here, so a masked store waits for nothing.
    _mm512_mask_storeu_epi8(pOut + lBlockBytes * static_cast<int64_t>(k), lStored,
                            _mm512_permutexvar_epi8(lPack, lQuads));
  }
}
#undef BRENNIC_VBMI
#pragma GCC diagnostic pop
#endif

}  // namespace

BRENNIC_SIMD_CLONES bool MakeVerticalTable(float fT, uint8_t aTable[256]) {
  if (!(fT >= 0.0F && fT < 1.0F)) return false;
  // t = lT / 2^23 exactly (so 1 - t is exact too), and t k = lT k / 2^23 with lT k < 2^31.
  const float fScaled = fT * 8388608.0F;
  const auto lT = static_cast<int32_t>(fScaled);
  if (static_cast<float>(lT) != fScaled) return false;
  // Each of the three roundings (two products below 256, their sum below 256) is off by at most
  // 2^-17, 192 x 2^-23 in all. Where every t k is farther than that from a half, the rounded sum
  // is the integer nearest p0 + t (p1 - p0), which is p0 +- round(t |p1 - p0|). Rows with a
  // t k nearer a half (mostly exact halves, whose rounding to even depends on p0) are refused.
  constexpr int32_t kHalf = 1 << 22;
  constexpr int32_t kMargin = 192;
  int32_t lNearHalf = 0;
  for (int32_t k = 0; k < 256; ++k) {
    const int32_t p = lT * k;
    aTable[k] = static_cast<uint8_t>((p + kHalf) >> 23);
    const int32_t lFromHalf = (p & ((1 << 23) - 1)) - kHalf;
    lNearHalf |= static_cast<int32_t>(lFromHalf >= -kMargin && lFromHalf <= kMargin);
  }
  return lNearHalf == 0;
}

std::unique_ptr<cDIBSection> cDIBSection::Resample(int32_t lNewHeight, int32_t lNewWidth) const {
  if (lNewWidth < 1 || lNewHeight < 1 || DIBSectionBitsPtr() == nullptr) return nullptr;
  auto cNew = std::make_unique<cDIBSection>();
  if (!cNew->CreateForOverwrite(lNewWidth, lNewHeight)) return nullptr;
  if (lNewWidth == Width() && lNewHeight == Height()) {
    // The source's surface is only read by the transfer.
    cNew->LoadPictureBlt(const_cast<cDIBSection*>(this)->hdc(), 0, 0, -1, -1, SRCCOPY);
  } else {
    ResampleInto(*cNew);
  }
  return cNew;
}

bool cDIBSection::CreateForOverwrite(int32_t lWidth, int32_t lHeight) {
  m_bClearMemory = false;
  const bool bCreated = Create(lWidth, lHeight);
  m_bClearMemory = true;
  return bCreated;
}

void cDIBSection::ResampleInto(cDIBSection& cDest) const {
  const int32_t lWidth = Width(), lHeight = Height();
  const int32_t lNewWidth = cDest.Width(), lNewHeight = cDest.Height();
  const float sx = static_cast<float>(lWidth - 1) / static_cast<float>(lNewWidth);
  const float sy = static_cast<float>(lHeight - 1) / static_cast<float>(lNewHeight);
  std::vector<Sample> columns(static_cast<size_t>(lNewWidth));
  for (int32_t c = 0; c < lNewWidth; ++c)
    columns[static_cast<size_t>(c)] = SampleAt(c, sx, lWidth);
  const std::vector<ColumnBlock> blocks = MakeColumnBlocks(columns);
#ifdef BRENNIC_AVX512_LOOPS
  // The leading blocks done straight from the source rows.
  size_t lDirect = 0;
  // Scaling up, a block's columns lie within 16 of its first and one half of the window does.
  const bool bUp = sx <= 1.0F;
  if ((sx >= 1.5F || bUp) && CpuHasAvx512BW()) {
    while (lDirect < blocks.size() && blocks[lDirect].lFirst >= 0 &&
           blocks[lDirect].lFirst + kDirectReach <= lWidth &&
           (!bUp || blocks[lDirect].lFar[15] < 16)) {
      ++lDirect;
    }
  }
  const auto pDirect = bUp ? InterpolateBlocksAvx512<1> : InterpolateBlocksAvx512<2>;
  // Scaling down, a row the table serves takes the leading blocks whose columns fit a window of
  // the ring.
  const int32_t lLanes = sx > 1.0F && CpuHasAvx512Vbmi() ? TableLanes(sx) : 0;
  const std::vector<TableBlock> tableBlocks = MakeTableBlocks(columns, lLanes);
  const size_t lTable = tableBlocks.size();
  const int64_t lRowBytes = 3 * int64_t{lWidth};
#endif
  const uint8_t* pSrc = DIBSectionBitsPtr();
  uint8_t* pDest = cDest.DIBSectionBitsPtr();
  const int64_t lSrcStride = BytesPerScanLine();
  const int64_t lDestStride = cDest.BytesPerScanLine();
  const int64_t lGrain = std::max<int64_t>(1, (int64_t{1} << 16) / lDestStride);
  ParallelFor(lNewHeight, lGrain, [&](int64_t lFirst, int64_t lLast) {
    // Three planes, each with room for a 32-float window that starts at its last column, made
    // when a row first needs them; only the columns taken this way and the room are written.
    const auto lPlane = static_cast<size_t>(lWidth) + 32;
    std::unique_ptr<float[]> cPlanes;
    float* pV[3] = {};
#ifdef BRENNIC_AVX512_LOOPS
    // The looked-up row's ring; what lies past the row's end is read with the windows but never
    // used.
    alignas(64) uint8_t aRing[kRingBytes] = {};
    alignas(64) uint8_t aTable[256];
#endif
    for (int64_t y = lFirst; y < lLast; ++y) {
      const Sample row = SampleAt(static_cast<int32_t>(y), sy, lHeight);
      const uint8_t* p0 = pSrc + row.lNear * lSrcStride;
      const uint8_t* p1 = pSrc + row.lFar * lSrcStride;
      uint8_t* pRow = pDest + y * lDestStride;
      size_t lBlocksDone = 0;
#ifdef BRENNIC_AVX512_LOOPS
      if (lTable > 0 && MakeVerticalTable(row.fT, aTable)) {
        InterpolateBlocksByTable(p0, p1, lRowBytes, aTable, tableBlocks.data(), lTable, lLanes,
                                 aRing, pRow);
        lBlocksDone = lTable * static_cast<size_t>(lLanes) / 16;
      } else if (lDirect > 0) {
        pDirect(p0, p1, row.fOneMinusT, row.fT, blocks.data(), lDirect, pRow);
        lBlocksDone = lDirect;
      }
#endif
      // The planes from the first column the remaining destination columns read.
      if (16 * lBlocksDone < columns.size()) {
        if (!cPlanes) {
          cPlanes = std::make_unique_for_overwrite<float[]>(3 * lPlane);
          for (size_t k = 0; k < 3; ++k) {
            pV[k] = cPlanes.get() + k * lPlane;
            std::fill_n(pV[k] + lWidth, 32, 0.0F);
          }
        }
        const int64_t x0 = lBlocksDone > 0 ? columns[16 * lBlocksDone].lNear : 0;
        float* const pFrom[3] = {pV[0] + x0, pV[1] + x0, pV[2] + x0};
        InterpolateRows(p0 + 3 * x0, p1 + 3 * x0, lWidth - x0, row.fOneMinusT, row.fT, pFrom);
        InterpolateColumns(pV, columns, blocks, lBlocksDone, pRow);
      }
      // The row padding, as a new image has it.
      std::fill(pRow + 3 * int64_t{lNewWidth}, pRow + lDestStride, uint8_t{0});
    }
  });
}

}  // namespace brennic
