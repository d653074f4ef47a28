#include "FilterKernels.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <type_traits>

#include "mSimd.h"

// Vectors never cross a call here: every helper taking one is inlined into a cloned function, so
// GCC's note about the AVX-512 calling convention concerns no code of ours.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace brennic {

namespace {

#define FILTER_INLINE inline __attribute__((always_inline))

// Sixty-four bytes: one AVX-512 register, two AVX2 or four SSE2 registers.
typedef uint8_t vU8x64 __attribute__((vector_size(64)));
typedef uint8_t vU8x32 __attribute__((vector_size(32)));
typedef uint8_t vU8x16 __attribute__((vector_size(16)));
typedef uint16_t vU16x32 __attribute__((vector_size(64)));
typedef int16_t vS16x32 __attribute__((vector_size(64)));
typedef uint32_t vU32x16 __attribute__((vector_size(64)));
typedef int32_t vS32x16 __attribute__((vector_size(64)));
typedef uint32_t vU32x32 __attribute__((vector_size(128)));
typedef double vF64x16 __attribute__((vector_size(128)));

// --- Lane helpers: the same arithmetic for a whole vector or for one scalar --------------------

template <typename V>
FILTER_INLINE V Load(const void* p) {
  V v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <typename V>
FILTER_INLINE V LoadLane(const uint8_t* p) {
  if constexpr (std::is_arithmetic_v<V>) {
    return *p;
  } else {
    return Load<V>(p);
  }
}
// Stores fn(b) at pOut + b for b = lFirst, lFirst + n, ... below lLast, where fn returns a vector
// of n bytes; the last vector is cut at lLast.
template <typename Fn>
FILTER_INLINE void ForEachBlock(uint8_t* pOut, int64_t lFirst, int64_t lLast, Fn fn) {
  constexpr int64_t n = sizeof(fn(int64_t{0}));
  int64_t b = lFirst;
  for (; b + n <= lLast; b += n) {
    const auto v = fn(b);
    std::memcpy(pOut + b, &v, sizeof v);
  }
  if (b < lLast) {
    const auto v = fn(b);
    std::memcpy(pOut + b, &v, static_cast<size_t>(lLast - b));
  }
}
template <typename V>
FILTER_INLINE V Splat(int32_t x) {
  if constexpr (std::is_arithmetic_v<V>) {
    return V(x);
  } else {
    using Element = std::remove_cvref_t<decltype(V{}[0])>;
    return V{} + static_cast<Element>(x);
  }
}
template <typename V>
FILTER_INLINE V Min(V a, V b) {
  return a < b ? a : b;
}
template <typename V>
FILTER_INLINE V Max(V a, V b) {
  return a > b ? a : b;
}

// Runs fn over bytes [lFirst, lLast) of pOut: 64 at a time, then the rest one by one. fn takes a
// tag of the lane type (vU8x64 or uint8_t) and the byte offset and returns that lane type.
template <typename Fn>
FILTER_INLINE void ForEachByte(uint8_t* pOut, int64_t lFirst, int64_t lLast, Fn fn) {
  int64_t b = lFirst;
  for (; b + 64 <= lLast; b += 64) {
    const vU8x64 v = fn(vU8x64{}, b);
    std::memcpy(pOut + b, &v, sizeof v);
  }
  for (; b < lLast; ++b)
    pOut[b] = fn(uint8_t{}, b);
}

// --- Byte filters: rank and emboss work on the bytes themselves ------------------------------

// Per channel byte: the minimum or maximum of the 3 x 3 bytes around it. The filter keeps, for
// the row below, the rank of it and the current row (a pair row), so that output row y needs the
// pair row of y - 1 and the row above only, and makes the pair row of y on the way.
template <bool bMaximum, typename V>
FILTER_INLINE V Rank(V u, V v) {
  return bMaximum ? Max(u, v) : Min(u, v);
}

template <bool bMaximum>
FILTER_INLINE void RankRow(const uint8_t* pPairBelow, const uint8_t* pAbove, uint8_t* pRow,
                           uint8_t* pPair, int64_t lFirst, int64_t lLast, int64_t lRowBytes) {
  ForEachByte(
      pRow, lFirst, lLast, [&](auto tag, int64_t b) __attribute__((always_inline)) {
        using V = decltype(tag);
        // The pair row first: the result overwrites the current row's byte.
        const V pair = Rank<bMaximum>(LoadLane<V>(pRow + b), LoadLane<V>(pAbove + b));
        std::memcpy(pPair + b, &pair, sizeof pair);
        const auto column = [&](int64_t c) __attribute__((always_inline)) {
          return Rank<bMaximum>(LoadLane<V>(pPairBelow + c), LoadLane<V>(pAbove + c));
        };
        return Rank<bMaximum>(Rank<bMaximum>(column(b - 3), column(b)), column(b + 3));
      });
  for (int64_t b = 0; b < lFirst; ++b)
    pPair[b] = Rank<bMaximum>(pRow[b], pAbove[b]);
  for (int64_t b = lLast; b < lRowBytes; ++b)
    pPair[b] = Rank<bMaximum>(pRow[b], pAbove[b]);
}

BRENNIC_SIMD_CLONES void MinimumRow(const uint8_t* pPairBelow, const uint8_t* pAbove, uint8_t* pRow,
                                    uint8_t* pPair, int64_t lFirst, int64_t lLast,
                                    int64_t lRowBytes) {
  RankRow<false>(pPairBelow, pAbove, pRow, pPair, lFirst, lLast, lRowBytes);
}

BRENNIC_SIMD_CLONES void MaximumRow(const uint8_t* pPairBelow, const uint8_t* pAbove, uint8_t* pRow,
                                    uint8_t* pPair, int64_t lFirst, int64_t lLast,
                                    int64_t lRowBytes) {
  RankRow<true>(pPairBelow, pAbove, pRow, pPair, lFirst, lLast, lRowBytes);
}

// clamp(v + 127) for v in 0..255.
template <typename V>
FILTER_INLINE V Plus127(V v) {
  return V(Min(v, Splat<V>(128)) + Splat<V>(127));
}

// The emboss kernel's sum is upper right - lower left; clamped to 0..255 it is the saturated
// difference. The filter keeps a copy of each row for the next, made on the way.
BRENNIC_SIMD_CLONES void EmbossRow(const uint8_t* pKeptBelow, const uint8_t* pAbove, uint8_t* pRow,
                                   uint8_t* pKeep, int64_t lFirst, int64_t lLast,
                                   int64_t lRowBytes) {
  std::memcpy(pKeep, pRow, static_cast<size_t>(lFirst));
  std::memcpy(pKeep + lLast, pRow + lLast, static_cast<size_t>(lRowBytes - lLast));
  ForEachByte(
      pRow, lFirst, lLast, [&](auto tag, int64_t b) __attribute__((always_inline)) {
        using V = decltype(tag);
        const V current = LoadLane<V>(pRow + b);  // before the result overwrites it
        std::memcpy(pKeep + b, &current, sizeof current);
        const V upperRight = LoadLane<V>(pAbove + b + 3);
        const V lowerLeft = LoadLane<V>(pKeptBelow + b - 3);
        return Plus127(V(Max(upperRight, lowerLeft) - lowerLeft));
      });
}

BRENNIC_SIMD_CLONES void EmbossBorder(uint8_t* p, int64_t lBytes) {
  ForEachByte(
      p, 0, lBytes, [&](auto tag, int64_t b) __attribute__((always_inline)) {
        return Plus127(LoadLane<decltype(tag)>(p + b));
      });
}

// --- Weighted sums -------------------------------------------------------------------------
//
// Sums read the original rows widened to the sum's lane type (16 or 32 bits), so each source
// byte is widened once however many taps read it. Lanes wrap around like any unsigned integer;
// the kernel's bounds guarantee that the true sum fits the signed lane, so the wrapped value is
// the true sum.

// Exact floor(s / d) for a divisor d > 0 and 0 <= s <= lCap <= 32767, as (s * lMultiplier) >>
// lShift; no multiplication at all for d = 1.
struct cQuotient16 {
  int32_t lCap;  // min(255 d, 32767): larger sums give 255 anyway
  uint32_t lMultiplier;
  int32_t lShift;
  bool bDivide;
};

std::optional<cQuotient16> MakeQuotient16(int64_t d) {
  cQuotient16 q{static_cast<int32_t>(std::min<int64_t>(255 * d, 32767)), 0, 16, d != 1};
  if (d <= 32767) {
    int32_t lLog = 0;
    while ((int64_t{2} << lLog) <= d)
      ++lLog;
    q.lShift = 16 + lLog;
    q.lMultiplier = static_cast<uint32_t>(((int64_t{1} << q.lShift) + d - 1) / d);
  }
  for (int64_t s = 0; s <= q.lCap; ++s) {
    if (((uint64_t(s) * q.lMultiplier) >> q.lShift) != uint64_t(s / d)) return std::nullopt;
  }
  return q;
}

// The step after the quotient q, which is already within 0..255.
template <EConvolveStep eStep, typename V>
FILTER_INLINE V ApplyStep(V q, V centre) {
  if constexpr (eStep == EConvolveStep::eUnsharp) {
    return Min(Max(V(centre + centre - q), Splat<V>(0)), Splat<V>(255));
  } else if constexpr (eStep == EConvolveStep::eEmboss) {
    return Min(V(q + 127), Splat<V>(255));
  } else {
    return q;
  }
}

// Kernels whose sums are written out: the built-in ones (as box sums plus a multiple of the
// centre), and any kernel of a given size. A kernel equal to a built-in one takes its shape,
// whatever its weight.
enum class EShape {
  eBlur,         // box 3 x 3
  eBlurMore,     // box 5 x 5
  eSoften,       // box 3 x 3 + 3 centre
  eSoftenMore,   // box 5 x 5 + box 3 x 3 + 10 centre
  eSharpen,      // 16 centre - box 3 x 3
  eSharpenMore,  // 5 centre - the four edge neighbours
  eKernel3,      // any 3 x 3 .. 9 x 9 kernel, value by value
  eKernel5,
  eKernel7,
  eKernel9,
};

int32_t ShapeValue(EShape eShape, int32_t i, int32_t j) {
  const int32_t d = std::max(i < 0 ? -i : i, j < 0 ? -j : j);
  switch (eShape) {
    case EShape::eBlur:
    case EShape::eBlurMore:
      return 1;
    case EShape::eSoften:
      return d == 0 ? 4 : 1;
    case EShape::eSoftenMore:
      return d == 0 ? 12 : (d == 1 ? 2 : 1);
    case EShape::eSharpen:
      return d == 0 ? 15 : -1;
    case EShape::eSharpenMore:
      return d == 0 ? 5 : (i == 0 || j == 0 ? -1 : 0);
    default:
      return 0;
  }
}

constexpr int32_t ShapeHalf(EShape eShape) {
  switch (eShape) {
    case EShape::eBlurMore:
    case EShape::eSoftenMore:
    case EShape::eKernel5:
      return 2;
    case EShape::eKernel7:
      return 3;
    case EShape::eKernel9:
      return 4;
    default:
      return 1;
  }
}

// Box sums are separable: each output row first adds its 3 or 5 source rows byte by byte (the
// column sums), then adds 3 or 5 column sums along the row.
constexpr bool UsesColumns3(EShape eShape) {
  return eShape == EShape::eBlur || eShape == EShape::eSoften || eShape == EShape::eSoftenMore ||
         eShape == EShape::eSharpen;
}
constexpr bool UsesColumns5(EShape eShape) {
  return eShape == EShape::eBlurMore || eShape == EShape::eSoftenMore;
}

// Column sums are made for segments of a row that stay in the first-level cache.
constexpr int64_t kSegment = 1024;
// Column sums past the segment's end that its last block may read (and a vector more).
constexpr int64_t kColumnsAfter = 6 * 2 + 32;
// Widened lanes past each row's end that the column sums of the last segment read.
constexpr int64_t kRowSlack = kColumnsAfter + 32 + 3 * 4;

// One output block of 32 lanes at byte b. At(i, j) reads the widened source at b + 3i of row
// y + j; Columns<R>(i) the sum of rows y - R .. y + R at b + 3i.
struct cBlock16 {
  const uint16_t* const* pRow;  // rows y - h .. y + h
  int32_t h;
  int64_t b;
  const uint16_t* pColumns3;  // column sums of the segment, from byte lColumnBase on
  const uint16_t* pColumns5;
  int64_t lColumnBase;

  FILTER_INLINE vU16x32 At(int32_t i, int32_t j) const {
    return Load<vU16x32>(pRow[j + h] + b + 3 * i);
  }
  template <int32_t R>
  FILTER_INLINE vU16x32 Columns(int32_t i) const {
    return Load<vU16x32>((R == 1 ? pColumns3 : pColumns5) + (b + 3 * i - lColumnBase));
  }
  template <int32_t R>
  FILTER_INLINE vU16x32 Box() const {
    vU16x32 s = {};
#pragma GCC unroll 5
    for (int32_t i = -R; i <= R; ++i)
      s += Columns<R>(i);
    return s;
  }
};

template <EShape eShape>
FILTER_INLINE vU16x32 ShapeSum(const cBlock16& at, const vU16x32* pK) {
  constexpr int32_t h = ShapeHalf(eShape);
  const vU16x32 c = at.At(0, 0);
  if constexpr (eShape == EShape::eBlur || eShape == EShape::eBlurMore) {
    return at.Box<h>();
  } else if constexpr (eShape == EShape::eSoften) {
    return at.Box<1>() + c * 3;
  } else if constexpr (eShape == EShape::eSoftenMore) {
    return at.Box<2>() + at.Box<1>() + c * 10;
  } else if constexpr (eShape == EShape::eSharpen) {
    return c * 16 - at.Box<1>();
  } else if constexpr (eShape == EShape::eSharpenMore) {
    return c * 5 - at.At(-1, 0) - at.At(1, 0) - at.At(0, -1) - at.At(0, 1);
  } else {
    vU16x32 s = {};
#pragma GCC unroll 9
    for (int32_t j = -h; j <= h; ++j) {
#pragma GCC unroll 9
      for (int32_t i = -h; i <= h; ++i)
        s += at.At(i, j) * pK[(j + h) * (2 * h + 1) + i + h];
    }
    return s;
  }
}

struct cSumRow16 {
  const uint16_t* const* pRow;  // widened original rows y - h .. y + h
  const vU16x32* pK;            // the kernel values, each in every lane (eKernel shapes)
  cQuotient16 q;
  uint8_t* pOut;
  int64_t lFirst;
  int64_t lLast;
};

template <EShape eShape, EConvolveStep eStep>
FILTER_INLINE void SumRowLoop(const cSumRow16& r) {
  // Everything the loop reads is copied into locals: the stores into the image could alias
  // anything reached through a pointer, and would force reloads.
  constexpr int32_t h = ShapeHalf(eShape);
  const uint16_t* pRow[2 * h + 1];
  std::copy(r.pRow, r.pRow + 2 * h + 1, pRow);
  const vU16x32* pK = r.pK;
  const vS16x32 cap = Splat<vS16x32>(r.q.lCap), zero = {};
  const uint32_t lMultiplier = r.q.lMultiplier;
  const int32_t lShift = r.q.lShift;
  const bool bDivide = r.q.bDivide;
  alignas(64) uint16_t columns3[UsesColumns3(eShape) ? kSegment + kColumnsAfter + 32 : 1];
  alignas(64) uint16_t columns5[UsesColumns5(eShape) ? kSegment + kColumnsAfter + 32 : 1];

  for (int64_t lSegment = r.lFirst; lSegment < r.lLast; lSegment += kSegment) {
    const int64_t lEnd = std::min(lSegment + kSegment, r.lLast);
    const int64_t lBase = lSegment - 3 * h;
    if constexpr (UsesColumns3(eShape) || UsesColumns5(eShape)) {
      for (int64_t c = lBase; c < lEnd + kColumnsAfter; c += 32) {
        const auto row = [&](int32_t j) __attribute__((always_inline)) {
          return Load<vU16x32>(pRow[j + h] + c);
        };
        const vU16x32 sum3 = row(-1) + row(0) + row(1);
        if constexpr (UsesColumns3(eShape)) std::memcpy(columns3 + (c - lBase), &sum3, 64);
        if constexpr (UsesColumns5(eShape)) {
          const vU16x32 sum5 = sum3 + row(-2) + row(2);
          std::memcpy(columns5 + (c - lBase), &sum5, 64);
        }
      }
    }
    ForEachBlock(
        r.pOut, lSegment, lEnd, [&](int64_t b) __attribute__((always_inline)) {
          const cBlock16 at{pRow, h, b, columns3, columns5, lBase};
          vS16x32 q = Min(Max(vS16x32(ShapeSum<eShape>(at, pK)), zero), cap);
          if (bDivide) {
            const vU32x32 wide = __builtin_convertvector(vU16x32(q), vU32x32) * lMultiplier;
            q = __builtin_convertvector(wide >> lShift, vS16x32);
          }
          const vS16x32 v = ApplyStep<eStep>(q, vS16x32(at.At(0, 0)));
          return __builtin_convertvector(v, vU8x32);
        });
  }
}

template <EShape eShape>
FILTER_INLINE void SumRowForStep(const cSumRow16& r, EConvolveStep eStep) {
  switch (eStep) {
    case EConvolveStep::eQuotient:
      return SumRowLoop<eShape, EConvolveStep::eQuotient>(r);
    case EConvolveStep::eUnsharp:
      return SumRowLoop<eShape, EConvolveStep::eUnsharp>(r);
    case EConvolveStep::eEmboss:
      return SumRowLoop<eShape, EConvolveStep::eEmboss>(r);
  }
}

BRENNIC_SIMD_CLONES void SumRow(const cSumRow16& r, EShape eShape, EConvolveStep eStep) {
  switch (eShape) {
    case EShape::eBlur:
      return SumRowForStep<EShape::eBlur>(r, eStep);
    case EShape::eBlurMore:
      return SumRowForStep<EShape::eBlurMore>(r, eStep);
    case EShape::eSoften:
      return SumRowForStep<EShape::eSoften>(r, eStep);
    case EShape::eSoftenMore:
      return SumRowForStep<EShape::eSoftenMore>(r, eStep);
    case EShape::eSharpen:
      return SumRowForStep<EShape::eSharpen>(r, eStep);
    case EShape::eSharpenMore:
      return SumRowForStep<EShape::eSharpenMore>(r, eStep);
    case EShape::eKernel3:
      return SumRowForStep<EShape::eKernel3>(r, eStep);
    case EShape::eKernel5:
      return SumRowForStep<EShape::eKernel5>(r, eStep);
    case EShape::eKernel7:
      return SumRowForStep<EShape::eKernel7>(r, eStep);
    case EShape::eKernel9:
      return SumRowForStep<EShape::eKernel9>(r, eStep);
  }
}

// Sums that need 32 bits: the kernel's non-zero taps one by one, divided in double precision
// (every 32-bit sum and weight is exact there, and so is the truncated quotient).
struct cTap {
  int32_t lRow;     // j + half: index into the source rows
  int32_t lOffset;  // 3 i: byte offset of the neighbour
  int32_t lValue;
};

struct cSumRow32 {
  const uint32_t* const* pTap;  // per tap: widened source row + tap offset
  const uint32_t* pK;           // per tap: kernel value (wrapped to 32 bits)
  int32_t lTaps;
  const uint32_t* pCentre;  // widened original of the output row
  double dWeight;
  uint8_t* pOut;
  int64_t lFirst;
  int64_t lLast;
};

template <EConvolveStep eStep>
FILTER_INLINE void SumRowLoop(const cSumRow32& r) {
  ForEachBlock(
      r.pOut, r.lFirst, r.lLast, [&](int64_t b) __attribute__((always_inline)) {
        vU32x16 acc = {};
        for (int32_t t = 0; t < r.lTaps; ++t)
          acc += Load<vU32x16>(r.pTap[t] + b) * r.pK[t];
        const vF64x16 quotient = __builtin_convertvector(vS32x16(acc), vF64x16) / r.dWeight;
        vS32x16 v = __builtin_convertvector(quotient, vS32x16);
        v = Min(Max(v, Splat<vS32x16>(0)), Splat<vS32x16>(255));
        v = ApplyStep<eStep>(v, vS32x16(Load<vU32x16>(r.pCentre + b)));
        return __builtin_convertvector(v, vU8x16);
      });
}

BRENNIC_SIMD_CLONES void SumRow(const cSumRow32& r, EConvolveStep eStep) {
  switch (eStep) {
    case EConvolveStep::eQuotient:
      return SumRowLoop<EConvolveStep::eQuotient>(r);
    case EConvolveStep::eUnsharp:
      return SumRowLoop<EConvolveStep::eUnsharp>(r);
    case EConvolveStep::eEmboss:
      return SumRowLoop<EConvolveStep::eEmboss>(r);
  }
}

// pOut[0 .. lBytes) = p[0 .. lBytes), then zeros up to lTotal (what the last block overreads).
template <typename Narrow, typename Wide, typename Lane>
FILTER_INLINE void WidenLoop(const uint8_t* p, Lane* pOut, int64_t lBytes, int64_t lTotal) {
  constexpr int64_t kLanes = sizeof(Narrow);
  int64_t b = 0;
  for (; b + kLanes <= lBytes; b += kLanes) {
    const Wide v = __builtin_convertvector(Load<Narrow>(p + b), Wide);
    std::memcpy(pOut + b, &v, sizeof v);
  }
  for (; b < lBytes; ++b)
    pOut[b] = p[b];
  for (; b < lTotal; ++b)
    pOut[b] = 0;
}

BRENNIC_SIMD_CLONES void Widen(const uint8_t* p, uint16_t* pOut, int64_t lBytes, int64_t lTotal) {
  WidenLoop<vU8x32, vU16x32>(p, pOut, lBytes, lTotal);
}

BRENNIC_SIMD_CLONES void Widen(const uint8_t* p, uint32_t* pOut, int64_t lBytes, int64_t lTotal) {
  WidenLoop<vU8x16, vU32x16>(p, pOut, lBytes, lTotal);
}

// The widened original rows y - h .. y + h of the output row, kept per thread between the rows
// of a strip (row r in slot r mod 2h + 1) so that only row y + h is new. Each row has zeros
// after its end for the last blocks to read.
template <typename Lane>
const Lane* const* WidenedRows(const cFilterRow& row, int64_t h) {
  thread_local std::vector<Lane> ring;
  thread_local std::vector<const Lane*> rows;
  const int64_t lSlots = 2 * h + 1;
  const int64_t lRowBytes = row.lLast + 3 * h;
  const int64_t lLength = lRowBytes + kRowSlack;
  ring.resize(static_cast<size_t>(lSlots * lLength));
  rows.resize(static_cast<size_t>(lSlots));
  auto slot = [&](int64_t r) { return ring.data() + (r % lSlots) * lLength; };
  for (int64_t j = row.bStripStart ? 0 : 2 * h; j <= 2 * h; ++j)
    Widen(row.pSource[j], slot(row.y - h + j), lRowBytes, lLength);
  for (int64_t j = 0; j <= 2 * h; ++j)
    rows[static_cast<size_t>(j)] = slot(row.y - h + j);
  return rows.data();
}

// --- The filters ---------------------------------------------------------------------------

// A convolution's border: untouched, or + 127 for the emboss step.
class cConvolution : public cNeighbourhoodFilter {
 public:
  cConvolution(int32_t lHalf, EConvolveStep eStep, bool bKeepsRows = false)
      : cNeighbourhoodFilter(lHalf, bKeepsRows), m_eStep(eStep) {}
  bool ChangesBorder() const override { return m_eStep == EConvolveStep::eEmboss; }
  void Border(uint8_t* p, int64_t lBytes) const override { EmbossBorder(p, lBytes); }

 protected:
  EConvolveStep m_eStep;
};

class cSum16Filter final : public cConvolution {
 public:
  cSum16Filter(int32_t lSize, const std::vector<int32_t>& lValues, EShape eShape, cQuotient16 q,
               EConvolveStep eStep)
      : cConvolution(lSize / 2, eStep, true), m_eShape(eShape), m_q(q), m_k(lValues.size()) {
    for (size_t t = 0; t < lValues.size(); ++t)
      m_k[t] = Splat<vU16x32>(static_cast<uint16_t>(lValues[t]));
  }
  void Row(const cFilterRow& row) const override {
    const cSumRow16 r{
        WidenedRows<uint16_t>(row, Half()), m_k.data(), m_q, row.pOut, row.lFirst, row.lLast};
    SumRow(r, m_eShape, m_eStep);
  }

 private:
  EShape m_eShape;
  cQuotient16 m_q;
  std::vector<vU16x32> m_k;
};

class cSum32Filter final : public cConvolution {
 public:
  cSum32Filter(int32_t lHalf, const std::vector<cTap>& taps, int32_t lWeight, EConvolveStep eStep)
      : cConvolution(lHalf, eStep, true), m_taps(taps), m_dWeight(lWeight) {
    for (const cTap& t : taps)
      m_k.push_back(static_cast<uint32_t>(t.lValue));
  }
  void Row(const cFilterRow& row) const override {
    const uint32_t* const* pRow = WidenedRows<uint32_t>(row, Half());
    thread_local std::vector<const uint32_t*> tapRows;
    tapRows.resize(m_taps.size());
    for (size_t t = 0; t < m_taps.size(); ++t)
      tapRows[t] = pRow[m_taps[t].lRow] + m_taps[t].lOffset;
    SumRow(cSumRow32{tapRows.data(), m_k.data(), static_cast<int32_t>(m_k.size()), pRow[Half()],
                     m_dWeight, row.pOut, row.lFirst, row.lLast},
           m_eStep);
  }

 private:
  std::vector<cTap> m_taps;
  std::vector<uint32_t> m_k;
  double m_dWeight;
};

// Sums beyond 32 bits (kernels with huge values): plain 64-bit arithmetic, one byte at a time.
class cSum64Filter final : public cConvolution {
 public:
  cSum64Filter(int32_t lHalf, const std::vector<cTap>& taps, int32_t lWeight, EConvolveStep eStep)
      : cConvolution(lHalf, eStep), m_taps(taps), m_lWeight(lWeight) {}
  void Row(const cFilterRow& row) const override {
    for (int64_t b = row.lFirst; b < row.lLast; ++b) {
      int64_t s = 0;
      for (const cTap& t : m_taps)
        s += int64_t{t.lValue} * row.pSource[t.lRow][b + t.lOffset];
      int64_t v = std::clamp<int64_t>(s / m_lWeight, 0, 255);
      if (m_eStep == EConvolveStep::eUnsharp) {
        v = ApplyStep<EConvolveStep::eUnsharp>(v, int64_t{row.pSource[Half()][b]});
      } else if (m_eStep == EConvolveStep::eEmboss) {
        v = ApplyStep<EConvolveStep::eEmboss>(v, v);
      }
      row.pOut[b] = static_cast<uint8_t>(v);
    }
  }

 private:
  std::vector<cTap> m_taps;
  int64_t m_lWeight;
};

class cEmbossFilter final : public cConvolution {
 public:
  cEmbossFilter() : cConvolution(1, EConvolveStep::eEmboss, true) {}
  void Row(const cFilterRow& row) const override {
    const int64_t lRowBytes = row.lLast + 3;
    // Copies of rows y - 1 and y, row r in slot r mod 2.
    thread_local std::vector<uint8_t> kept;
    kept.resize(static_cast<size_t>(2 * lRowBytes));
    uint8_t* pKeptBelow = kept.data() + ((row.y - 1) % 2) * lRowBytes;
    if (row.bStripStart) std::memcpy(pKeptBelow, row.pSource[0], static_cast<size_t>(lRowBytes));
    EmbossRow(pKeptBelow, row.pSource[2], row.pOut, kept.data() + (row.y % 2) * lRowBytes,
              row.lFirst, row.lLast, lRowBytes);
  }
};

class cRankFilter final : public cNeighbourhoodFilter {
 public:
  explicit cRankFilter(bool bMaximum) : cNeighbourhoodFilter(1, true), m_bMaximum(bMaximum) {}
  void Row(const cFilterRow& row) const override {
    const int64_t lRowBytes = row.lLast + 3;
    // The pair rows of y - 1 and y, row r in slot r mod 2.
    thread_local std::vector<uint8_t> pairs;
    pairs.resize(static_cast<size_t>(2 * lRowBytes));
    uint8_t* pPairBelow = pairs.data() + ((row.y - 1) % 2) * lRowBytes;
    uint8_t* pPair = pairs.data() + (row.y % 2) * lRowBytes;
    if (row.bStripStart) {
      for (int64_t b = 0; b < lRowBytes; ++b) {
        pPairBelow[b] = m_bMaximum ? std::max(row.pSource[0][b], row.pSource[1][b])
                                   : std::min(row.pSource[0][b], row.pSource[1][b]);
      }
    }
    (m_bMaximum ? MaximumRow : MinimumRow)(pPairBelow, row.pSource[2], row.pOut, pPair, row.lFirst,
                                           row.lLast, lRowBytes);
  }

 private:
  bool m_bMaximum;
};

// The shape whose sum the 16-bit loop writes out for this kernel.
// Empty values give the shape of any kernel of the size.
EShape ShapeOf(int32_t lSize, const std::vector<int32_t>& lValues) {
  const int32_t h = lSize / 2;
  for (EShape eShape : {EShape::eBlur, EShape::eBlurMore, EShape::eSoften, EShape::eSoftenMore,
                        EShape::eSharpen, EShape::eSharpenMore}) {
    if (ShapeHalf(eShape) != h || lValues.empty()) continue;
    bool bSame = true;
    for (int32_t j = -h; j <= h && bSame; ++j) {
      for (int32_t i = -h; i <= h && bSame; ++i)
        bSame = lValues[static_cast<size_t>((j + h) * lSize + i + h)] == ShapeValue(eShape, i, j);
    }
    if (bSame) return eShape;
  }
  switch (h) {
    case 1:
      return EShape::eKernel3;
    case 2:
      return EShape::eKernel5;
    case 3:
      return EShape::eKernel7;
    default:
      return EShape::eKernel9;
  }
}

}  // namespace

std::unique_ptr<cNeighbourhoodFilter> MakeConvolution(int32_t lSize,
                                                      const std::vector<int32_t>& lValues,
                                                      int32_t lWeight, EConvolveStep eStep) {
  const int32_t h = lSize / 2;
  const int32_t lWeightUsed = lWeight == 0 ? 1 : lWeight;
  static const std::vector<int32_t> kEmboss = {-1, 0, 0, 0, 0, 0, 0, 0, 1};
  if (eStep == EConvolveStep::eEmboss && lWeightUsed == 1 && lSize == 3 && lValues == kEmboss) {
    return std::make_unique<cEmbossFilter>();
  }

  std::vector<cTap> taps;
  int64_t lMost = 0, lLeast = 0;  // the largest and smallest sum the kernel can give
  for (int32_t j = -h; j <= h; ++j) {
    for (int32_t i = -h; i <= h; ++i) {
      const int32_t k = lValues[static_cast<size_t>((j + h) * lSize + i + h)];
      if (k == 0) continue;
      taps.push_back({j + h, 3 * i, k});
      (k > 0 ? lMost : lLeast) += int64_t{255} * k;
    }
  }
  if (lMost <= INT16_MAX && lLeast >= -INT16_MAX) {
    // A negative weight divides the negated sum by its magnitude: same quotient.
    if (const auto q = MakeQuotient16(lWeightUsed < 0 ? -int64_t{lWeightUsed} : lWeightUsed)) {
      if (lWeightUsed > 0) {
        return std::make_unique<cSum16Filter>(lSize, lValues, ShapeOf(lSize, lValues), *q, eStep);
      }
      std::vector<int32_t> lNegated(lValues.size());
      std::transform(lValues.begin(), lValues.end(), lNegated.begin(),
                     [](int32_t k) { return -k; });  // |k| <= 128 here
      return std::make_unique<cSum16Filter>(lSize, lNegated, ShapeOf(lSize, {}), *q, eStep);
    }
  }
  if (lMost <= INT32_MAX && lLeast >= -INT32_MAX) {
    return std::make_unique<cSum32Filter>(h, taps, lWeightUsed, eStep);
  }
  return std::make_unique<cSum64Filter>(h, taps, lWeightUsed, eStep);
}

std::unique_ptr<cNeighbourhoodFilter> MakeRankFilter(bool bMaximum) {
  return std::make_unique<cRankFilter>(bMaximum);
}

}  // namespace brennic
