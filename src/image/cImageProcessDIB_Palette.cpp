// Palette reduction: error diffusion towards the nearest palette colour, column by column.
//
// The result is that of the plain loop, which asks cPalette::ClosestIndex for every pixel. The
// search here finds the same entry faster: the one of smallest (distance, index), which is what
// the linear search with its early exact match and strict improvement returns. With up to 64
// entries every lane compares its colour with all of them at once; larger palettes are first
// narrowed down to the candidates of the colour's cell of the cube, searched across the lanes by
// gathers (up to 256 entries, on processors with AVX-512) or lane by lane.

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "cColumnProgress.h"
#include "cError.h"
#include "cErrorDiffusion.h"
#include "cImageProcessDIB.h"
#include "cPalette.h"
#include "cPixelPass.h"
#include "mConventions.h"
#include "mPixelLanes.h"
#include "mSimd.h"

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
#include <immintrin.h>
#endif

namespace brennic {

using namespace lanes;

namespace {

// Palettes of up to 256 entries on processors with AVX-512: the sixteen lanes' searches run
// together, the candidates of each lane's cell fetched by gathers. Each candidate is one word,
// blue | green << 8 | red << 16 | (index - 1) << 24, so (distance << 8 | index - 1) is the key
// whose smallest is the nearest entry, the first in palette order on ties.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
#define BRENNIC_GATHER_SEARCH 1

bool CanGather() {
  static const bool bCan = __builtin_cpu_supports("avx512f") != 0;
  return bCan;
}

// GCC 12's AVX-512 headers start some vectors "undefined", which its own warnings flag.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
// pValue: blue, green, red of the sixteen lanes (16 each); lActive: the lanes at work; pHeaders:
// by cell, the first word << 9 | the count of candidates, or -1 for a cell not made yet. Writes
// each lane's colour, lFallback where no entry lies closer than 765, to pOut and returns true;
// returns false, writing nothing, when a lane's cell is not made yet.
__attribute__((target("avx512f"), noinline)) bool NearestByGather(
    const int16_t* pValue, uint16_t lActive, const int32_t* pHeaders, const uint32_t* pWords,
    uint32_t lFallback, uint32_t* pOut) {
  const __m512i lByte = _mm512_set1_epi32(255);
  __m512i v[3];
  for (int k = 0; k < 3; ++k) {
    v[k] = _mm512_cvtepi16_epi32(
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pValue + 16 * k)));
  }
  // The cell: (red / 16) x 256 + (green / 16) x 16 + blue / 16.
  const __m512i lCell =
      _mm512_or_si512(_mm512_or_si512(_mm512_slli_epi32(_mm512_srli_epi32(v[2], 4), 8),
                                      _mm512_slli_epi32(_mm512_srli_epi32(v[1], 4), 4)),
                      _mm512_srli_epi32(v[0], 4));
  const __m512i lHeader =
      _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), lActive, lCell, pHeaders, 4);
  if (_mm512_mask_cmplt_epi32_mask(lActive, lHeader, _mm512_setzero_si512()) != 0) return false;
  const __m512i lFirst = _mm512_srli_epi32(lHeader, 9);
  const __m512i lCount = _mm512_and_si512(lHeader, _mm512_set1_epi32(511));
  const int32_t lMost = _mm512_mask_reduce_max_epi32(lActive, lCount);
  __m512i lBest = _mm512_set1_epi32(INT32_MAX);
  __m512i lBestWord = _mm512_setzero_si512();
  for (int32_t k = 0; k < lMost; ++k) {
    const __m512i lK = _mm512_set1_epi32(k);
    const __mmask16 m = _mm512_mask_cmpgt_epi32_mask(lActive, lCount, lK);
    const __m512i w = _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), m,
                                                  _mm512_add_epi32(lFirst, lK), pWords, 4);
    __m512i d = _mm512_abs_epi32(_mm512_sub_epi32(v[0], _mm512_and_si512(w, lByte)));
    d = _mm512_add_epi32(d, _mm512_abs_epi32(_mm512_sub_epi32(
                                v[1], _mm512_and_si512(_mm512_srli_epi32(w, 8), lByte))));
    d = _mm512_add_epi32(d, _mm512_abs_epi32(_mm512_sub_epi32(
                                v[2], _mm512_and_si512(_mm512_srli_epi32(w, 16), lByte))));
    const __m512i lKey = _mm512_or_si512(_mm512_slli_epi32(d, 8), _mm512_srli_epi32(w, 24));
    const __mmask16 bTake = _mm512_mask_cmplt_epi32_mask(m, lKey, lBest);
    lBest = _mm512_mask_mov_epi32(lBest, bTake, lKey);
    lBestWord = _mm512_mask_mov_epi32(lBestWord, bTake, w);
  }
  const __mmask16 bFar = _mm512_cmpge_epi32_mask(lBest, _mm512_set1_epi32(765 << 8));
  lBestWord =
      _mm512_mask_mov_epi32(lBestWord, bFar, _mm512_set1_epi32(static_cast<int>(lFallback)));
  _mm512_storeu_si512(pOut, _mm512_and_si512(lBestWord, _mm512_set1_epi32(0xFFFFFF)));
  return true;
}
#pragma GCC diagnostic pop
#endif

// The entry the reduction writes for a colour: cPalette::ClosestIndex, or entry 1 where that
// gives 0 (every entry at distance 765).
//
// The colour cube is cut into cells of 16 x 16 x 16 colours, and a cell keeps only the entries
// that can be nearest to some colour inside it: an entry whose smallest possible distance to the
// cell exceeds another entry's largest is never nearest nor tied. Among those, in palette order,
// the smallest (distance, index) is what the linear search with its early exact match and strict
// improvement returns. A cell's list is made when a colour of the cell is first asked for; all
// lists together stay small enough (a few hundred kilobytes) to be found in the cache.
class cNearestColour {
 public:
  explicit cNearestColour(const cPalette& cPal) : m_cPal(cPal) {
    const int32_t n = cPal.Count();
    for (int32_t k = 0; k < 3; ++k)
      m_lChannel[k].resize(static_cast<size_t>(n) + 1);
    m_lQuad.resize(static_cast<size_t>(n) + 1);
    for (int32_t i = 1; i <= n; ++i) {
      m_lChannel[0][static_cast<size_t>(i)] = cPal.Blue(i);
      m_lChannel[1][static_cast<size_t>(i)] = cPal.Green(i);
      m_lChannel[2][static_cast<size_t>(i)] = cPal.Red(i);
      m_lQuad[static_cast<size_t>(i)] = cPal.Blue(i) | (cPal.Green(i) << 8) | (cPal.Red(i) << 16);
    }
    if (n <= kMaxEntries) m_tCells.assign(kCells, Cell{0, -1});  // else searched plainly
    if (n <= kMostGathered) m_lGatherHeader.assign(kCells, -1);
  }

  // Up to this many entries every lane compares its colour with all of them.
  static constexpr int32_t kFewEntries = 64;
  int32_t Count() const { return static_cast<int32_t>(m_lQuad.size()) - 1; }

  // Channel k (blue, green, red) of every entry, by index.
  const int16_t* Channel(int32_t k) const { return m_lChannel[k].data(); }
  // Every entry as blue | green << 8 | red << 16, by index.
  const uint32_t* Quads() const { return m_lQuad.data(); }

  // For the search by gathers: palettes of 256 entries or fewer (an index in a byte).
  static constexpr int32_t kMostGathered = 256;
  // The candidates of a cell as words for NearestByGather: first << 9 | count.
  BRENNIC_LANE int32_t GatherHeader(int32_t lCell) {
    const int32_t lHeader = m_lGatherHeader[static_cast<size_t>(lCell)];
    return lHeader >= 0 ? lHeader : MakeGatherCell(lCell);
  }
  const int32_t* GatherHeaders() const { return m_lGatherHeader.data(); }
  const uint32_t* GatherWords() const { return m_lGatherWords.data(); }

  // Inlined, so that it is compiled for the processor DiffusePalette is dispatched to.
  // lCell is the colour's cell: (red / 16) x 256 + (green / 16) x 16 + blue / 16.
  BRENNIC_LANE int32_t EntryFor(int32_t lCell, int32_t lRed, int32_t lGreen, int32_t lBlue) {
    if (m_tCells.empty()) return OrFirst(m_cPal.ClosestIndex(lRed, lGreen, lBlue));
    Cell& cell = m_tCells[static_cast<size_t>(lCell)];
    if (cell.lGroups <= 0) {
      if (cell.lGroups < 0) cell = MakeCell(lCell);
      if (cell.lGroups == 0) return OrFirst(m_cPal.ClosestIndex(lRed, lGreen, lBlue));
    }
    // Keys (min(distance, 1000) << 6 | position in the list): the smallest is the nearest entry,
    // the first in palette order on ties; padding lies farther than any entry can.
    u16x16 lBest = u16x16{} + 0xFFFF;
    for (int32_t k = 0; k < cell.lGroups; ++k) {
      const Group& grp = m_tGroups[static_cast<size_t>(cell.lFirst + k)];
      const i16x16 dr = LoadU<i16x16>(grp.r) - static_cast<int16_t>(lRed);
      const i16x16 dg = LoadU<i16x16>(grp.g) - static_cast<int16_t>(lGreen);
      const i16x16 db = LoadU<i16x16>(grp.b) - static_cast<int16_t>(lBlue);
      i16x16 d = (dr < 0 ? -dr : dr) + (dg < 0 ? -dg : dg) + (db < 0 ? -db : db);
      d = d > 1000 ? 1000 : d;
      const u16x16 lKey = (__builtin_convertvector(d, u16x16) << 6) | LoadU<u16x16>(grp.lPosition);
      lBest = lKey < lBest ? lKey : lBest;
    }
    // The smallest of the sixteen keys: halves first, then within eight lanes.
    u16x8 lLow, lHigh;
    std::memcpy(&lLow, &lBest, sizeof lLow);
    std::memcpy(&lHigh, reinterpret_cast<const char*>(&lBest) + sizeof lLow, sizeof lHigh);
    u16x8 b = lHigh < lLow ? lHigh : lLow;
    u16x8 m = __builtin_shuffle(b, u16x8{4, 5, 6, 7, 0, 1, 2, 3});
    b = m < b ? m : b;
    m = __builtin_shuffle(b, u16x8{2, 3, 0, 1, 6, 7, 4, 5});
    b = m < b ? m : b;
    m = __builtin_shuffle(b, u16x8{1, 0, 3, 2, 5, 4, 7, 6});
    b = m < b ? m : b;
    const int32_t lKey = b[0];
    if ((lKey >> 6) >= 765) return 1;
    return m_lIndex[static_cast<size_t>(cell.lFirst * kLanes + (lKey & 63))];
  }

 private:
  // Indices travel as 16 bits, and positions in a cell's list as 6 (longer lists are searched
  // plainly).
  static constexpr int32_t kMaxEntries = 0xFFFF;
  static constexpr int32_t kMaxCandidates = 64;
  static constexpr int32_t kLanes = 16;
  static constexpr int32_t kCells = 16 * 16 * 16;
  static constexpr int16_t kFar = -300;  // a padding colour farther than 765 from every colour

  struct Cell {
    int32_t lFirst;   // first group
    int32_t lGroups;  // groups of sixteen candidates; 0: search plainly; -1: not made yet
  };
  // Plain arrays, read with LoadU: vector members would be aligned differently in the
  // dispatched copies of the code than where the vector of groups is allocated.
  struct Group {
    int16_t r[kLanes], g[kLanes], b[kLanes];
    uint16_t lPosition[kLanes];  // in the cell's list
  };

  static int32_t OrFirst(int32_t i) { return i == 0 ? 1 : i; }

  // The entries that can be nearest to a colour of the cell of 16 x 16 x 16, in palette order.
  std::vector<int32_t> Candidates(int32_t lCell) const {
    const int32_t lo[3] = {(lCell >> 8) << 4, ((lCell >> 4) & 15) << 4, (lCell & 15) << 4};
    std::vector<int32_t> all(static_cast<size_t>(Count()));
    for (size_t i = 0; i < all.size(); ++i)
      all[i] = static_cast<int32_t>(i) + 1;
    return Candidates(lo, 16, all);
  }

  // The entries of lFrom that can be nearest to a colour of the cube of side lSide from lo (red,
  // green, blue), in the order of lFrom. Entries left out of lFrom must be unable to win there.
  std::vector<int32_t> Candidates(const int32_t lo[3], int32_t lSide,
                                  const std::vector<int32_t>& lFrom) const {
    std::vector<int32_t> lMin(lFrom.size());
    int32_t lBound = INT32_MAX;
    for (size_t k = 0; k < lFrom.size(); ++k) {
      const auto e = static_cast<size_t>(lFrom[k]);
      const int32_t c[3] = {m_lChannel[2][e], m_lChannel[1][e], m_lChannel[0][e]};
      int32_t dMin = 0, dMax = 0;
      for (int ch = 0; ch < 3; ++ch) {
        const int32_t below = lo[ch] - c[ch], above = c[ch] - (lo[ch] + lSide - 1);
        dMin += std::max({below, above, 0});
        dMax += std::max(std::abs(below), std::abs(above));
      }
      lMin[k] = dMin;
      lBound = std::min(lBound, dMax);
    }
    std::vector<int32_t> out;
    for (size_t k = 0; k < lFrom.size(); ++k) {
      if (lMin[k] <= lBound) out.push_back(lFrom[k]);
    }
    return out;
  }

  __attribute__((noinline)) int32_t MakeGatherCell(int32_t lCell) {
    const std::vector<int32_t> list = Candidates(lCell);
    const int32_t lHeader =
        static_cast<int32_t>(m_lGatherWords.size()) << 9 | static_cast<int32_t>(list.size());
    for (int32_t i : list) {
      m_lGatherWords.push_back(m_lQuad[static_cast<size_t>(i)] | static_cast<uint32_t>(i - 1)
                                                                     << 24);
    }
    m_lGatherHeader[static_cast<size_t>(lCell)] = lHeader;
    return lHeader;
  }

  // The cell's candidates, padded to whole groups with a colour farther than any real one.
  __attribute__((noinline)) Cell MakeCell(int32_t lCell) {
    const std::vector<int32_t> list = Candidates(lCell);
    const auto lCount = static_cast<int32_t>(list.size());
    if (lCount > kMaxCandidates) return Cell{0, 0};
    const Cell cell{static_cast<int32_t>(m_tGroups.size()), (lCount + kLanes - 1) / kLanes};
    for (int32_t k0 = 0; k0 < lCount; k0 += kLanes) {
      Group grp;
      std::fill(std::begin(grp.r), std::end(grp.r), kFar);
      std::fill(std::begin(grp.g), std::end(grp.g), kFar);
      std::fill(std::begin(grp.b), std::end(grp.b), kFar);
      std::fill(std::begin(grp.lPosition), std::end(grp.lPosition), 63);
      for (int32_t k = k0; k < lCount && k < k0 + kLanes; ++k) {
        const auto e = static_cast<size_t>(list[static_cast<size_t>(k)]);
        grp.b[k - k0] = m_lChannel[0][e];
        grp.g[k - k0] = m_lChannel[1][e];
        grp.r[k - k0] = m_lChannel[2][e];
        grp.lPosition[k - k0] = static_cast<uint16_t>(k);
      }
      m_tGroups.push_back(grp);
      for (int32_t k = k0; k < k0 + kLanes; ++k)
        m_lIndex.push_back(k < lCount ? static_cast<uint16_t>(list[static_cast<size_t>(k)]) : 1);
    }
    return cell;
  }

  const cPalette& m_cPal;
  std::vector<int16_t> m_lChannel[3];    // blue, green, red of each entry, by index; 0 unused
  std::vector<uint32_t> m_lQuad;         // the same packed as blue | green << 8 | red << 16
  std::vector<Cell> m_tCells;            // empty for palettes searched plainly
  std::vector<int32_t> m_lGatherHeader;  // by cell, -1 until made
  std::vector<uint32_t> m_lGatherWords;
  std::vector<Group> m_tGroups;
  std::vector<uint16_t> m_lIndex;  // palette index of each listed candidate
};

// The plain loop: each pixel gets the entry found above; an error of city-block size 4 or more
// goes 7/16 to the right (except from the last two columns) and 4/16 down (within columns
// 1 .. last - 1), each addition clamped at once. The weight-0 diagonals change nothing, and what
// a last row passes down has no one to receive it.
//
// A band of 16 columns is worked in vector lanes (cErrorDiffusion.h); only the search for
// palettes of more than a few entries runs lane by lane. cFrom is only read; the caller copies
// the result in.
BRENNIC_SIMD_CLONES void DiffusePalette(const cDIBSection& cFrom, cDIBSection& cTo,
                                        cNearestColour& nearest,
                                        const std::function<void(int32_t)>& onColumns) {
  using namespace diffusion;
  const int32_t lWidth = cTo.Width();
  const int32_t lHeight = cTo.Height();
  const int32_t lLast = lWidth - 1;
  const int64_t lStride = cTo.BytesPerScanLine();
  const uint8_t* pFrom = cFrom.DIBSectionBitsPtr();
  uint8_t* pTo = cTo.DIBSectionBitsPtr();
  const auto lSteps = static_cast<size_t>(int64_t{lHeight} + kLanes - 1);
  // Per channel (blue, green, red): what each row of the band's first column starts from, and
  // the same for the next band.
  std::vector<int16_t> lBandIn[3], lBandOut[3];
  for (int k = 0; k < 3; ++k) {
    lBandIn[k].resize(static_cast<size_t>(lHeight));
    lBandOut[k].resize(static_cast<size_t>(lHeight));
    for (int32_t y = 0; y < lHeight; ++y)
      lBandIn[k][static_cast<size_t>(y)] = pFrom[y * lStride + k];
  }
  // Skewed, as 32-bit blue | green << 8 | red << 16: the source pixel right of each lane's
  // pixel, and the colour each lane's pixel became.
  std::vector<uint32_t> lNext(lSteps * kLanes), lOut(lSteps * kLanes);
  const int16_t* pBlue = nearest.Channel(0);
  const int16_t* pGreen = nearest.Channel(1);
  const int16_t* pRed = nearest.Channel(2);
  const uint32_t* pQuad = nearest.Quads();
  const int32_t lCount = nearest.Count();
#ifdef BRENNIC_GATHER_SEARCH
  const bool bGather = lCount <= cNearestColour::kMostGathered && CanGather();
#endif
  // Up to 32 entries: each channel of entries 1 .. 32 in two vectors, for picking by position.
  i16x16 lTable[3][2] = {};
  if (lCount <= 32) {
    for (int32_t i = 1; i <= lCount; ++i) {
      lTable[0][(i - 1) / 16][(i - 1) % 16] = pBlue[i];
      lTable[1][(i - 1) / 16][(i - 1) % 16] = pGreen[i];
      lTable[2][(i - 1) / 16][(i - 1) % 16] = pRed[i];
    }
  }
  for (int32_t c0 = 0; c0 < lWidth; c0 += kLanes) {
    const int32_t lColumns = std::min(kLanes, lWidth - c0);
    const int32_t lNextColumns = std::min(lColumns, lLast - c0);  // lanes with a right neighbour
    for (int32_t y = 0; y < lHeight; ++y) {
      const uint8_t* pRow = pFrom + y * lStride + 3 * (c0 + 1);
      if (y + kPrefetchRows < lHeight) {
        __builtin_prefetch(pRow + kPrefetchRows * lStride);
        __builtin_prefetch(pRow + kPrefetchRows * lStride + 3 * lColumns - 1);
      }
      uint32_t lQuads[kLanes];
      if (c0 + 1 + kQuadsReach <= lWidth) {
        StoreU(lQuads, LoadQuads16(pRow));
      } else {
        for (int32_t j = 0; j < lNextColumns; ++j) {
          const uint8_t* p = pRow + 3 * j;
          lQuads[j] = p[0] | (p[1] << 8) | (p[2] << 16);
        }
      }
      for (int32_t j = 0; j < lNextColumns; ++j)
        lNext[static_cast<size_t>((y + j) * kLanes + j)] = lQuads[j];
    }
    const EdgeLanes edges(c0, lLast);
    const i16x16 bDown = edges.bDown, bRight = edges.bRight;
    i16x16 lSlot[3] = {}, lDown[3] = {};
    for (int64_t t = 0; t < int64_t{lHeight} + lColumns - 1; ++t) {
      const i16x16 bActive = ActiveLanes(t, lColumns, lHeight);
      // The lanes at work, for the lane-by-lane parts.
      const auto jLow = static_cast<int32_t>(std::max<int64_t>(0, t - lHeight + 1));
      const auto jHigh = static_cast<int32_t>(std::min<int64_t>(lColumns - 1, t));
      i16x16 v[3];
      for (int k = 0; k < 3; ++k) {
        if (t < lHeight) lSlot[k][0] = lBandIn[k][static_cast<size_t>(t)];
        v[k] = Clamp255(lSlot[k] + lDown[k]);
      }
      uint32_t* pOutStep = &lOut[static_cast<size_t>(t * kLanes)];
      i16x16 lColour[3];
      if (lCount <= cNearestColour::kFewEntries) {
        // Few entries: every lane tries them all at once. Keys (distance << 6 | position): the
        // smallest is the nearest entry, the first on ties.
        u16x16 lBest = u16x16{} + 0xFFFF;
        for (int32_t i = 1; i <= lCount; ++i) {
          const i16x16 d = Abs(v[0] - pBlue[i]) + Abs(v[1] - pGreen[i]) + Abs(v[2] - pRed[i]);
          const u16x16 lKey = (reinterpret_cast<u16x16>(d) << 6) + static_cast<uint16_t>(i - 1);
          lBest = lKey < lBest ? lKey : lBest;
        }
        // The position of the entry, the first where none lies closer than 765.
        const i16x16 lPos = reinterpret_cast<i16x16>((lBest >> 6) < 765 ? (lBest & 63) : 0);
        if (lCount <= 32) {
          for (int k = 0; k < 3; ++k)
            lColour[k] = __builtin_shuffle(lTable[k][0], lTable[k][1], lPos);
          StoreU(pOutStep,
                 reinterpret_cast<u32x16>(__builtin_convertvector(lColour[0], i32x16) |
                                          (__builtin_convertvector(lColour[1], i32x16) << 8) |
                                          (__builtin_convertvector(lColour[2], i32x16) << 16)));
        } else {
          int16_t lOutChannel[3][kLanes] = {};
          for (int32_t j = jLow; j <= jHigh; ++j) {
            const int32_t i = lPos[j] + 1;
            lOutChannel[0][j] = pBlue[i];
            lOutChannel[1][j] = pGreen[i];
            lOutChannel[2][j] = pRed[i];
            pOutStep[j] = pQuad[i];
          }
          for (int k = 0; k < 3; ++k)
            lColour[k] = LoadU<i16x16>(lOutChannel[k]);
        }
#ifdef BRENNIC_GATHER_SEARCH
      } else if (bGather) {
        int16_t lValue[3][kLanes];
        for (int k = 0; k < 3; ++k)
          StoreU(lValue[k], v[k]);
        const auto lActive = static_cast<uint16_t>(((2U << jHigh) - 1) & ~((1U << jLow) - 1));
        while (!NearestByGather(&lValue[0][0], lActive, nearest.GatherHeaders(),
                                nearest.GatherWords(), pQuad[1], pOutStep)) {
          // Rarely: make the cells the lanes need, then search again.
          for (int32_t j = jLow; j <= jHigh; ++j) {
            nearest.GatherHeader(((lValue[2][j] >> 4) << 8) | ((lValue[1][j] >> 4) << 4) |
                                 (lValue[0][j] >> 4));
          }
        }
        const auto lWords = LoadU<u32x16>(pOutStep);
        for (int k = 0; k < 3; ++k)
          lColour[k] = __builtin_convertvector(ChannelOf(lWords, k), i16x16);
#endif
      } else {
        int16_t lValue[3][kLanes], lCell[kLanes], lOutChannel[3][kLanes] = {};
        for (int k = 0; k < 3; ++k)
          StoreU(lValue[k], v[k]);
        StoreU(lCell, ((v[2] >> 4) << 8) | ((v[1] >> 4) << 4) | (v[0] >> 4));
        for (int32_t j = jLow; j <= jHigh; ++j) {
          const int32_t i = nearest.EntryFor(lCell[j], lValue[2][j], lValue[1][j], lValue[0][j]);
          lOutChannel[0][j] = pBlue[i];
          lOutChannel[1][j] = pGreen[i];
          lOutChannel[2][j] = pRed[i];
          pOutStep[j] = pQuad[i];
        }
        for (int k = 0; k < 3; ++k)
          lColour[k] = LoadU<i16x16>(lOutChannel[k]);
      }
      i16x16 e[3];
      for (int k = 0; k < 3; ++k)
        e[k] = v[k] - lColour[k];
      const i16x16 bPass = Abs(e[0]) + Abs(e[1]) + Abs(e[2]) >= 4;
      const int64_t yLastLane = t - (lColumns - 1);
      const bool bHandOn = yLastLane >= 0 && yLastLane < lHeight && c0 + lColumns < lWidth;
      const auto lNextQuads = LoadU<u32x16>(&lNext[static_cast<size_t>(t * kLanes)]);
      for (int k = 0; k < 3; ++k) {
        lDown[k] = bActive ? ((bPass & bDown) ? Share(e[k], 4) : 0) : lDown[k];
        i16x16 lRight = __builtin_convertvector(ChannelOf(lNextQuads, k), i16x16);
        lRight = (bPass & bRight) ? Clamp255(lRight + Share(e[k], 7)) : lRight;
        if (bHandOn) lBandOut[k][static_cast<size_t>(yLastLane)] = lRight[lColumns - 1];
        lSlot[k] = HandRight(lRight);
      }
    }
    for (int32_t y = 0; y < lHeight; ++y) {
      uint8_t* p = pTo + y * lStride + 3 * c0;
      if (y + kPrefetchRows < lHeight) {
        __builtin_prefetch(p + kPrefetchRows * lStride, 1);
        __builtin_prefetch(p + kPrefetchRows * lStride + 3 * lColumns - 1, 1);
      }
      // Four bytes at a time, each pixel's fourth overwritten by the next pixel; three for the
      // last, so nothing past the band is touched.
      for (int32_t j = 0; j + 1 < lColumns; ++j)
        std::memcpy(p + 3 * j, &lOut[static_cast<size_t>((y + j) * kLanes + j)], 4);
      std::memcpy(p + 3 * (lColumns - 1),
                  &lOut[static_cast<size_t>((y + lColumns - 1) * kLanes + lColumns - 1)], 3);
    }
    for (int k = 0; k < 3; ++k)
      lBandIn[k].swap(lBandOut[k]);
    onColumns(c0 + lColumns);
  }
}

}  // namespace

void cImageProcessDIB::ApplyPalette(cDIBSection& cFrom, cDIBSection& cTo, const cPalette& cPal) {
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
    ApplyPalette(cFrom, cWork, cPal);
    return;
  }
  const int64_t lStart = TickCountMs();
  const int32_t xLast = 3 * (cTo.Width() - 1);
  if (Listener() != nullptr) Listener()->InitProgress(xLast);
  cColumnProgress progress(Listener(), 0, xLast, cTo.Width());
  const std::function<void(int32_t)> onColumns = [&](int32_t lColumnsDone) {
    progress.Advance(lColumnsDone);
  };
  if (cTo.DIBSectionBitsPtr() == nullptr) {
    // Nothing to reduce.
  } else if (cPal.Count() == 0) {
    // No colours to reduce to: the picture stays as it is, and both images hold it.
    cTo.LoadPictureBlt(cFrom.hdc(), 0, 0, -1, -1, SRCCOPY);
  } else {
    cNearestColour nearest(cPal);
    DiffusePalette(cFrom, cTo, nearest, onColumns);
    // Both images hold the result.
    cFrom.LoadPictureBlt(cTo.hdc(), 0, 0, -1, -1, SRCCOPY);
  }
  progress.Finish();
  cOperationEvents::Complete(Listener(), lStart);
}

}  // namespace brennic
