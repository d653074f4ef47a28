#include "document/cImageHistory.h"

#include <unistd.h>
#include <zstd.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "image/cParallel.h"
#include "image/mPixelMemory.h"

namespace brennic {

namespace {

// zstd's fastest regular level: a filter's delta is mostly runs of small values, which even this
// level packs several times over, and a step must not cost much more than the filter itself.
constexpr int kLevel = 1;

struct sContexts {
  ZSTD_CCtx* pCompress = ZSTD_createCCtx();
  ZSTD_DCtx* pDecompress = ZSTD_createDCtx();
  std::unique_ptr<uint8_t[]> pScratch;
  size_t lScratch = 0;
  sContexts() = default;
  sContexts(const sContexts&) = delete;
  sContexts& operator=(const sContexts&) = delete;
  ~sContexts() {
    ZSTD_freeCCtx(pCompress);
    ZSTD_freeDCtx(pDecompress);
  }
  uint8_t* Scratch(size_t lBytes) {
    if (lScratch < lBytes) {
      pScratch.reset(new uint8_t[lBytes]);
      lScratch = lBytes;
    }
    return pScratch.get();
  }
};

// Each worker thread keeps its own contexts and scratch memory for its whole life.
sContexts& ThreadContexts() {
  thread_local sContexts contexts;
  if (contexts.pCompress == nullptr || contexts.pDecompress == nullptr) throw std::bad_alloc();
  return contexts;
}

[[noreturn]] void RaiseBroken(const char* sWhat, size_t lCode) {
  throw std::runtime_error(std::string("The undo history is damaged: ") + sWhat + " (" +
                           ZSTD_getErrorName(lCode) + ").");
}

int64_t ChunkCount(size_t lSize) {
  return static_cast<int64_t>((lSize + kHistoryChunkBytes - 1) / kHistoryChunkBytes);
}

size_t ChunkLength(size_t lSize, int64_t lChunk) {
  const size_t lStart = static_cast<size_t>(lChunk) * kHistoryChunkBytes;
  return std::min(kHistoryChunkBytes, lSize - lStart);
}

// pTo ^= pFrom over lBytes, a machine word at a time.
void XorInto(uint8_t* pTo, const uint8_t* pFrom, size_t lBytes) {
  size_t i = 0;
  for (; i + 8 <= lBytes; i += 8) {
    uint64_t a;
    uint64_t b;
    std::memcpy(&a, pTo + i, 8);
    std::memcpy(&b, pFrom + i, 8);
    a ^= b;
    std::memcpy(pTo + i, &a, 8);
  }
  for (; i < lBytes; ++i)
    pTo[i] ^= pFrom[i];
}

std::vector<uint8_t> CompressChunk(const uint8_t* pData, size_t lBytes) {
  sContexts& c = ThreadContexts();
  const size_t lBound = ZSTD_compressBound(lBytes);
  uint8_t* pOut = c.Scratch(lBound);
  const size_t r = ZSTD_compressCCtx(c.pCompress, pOut, lBound, pData, lBytes, kLevel);
  if (ZSTD_isError(r)) RaiseBroken("a step could not be packed", r);
  return std::vector<uint8_t>(pOut, pOut + r);
}

void DecompressChunk(const std::vector<uint8_t>& chunk, uint8_t* pOut, size_t lBytes) {
  sContexts& c = ThreadContexts();
  const size_t r = ZSTD_decompressDCtx(c.pDecompress, pOut, lBytes, chunk.data(), chunk.size());
  if (ZSTD_isError(r)) RaiseBroken("a step could not be unpacked", r);
  if (r != lBytes) throw std::runtime_error("The undo history is damaged: a step is too short.");
}

size_t PictureBytes(const cDIBSection& cImage) {
  if (cImage.DIBSectionBitsPtr() == nullptr) return 0;
  return static_cast<size_t>(cImage.BytesPerScanLine()) * static_cast<size_t>(cImage.Height());
}

// fnWhile runs on the calling thread between pieces of a few megabytes: a fresh block of a very
// large picture costs seconds of page faults.
void CopyBytes(uint8_t* pTo, const uint8_t* pFrom, size_t lSize, const WhilePacking& fnWhile = {}) {
  constexpr size_t kPiece = 8 * kHistoryChunkBytes;
  for (size_t lPiece = 0; lPiece < lSize; lPiece += kPiece) {
    const size_t lLength = std::min(kPiece, lSize - lPiece);
    ParallelFor(ChunkCount(lLength), 1, [&](int64_t a, int64_t b) {
      const size_t lStart = lPiece + static_cast<size_t>(a) * kHistoryChunkBytes;
      const size_t lEnd = lPiece + std::min(lLength, static_cast<size_t>(b) * kHistoryChunkBytes);
      std::memcpy(pTo + lStart, pFrom + lStart, lEnd - lStart);
    });
    if (fnWhile) fnWhile();
  }
}

// A new picture of the given size holding the packed bytes.
std::unique_ptr<cDIBSection> UnpackPicture(int32_t lWidth, int32_t lHeight,
                                           const sPackedBytes& packed) {
  auto cNew = std::make_unique<cDIBSection>();
  if (packed.lSize == 0) return cNew;  // the picture had no pixel memory
  if (!cNew->Create(lWidth, lHeight)) {
    RaiseOutOfMemory(".frmImage",
                     " (" + std::to_string(lWidth) + " x " + std::to_string(lHeight) + " pixels).");
  }
  if (PictureBytes(*cNew) != packed.lSize) {
    throw std::runtime_error("The undo history is damaged: a picture has the wrong size.");
  }
  UnpackBytes(packed, cNew->DIBSectionBitsPtr());
  return cNew;
}

}  // namespace

// --- Packing -------------------------------------------------------------------------------------

int64_t sPackedBytes::StoredBytes() const {
  int64_t lBytes = 0;
  for (const std::vector<uint8_t>& chunk : chunks)
    lBytes += static_cast<int64_t>(chunk.size() + sizeof(chunk));
  return lBytes;
}

// Packs lSize bytes as independent chunks on the worker threads; fnChunk(lStart, lLength) gives
// the packed frame of one chunk.
template <class TChunk>
sPackedBytes PackChunks(size_t lSize, const WhilePacking& fnWhile, const TChunk& fnChunk) {
  sPackedBytes packed;
  packed.lSize = lSize;
  packed.chunks.resize(static_cast<size_t>(ChunkCount(lSize)));
  std::function<void(int64_t)> onDone;
  if (fnWhile) onDone = [&fnWhile](int64_t) { fnWhile(); };
  ParallelFor(
      ChunkCount(lSize), 1,
      [&](int64_t a, int64_t b) {
        for (int64_t i = a; i < b; ++i) {
          packed.chunks[static_cast<size_t>(i)] =
              fnChunk(static_cast<size_t>(i) * kHistoryChunkBytes, ChunkLength(lSize, i));
        }
      },
      onDone);
  return packed;
}

sPackedBytes PackBytes(const uint8_t* pData, size_t lSize, const WhilePacking& fnWhile) {
  return PackChunks(lSize, fnWhile, [&](size_t lStart, size_t lLength) {
    return CompressChunk(pData + lStart, lLength);
  });
}

sPackedBytes PackXor(uint8_t* pBefore, const uint8_t* pAfter, size_t lSize,
                     const WhilePacking& fnWhile) {
  return PackChunks(lSize, fnWhile, [&](size_t lStart, size_t lLength) {
    XorInto(pBefore + lStart, pAfter + lStart, lLength);
    return CompressChunk(pBefore + lStart, lLength);
  });
}

void UnpackBytes(const sPackedBytes& packed, uint8_t* pOut) {
  ParallelFor(static_cast<int64_t>(packed.chunks.size()), 1, [&](int64_t a, int64_t b) {
    for (int64_t i = a; i < b; ++i) {
      const size_t lStart = static_cast<size_t>(i) * kHistoryChunkBytes;
      DecompressChunk(packed.chunks[static_cast<size_t>(i)], pOut + lStart,
                      ChunkLength(packed.lSize, i));
    }
  });
}

void UnpackXor(const sPackedBytes& packed, uint8_t* pInOut) {
  ParallelFor(static_cast<int64_t>(packed.chunks.size()), 1, [&](int64_t a, int64_t b) {
    for (int64_t i = a; i < b; ++i) {
      const size_t lStart = static_cast<size_t>(i) * kHistoryChunkBytes;
      const size_t lLength = ChunkLength(packed.lSize, i);
      uint8_t* pDelta = ThreadContexts().Scratch(lLength);
      DecompressChunk(packed.chunks[static_cast<size_t>(i)], pDelta, lLength);
      XorInto(pInOut + lStart, pDelta, lLength);
    }
  });
}

// --- The budget ----------------------------------------------------------------------------------

cHistoryBudget::cHistoryBudget(int64_t lLimit) : m_lLimit(lLimit) {}

cHistoryBudget::~cHistoryBudget() = default;

int64_t cHistoryBudget::DefaultLimit() {
  constexpr int64_t kGiB = int64_t{1} << 30;
  const long lPages = sysconf(_SC_PHYS_PAGES);
  const long lPageSize = sysconf(_SC_PAGESIZE);
  if (lPages <= 0 || lPageSize <= 0) return kGiB;
  return std::min(kGiB, static_cast<int64_t>(lPages) * lPageSize / 4);
}

void cHistoryBudget::Limit(int64_t lLimit) {
  m_lLimit = lLimit;
  Enforce();
}

void cHistoryBudget::Attach(cImageHistory* pHistory) {
  m_histories.push_back(pHistory);
}

void cHistoryBudget::Detach(cImageHistory* pHistory) {
  m_histories.erase(std::remove(m_histories.begin(), m_histories.end(), pHistory),
                    m_histories.end());
  m_lBytes -= pHistory->Bytes();
}

void cHistoryBudget::Enforce() {
  while (m_lBytes > m_lLimit) {
    cImageHistory* pOldest = nullptr;
    uint64_t lOldest = 0;
    for (cImageHistory* pHistory : m_histories) {
      uint64_t lSequence = 0;
      if (pHistory->OldestDroppable(lSequence) && (pOldest == nullptr || lSequence < lOldest)) {
        pOldest = pHistory;
        lOldest = lSequence;
      }
    }
    // What is left is each document's latest step (and redo chains): it stays over the limit.
    if (pOldest == nullptr) return;
    pOldest->DropOldest();
  }
}

cHistoryBudget& SharedHistoryBudget() {
  // Never destroyed: a document may still be going away while the program ends.
  static cHistoryBudget* const pBudget = new cHistoryBudget();
  return *pBudget;
}

// --- The history ---------------------------------------------------------------------------------

struct cImageHistory::sStep {
  std::string sName;
  uint64_t lSequence = 0;
  int32_t lBeforeWidth = 0;
  int32_t lBeforeHeight = 0;
  int32_t lAfterWidth = 0;
  int32_t lAfterHeight = 0;
  // The same size before and after: before holds the XOR of the two pictures, after is empty.
  bool bDelta = false;
  sPackedBytes before;
  sPackedBytes after;
  int64_t lBytes = 0;
};

cImageHistory::cImageHistory(cHistoryBudget& budget) : m_budget(budget) {
  m_budget.Attach(this);
}

cImageHistory::~cImageHistory() {
  m_budget.Detach(this);
}

void cImageHistory::Record(cImageDocumentCore& cDocument, const std::string& sName,
                           const std::function<void()>& fnOperation) {
  // Buffers the operation frees are reused while it runs, and given back when it ends.
  const cPixelCacheScope cache;
  auto step = std::make_unique<sStep>();
  step->sName = sName;
  {
    const cDIBSection& cBefore = cDocument.Picture();
    step->lBeforeWidth = cBefore.Width();
    step->lBeforeHeight = cBefore.Height();
  }
  const size_t lBeforeSize = PictureBytes(cDocument.Picture());
  cPixelBlock snapshot = cPixelBlock::Allocate(lBeforeSize, false);
  if (lBeforeSize > 0 && !snapshot) {
    RaiseOutOfMemory(".frmImage", " (the copy of the picture kept for Undo).");
  }
  if (lBeforeSize > 0) {
    CopyBytes(snapshot.Bytes(), cDocument.Picture().DIBSectionBitsPtr(), lBeforeSize,
              m_fnWhileRecording);
  }

  try {
    fnOperation();
  } catch (...) {
    // Whatever the operation managed to change goes back, so that the steps still fit.
    cDIBSection& cNow = cDocument.Picture();
    if (PictureBytes(cNow) == lBeforeSize && cNow.Width() == step->lBeforeWidth &&
        cNow.Height() == step->lBeforeHeight) {
      if (lBeforeSize > 0) CopyBytes(cNow.DIBSectionBitsPtr(), snapshot.Bytes(), lBeforeSize);
    } else {
      Clear(false);
    }
    throw;
  }

  const cDIBSection& cAfter = cDocument.Picture();
  step->lAfterWidth = cAfter.Width();
  step->lAfterHeight = cAfter.Height();
  const size_t lAfterSize = PictureBytes(cAfter);
  try {
    if (lAfterSize == lBeforeSize && step->lAfterWidth == step->lBeforeWidth &&
        step->lAfterHeight == step->lBeforeHeight) {
      step->bDelta = true;
      step->before =
          PackXor(snapshot.Bytes(), cAfter.DIBSectionBitsPtr(), lBeforeSize, m_fnWhileRecording);
    } else {
      step->before = PackBytes(snapshot.Bytes(), lBeforeSize, m_fnWhileRecording);
      step->after = PackBytes(cAfter.DIBSectionBitsPtr(), lAfterSize, m_fnWhileRecording);
    }
  } catch (const std::bad_alloc&) {
    // The command is done; only its step could not be kept, and without it the earlier steps
    // no longer lead to the present picture.
    Clear(false);
    return;
  }
  snapshot.Release();
  step->lBytes = static_cast<int64_t>(sizeof(sStep) + step->sName.size()) +
                 step->before.StoredBytes() + step->after.StoredBytes();

  DropRedoSteps();
  step->lSequence = m_budget.NextSequence();
  m_lBytes += step->lBytes;
  m_budget.m_lBytes += step->lBytes;
  m_steps.push_back(std::move(step));
  ++m_lPosition;
  m_budget.Enforce();
}

std::string cImageHistory::UndoName() const {
  return CanUndo() ? m_steps[static_cast<size_t>(m_lPosition - 1)]->sName : std::string();
}

std::string cImageHistory::RedoName() const {
  return CanRedo() ? m_steps[static_cast<size_t>(m_lPosition)]->sName : std::string();
}

void cImageHistory::Undo(cImageDocumentCore& cDocument) {
  if (!CanUndo()) return;
  Apply(cDocument, *m_steps[static_cast<size_t>(m_lPosition - 1)], false);
  --m_lPosition;
}

void cImageHistory::Redo(cImageDocumentCore& cDocument) {
  if (!CanRedo()) return;
  Apply(cDocument, *m_steps[static_cast<size_t>(m_lPosition)], true);
  ++m_lPosition;
}

void cImageHistory::Apply(cImageDocumentCore& cDocument, const sStep& step, bool bForward) {
  const cPixelCacheScope cache;
  cDIBSection& cNow = cDocument.Picture();
  if (step.bDelta) {
    if (PictureBytes(cNow) != step.before.lSize || cNow.Width() != step.lAfterWidth ||
        cNow.Height() != step.lAfterHeight) {
      throw std::runtime_error("The undo history does not match the picture.");
    }
    if (step.before.lSize > 0) UnpackXor(step.before, cNow.DIBSectionBitsPtr());
    return;
  }
  cDocument.AdoptPicture(bForward
                             ? UnpackPicture(step.lAfterWidth, step.lAfterHeight, step.after)
                             : UnpackPicture(step.lBeforeWidth, step.lBeforeHeight, step.before));
}

void cImageHistory::Clear(bool bSaved) {
  m_budget.m_lBytes -= m_lBytes;
  m_lBytes = 0;
  m_steps.clear();
  m_lPosition = 0;
  m_lSaved = bSaved ? 0 : -1;
}

void cImageHistory::TakeFrom(cImageHistory& other) {
  if (&other == this) return;
  if (&other.m_budget != &m_budget) throw std::logic_error("Histories of different budgets.");
  Clear(false);
  m_steps = std::move(other.m_steps);
  other.m_steps.clear();
  m_lPosition = other.m_lPosition;
  m_lSaved = other.m_lSaved;
  // The bytes stay counted in the budget once; they only change hands.
  m_lBytes = other.m_lBytes;
  other.m_lBytes = 0;
  other.m_lPosition = 0;
  other.m_lSaved = 0;
}

bool cImageHistory::OldestDroppable(uint64_t& lSequence) const {
  // Dropping a redo step would cut the steps after it off; the latest step always stays.
  if (m_lPosition < 1 || m_steps.size() < 2) return false;
  lSequence = m_steps.front()->lSequence;
  return true;
}

void cImageHistory::DropOldest() {
  const int64_t lBytes = m_steps.front()->lBytes;
  m_steps.erase(m_steps.begin());
  m_lBytes -= lBytes;
  m_budget.m_lBytes -= lBytes;
  --m_lPosition;
  // The picture before the dropped step can no longer be reached.
  if (m_lSaved == 0) {
    m_lSaved = -1;
  } else if (m_lSaved > 0) {
    --m_lSaved;
  }
}

void cImageHistory::DropRedoSteps() {
  while (StepCount() > m_lPosition) {
    m_lBytes -= m_steps.back()->lBytes;
    m_budget.m_lBytes -= m_steps.back()->lBytes;
    m_steps.pop_back();
  }
  if (m_lSaved > m_lPosition) m_lSaved = -1;
}

}  // namespace brennic
