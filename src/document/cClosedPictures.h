#pragma once
// cClosedPictures: the documents of this run whose windows closed while they held changes, newest
// last, so that File > Reopen Closed Picture can bring them back as they were: name, title,
// picture, changed flag and the whole undo history. The history moves in and out uncopied; the
// picture is kept packed. Everything held counts against the undo memory budget: when the budget
// is over its limit the oldest closed pictures go first (the newest always stays), and then the
// oldest undo steps of all histories, as ever.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "document/cImageHistory.h"

namespace brennic {

struct sClosedPicture {
  std::string sName;
  std::string sCaption;
  bool bDirty = false;
  // Pasted or combined, never saved: no file holds the picture.
  bool bNoFile = false;
  int32_t lWidth = 0;
  int32_t lHeight = 0;
  sPackedBytes picture;
  std::unique_ptr<cImageHistory> pHistory;
  int64_t Bytes() const { return picture.StoredBytes() + static_cast<int64_t>(sizeof(*this)); }
};

class cClosedPictures {
 public:
  // How many closed pictures are kept at most.
  static constexpr size_t kMaxKept = 16;

  explicit cClosedPictures(cHistoryBudget& budget = SharedHistoryBudget());
  ~cClosedPictures();
  cClosedPictures(const cClosedPictures&) = delete;
  cClosedPictures& operator=(const cClosedPictures&) = delete;

  cHistoryBudget& Budget() const { return m_budget; }
  void Push(std::unique_ptr<sClosedPicture> pPicture);
  // The most recently closed picture, taken out; nullptr when there is none.
  std::unique_ptr<sClosedPicture> Pop();
  bool Empty() const { return m_pictures.empty(); }
  size_t Count() const { return m_pictures.size(); }

 private:
  void DropOldest();

  cHistoryBudget& m_budget;
  std::deque<std::unique_ptr<sClosedPicture>> m_pictures;
};

}  // namespace brennic
