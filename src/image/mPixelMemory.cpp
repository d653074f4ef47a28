#include "mPixelMemory.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "cParallel.h"

#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
#define BRENNIC_USE_MMAP 1
#include <sys/mman.h>
#endif

namespace brennic {

namespace {

constexpr size_t kAlign = 64;
enum Kind { kNone = 0, kHeap = 1, kMapped = 2 };

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
std::vector<CachedBlock> g_cache;
int g_lScopes = 0;  // guarded by g_cacheMutex

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
    {
      std::lock_guard lock(g_cacheMutex);
      for (size_t i = 0; i < g_cache.size(); ++i) {
        if (g_cache[i].lMapped == lMapped) {
          p = g_cache[i].pBytes;
          g_cache.erase(g_cache.begin() + static_cast<std::ptrdiff_t>(i));
          break;
        }
      }
    }
    if (p != nullptr && bCleared) {
      constexpr int64_t kChunk = int64_t{1} << 20;
      ParallelFor((static_cast<int64_t>(lBytes) + kChunk - 1) / kChunk, 4,
                  [&](int64_t a, int64_t b) {
                    const auto lEnd = std::min(static_cast<int64_t>(lBytes), b * kChunk);
                    std::memset(p + a * kChunk, 0, static_cast<size_t>(lEnd - a * kChunk));
                  });
    } else if (p == nullptr) {
      p = MapBlock(lMapped);
      if (p == nullptr) {
        DropCachedPixelBlocks();  // the kept blocks may be what stands in the way
        p = MapBlock(lMapped);
      }
      if (p == nullptr) return block;
    }
    block.m_pBytes = p;
    block.m_lSize = lBytes;
    block.m_lKind = kMapped;
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
  else if (m_lKind == kMapped) {
    const size_t lMapped = MappedSize(m_lSize);
    std::unique_lock lock(g_cacheMutex);
    size_t lKept = 0;
    for (const auto& c : g_cache)
      lKept += c.lMapped;
    if (g_lScopes > 0 && g_cache.size() < kCacheBlocks && lKept + lMapped <= kCacheBytes) {
      g_cache.push_back({m_pBytes, lMapped});
    } else {
      lock.unlock();
      munmap(m_pBytes, lMapped);
    }
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
