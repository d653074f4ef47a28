#pragma once
// cImageHistory: the undo and redo steps of one image document.
//
// Every command that changes the picture runs through Record, which keeps the picture as it was
// before and as it is after, so that Undo gives back the earlier picture exactly (size included,
// the work buffer following) and Redo the later one, without running the operation again. A
// step of a command that keeps the size holds the XOR of the two pictures' bytes: most of a
// filter's delta is small or zero and compresses well, and the one blob serves both directions.
// A command that changes the size (Resample) keeps both pictures. Blobs are zstd frames of
// fixed-size chunks, packed and unpacked in parallel on the engine's worker threads.
//
// The steps form one line with a position in it: steps before the position can be undone,
// those after it redone. Recording after an Undo drops the steps that could have been redone.
// The history also remembers which position was last opened or saved (AtSaved), so that the
// changed flag can follow undo and redo.
//
// Memory: all histories together stay within one budget (cHistoryBudget). Over it, the oldest
// undo steps of all documents go first; the most recent step of each document always stays,
// and so does a chain of redo steps that starts at the document's position, because none of
// them could be redone without the first.
//
// Invariant: between commands the picture is exactly the one the history reached. Callers change
// the picture only through Record, Undo and Redo (or start over with Clear).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/cImageDocumentCore.h"

namespace brennic {

class cImageHistory;

// The memory all histories may take together, in bytes of stored (compressed) steps.
class cHistoryBudget {
 public:
  explicit cHistoryBudget(int64_t lLimit = DefaultLimit());
  ~cHistoryBudget();
  cHistoryBudget(const cHistoryBudget&) = delete;
  cHistoryBudget& operator=(const cHistoryBudget&) = delete;

  // 1 GiB or a quarter of the physical memory, whichever is smaller.
  static int64_t DefaultLimit();

  int64_t Limit() const { return m_lLimit; }
  // A new limit applies at once: steps over it are dropped.
  void Limit(int64_t lLimit);
  // Bytes held by all histories of this budget, and by what holds pictures under it.
  int64_t Bytes() const { return m_lBytes; }
  // Bytes held outside any history (a closed picture kept for reopening) come and go.
  void Hold(int64_t lBytes) { m_lBytes += lBytes; }
  // Drops the oldest droppable steps until the histories fit into the limit or none is left.
  void Enforce();

 private:
  friend class cImageHistory;
  void Attach(cImageHistory* pHistory);
  void Detach(cImageHistory* pHistory);
  uint64_t NextSequence() { return ++m_lSequence; }

  int64_t m_lLimit;
  int64_t m_lBytes = 0;
  uint64_t m_lSequence = 0;
  std::vector<cImageHistory*> m_histories;
};

// The budget shared by every document of the program.
cHistoryBudget& SharedHistoryBudget();

// Bytes compressed in one piece (one zstd frame); the unit of parallel work.
inline constexpr size_t kHistoryChunkBytes = size_t{1} << 20;

// Bytes packed as independent zstd frames of kHistoryChunkBytes each.
struct sPackedBytes {
  size_t lSize = 0;                          // bytes before packing
  std::vector<std::vector<uint8_t>> chunks;  // one frame per chunk
  int64_t StoredBytes() const;
};

// Runs now and then on the calling thread while a large picture is packed (the windows paint).
using WhilePacking = std::function<void()>;

// Packs lSize bytes of pData.
sPackedBytes PackBytes(const uint8_t* pData, size_t lSize, const WhilePacking& fnWhile = {});
// Packs pBefore XOR pAfter; pBefore is overwritten with the XOR on the way.
sPackedBytes PackXor(uint8_t* pBefore, const uint8_t* pAfter, size_t lSize,
                     const WhilePacking& fnWhile = {});
// Unpacks into pOut (packed.lSize bytes), or XORs the unpacked bytes into it.
void UnpackBytes(const sPackedBytes& packed, uint8_t* pOut);
void UnpackXor(const sPackedBytes& packed, uint8_t* pInOut);

class cImageHistory {
 public:
  explicit cImageHistory(cHistoryBudget& budget = SharedHistoryBudget());
  ~cImageHistory();
  cImageHistory(const cImageHistory&) = delete;
  cImageHistory& operator=(const cImageHistory&) = delete;

  // Runs fnOperation, which changes cDocument's picture, and records the change as a step
  // named sName. When fnOperation throws, the picture is put back as it was, nothing is
  // recorded and the failure passes on.
  void Record(cImageDocumentCore& cDocument, const std::string& sName,
              const std::function<void()>& fnOperation);

  // What runs on the calling thread while a step is packed (seconds for a very large picture).
  void WhileRecording(WhilePacking fnWhile) { m_fnWhileRecording = std::move(fnWhile); }

  bool CanUndo() const { return m_lPosition > 0; }
  bool CanRedo() const { return m_lPosition < StepCount(); }
  // The names of the steps Undo and Redo would take; empty when there is none.
  std::string UndoName() const;
  std::string RedoName() const;
  // Each does nothing when there is no step to take. Raises error 7 "Out of memory" when a
  // picture of another size cannot be created; the document and the position stay as they were.
  void Undo(cImageDocumentCore& cDocument);
  void Redo(cImageDocumentCore& cDocument);

  // The present picture is the one in the file (opened or saved).
  void MarkSaved() { m_lSaved = m_lPosition; }
  // The present picture is the one in the file: false after any other step, and for good once
  // the file's picture can no longer be reached.
  bool AtSaved() const { return m_lSaved == m_lPosition; }
  // Forgets every step. bSaved: the present picture is the one in the file.
  void Clear(bool bSaved);
  // Takes over all steps, the position and the saved mark of other (of the same budget), which
  // is left empty: a closed document's history moves into a holder and back, uncopied.
  void TakeFrom(cImageHistory& other);

  int64_t StepCount() const { return static_cast<int64_t>(m_steps.size()); }
  int64_t Position() const { return m_lPosition; }
  // Bytes the steps take.
  int64_t Bytes() const { return m_lBytes; }

 private:
  friend class cHistoryBudget;
  struct sStep;

  // The step of this history the budget may drop first (its oldest undo step, never the last
  // step recorded) and its sequence number; false when there is none.
  bool OldestDroppable(uint64_t& lSequence) const;
  void DropOldest();
  void DropRedoSteps();
  void Apply(cImageDocumentCore& cDocument, const sStep& step, bool bForward);

  cHistoryBudget& m_budget;
  std::vector<std::unique_ptr<sStep>> m_steps;
  int64_t m_lPosition = 0;
  int64_t m_lSaved = 0;  // -1: the file's picture cannot be reached
  int64_t m_lBytes = 0;
  WhilePacking m_fnWhileRecording;
};

}  // namespace brennic
