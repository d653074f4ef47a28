#pragma once
// Pixel memory for image buffers: zero-filled, aligned to 64 bytes for vector loads. Large blocks
// ask the kernel for transparent huge pages. While a cPixelCacheScope lives (an operation runs,
// a document is open), the latest few freed large blocks that were in memory are kept for callers
// that overwrite a whole block, because first-touch page faults of a fresh multi-megabyte block
// cost more than most filters do; a block to be zero-filled is always fresh, since the system
// clears a page only when it is first touched. Without a scope, and when the last scope ends,
// freed memory goes back to the system at once.

#include <cstddef>
#include <cstdint>

namespace brennic {

class cPixelBlock {
 public:
  cPixelBlock() = default;
  ~cPixelBlock() { Release(); }
  cPixelBlock(const cPixelBlock&) = delete;
  cPixelBlock& operator=(const cPixelBlock&) = delete;
  cPixelBlock(cPixelBlock&& o) noexcept
      : m_pBytes(o.m_pBytes), m_lSize(o.m_lSize), m_lKind(o.m_lKind) {
    o.m_pBytes = nullptr;
    o.m_lSize = 0;
  }
  cPixelBlock& operator=(cPixelBlock&& o) noexcept;

  // Returns an empty block when the memory cannot be had. bCleared false may hand out a kept
  // block as it was, for a caller that writes every byte itself.
  static cPixelBlock Allocate(size_t lBytes, bool bCleared = true);

  uint8_t* Bytes() const { return m_pBytes; }
  size_t Size() const { return m_lSize; }
  explicit operator bool() const { return m_pBytes != nullptr; }
  void Release();

 private:
  uint8_t* m_pBytes = nullptr;
  size_t m_lSize = 0;  // bytes usable by the caller
  int m_lKind = 0;     // how the bytes were obtained, for Release
};

// Frees the kept blocks (for tests and for low-memory situations).
void DropCachedPixelBlocks();

// Keeps freed large blocks for reuse while it lives; scopes nest, and the last one to end frees
// whatever is kept.
class cPixelCacheScope {
 public:
  cPixelCacheScope();
  ~cPixelCacheScope();
  cPixelCacheScope(const cPixelCacheScope&) = delete;
  cPixelCacheScope& operator=(const cPixelCacheScope&) = delete;
};

}  // namespace brennic
