#include "mPixelMemory.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
#define BRENNIC_USE_MMAP 1
#include <sys/mman.h>
#endif

namespace brennic {

namespace {

constexpr size_t kAlign = 64;
// kFresh: mapped fresh and cleared by the kernel on first touch; the caller may never have
// touched it.
enum Kind { kNone = 0, kHeap = 1, kMapped = 2, kFresh = 3 };

#ifdef BRENNIC_USE_MMAP
constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kMapThreshold = size_t{1} << 20;
constexpr size_t kCacheBlocks = 2;
constexpr size_t kCacheBytes = size_t{1} << 30;

size_t MappedSize(size_t lBytes) {
  return (lBytes + kHugePage - 1) / kHugePage * kHugePage;
}

struct CachedBlock {
  uint8_t* pBytes;
  size_t lMapped;
};
std::mutex g_cacheMutex;
std::vector<CachedBlock> g_cache;  // oldest first
int g_lScopes = 0;                 // guarded by g_cacheMutex

uint8_t* MapBlock(size_t lMapped) {
  // Over-map by one huge page so the block can start on a huge-page boundary.
  const size_t lTotal = lMapped + kHugePage;
  void* p = mmap(nullptr, lTotal, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  auto* pRaw = static_cast<uint8_t*>(p);
  const auto lAddr = reinterpret_cast<uintptr_t>(pRaw);
  const size_t lHead = (kHugePage - lAddr % kHugePage) % kHugePage;
  if (lHead > 0) munmap(pRaw, lHead);
  const size_t lTail = lTotal - lHead - lMapped;
  if (lTail > 0) munmap(pRaw + lHead + lMapped, lTail);
  uint8_t* pBlock = pRaw + lHead;
  madvise(pBlock, lMapped, MADV_HUGEPAGE);
  return pBlock;
}

// Whether at least half the block's pages are in memory: a block hardly touched saves no page
// faults and is not worth keeping.
bool MostlyResident(uint8_t* pBlock, size_t lMapped) {
  constexpr size_t kPage = 4096;
  constexpr size_t kPagesAtOnce = 4096;
  unsigned char aIn[kPagesAtOnce];
  size_t lResident = 0;
  const size_t lPages = lMapped / kPage;
  for (size_t lFrom = 0; lFrom < lPages; lFrom += kPagesAtOnce) {
    const size_t n = std::min(kPagesAtOnce, lPages - lFrom);
    if (mincore(pBlock + lFrom * kPage, n * kPage, aIn) != 0) return false;
    for (size_t i = 0; i < n; ++i)
      lResident += aIn[i] & 1U;
  }
  return 2 * lResident >= lPages;
}
#endif

}  // namespace

cPixelBlock& cPixelBlock::operator=(cPixelBlock&& o) noexcept {
  if (this != &o) {
    Release();
    std::swap(m_pBytes, o.m_pBytes);
    std::swap(m_lSize, o.m_lSize);
    std::swap(m_lKind, o.m_lKind);
  }
  return *this;
}

cPixelBlock cPixelBlock::Allocate(size_t lBytes, bool bCleared) {
  cPixelBlock block;
  if (lBytes == 0) return block;
#ifdef BRENNIC_USE_MMAP
  if (lBytes >= kMapThreshold) {
    const size_t lMapped = MappedSize(lBytes);
    uint8_t* p = nullptr;
    // A block to be cleared comes fresh from the system, whose zero pages cost only where they
    // are touched (a work buffer most commands never write to costs nothing); a kept block,
    // already in memory, goes to a caller that overwrites it all. The latest freed first.
    if (!bCleared) {
      std::lock_guard lock(g_cacheMutex);
      for (size_t i = g_cache.size(); i-- > 0;) {
        if (g_cache[i].lMapped == lMapped) {
          p = g_cache[i].pBytes;
          g_cache.erase(g_cache.begin() + static_cast<std::ptrdiff_t>(i));
          break;
        }
      }
    }
    const bool bFresh = p == nullptr;
    if (bFresh) {
      p = MapBlock(lMapped);
      if (p == nullptr) {
        DropCachedPixelBlocks();  // the kept blocks may be what stands in the way
        p = MapBlock(lMapped);
      }
      if (p == nullptr) return block;
    }
    block.m_pBytes = p;
    block.m_lSize = lBytes;
    block.m_lKind = bFresh ? kFresh : kMapped;
    return block;
  }
#endif
  auto* p = static_cast<uint8_t*>(::operator new (lBytes, std::align_val_t{kAlign}, std::nothrow));
  if (p == nullptr) return block;
  if (bCleared) std::memset(p, 0, lBytes);
  block.m_pBytes = p;
  block.m_lSize = lBytes;
  block.m_lKind = kHeap;
  return block;
}

void cPixelBlock::Release() {
  if (m_pBytes == nullptr) return;
  if (m_lKind == kHeap) {
    ::operator delete (m_pBytes, std::align_val_t{kAlign});
  }
#ifdef BRENNIC_USE_MMAP
  else if (m_lKind == kMapped || m_lKind == kFresh) {
    const size_t lMapped = MappedSize(m_lSize);
    const bool bWorthKeeping = m_lKind == kMapped || MostlyResident(m_pBytes, lMapped);
    std::array<CachedBlock, kCacheBlocks + 1> dropped{};
    size_t lDropped = 0;
    {
      const std::lock_guard lock(g_cacheMutex);
      if (g_lScopes > 0 && bWorthKeeping && lMapped <= kCacheBytes) {
        // The latest freed are kept, the oldest make room.
        g_cache.push_back({m_pBytes, lMapped});
        size_t lKept = 0;
        for (const auto& c : g_cache)
          lKept += c.lMapped;
        size_t lDrop = 0;
        while (g_cache.size() - lDrop > kCacheBlocks || lKept > kCacheBytes) {
          lKept -= g_cache[lDrop].lMapped;
          ++lDrop;
        }
        std::copy_n(g_cache.begin(), lDrop, dropped.begin());
        lDropped = lDrop;
        g_cache.erase(g_cache.begin(), g_cache.begin() + static_cast<std::ptrdiff_t>(lDrop));
      } else {
        dropped[lDropped++] = {m_pBytes, lMapped};
      }
    }
    for (size_t i = 0; i < lDropped; ++i)
      munmap(dropped[i].pBytes, dropped[i].lMapped);
  }
#endif
  m_pBytes = nullptr;
  m_lSize = 0;
  m_lKind = kNone;
}

cPixelCacheScope::cPixelCacheScope() {
#ifdef BRENNIC_USE_MMAP
  const std::lock_guard lock(g_cacheMutex);
  ++g_lScopes;
#endif
}

cPixelCacheScope::~cPixelCacheScope() {
#ifdef BRENNIC_USE_MMAP
  {
    const std::lock_guard lock(g_cacheMutex);
    if (--g_lScopes > 0) return;
  }
  DropCachedPixelBlocks();
#endif
}

void DropCachedPixelBlocks() {
#ifdef BRENNIC_USE_MMAP
  std::vector<CachedBlock> blocks;
  {
    std::lock_guard lock(g_cacheMutex);
    blocks.swap(g_cache);
  }
  for (const auto& c : blocks)
    munmap(c.pBytes, c.lMapped);
#endif
}

}  // namespace brennic
