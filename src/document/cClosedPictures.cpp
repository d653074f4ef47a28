#include "document/cClosedPictures.h"

#include <utility>

namespace brennic {

cClosedPictures::cClosedPictures(cHistoryBudget& budget) : m_budget(budget) {}

cClosedPictures::~cClosedPictures() {
  while (!m_pictures.empty())
    DropOldest();
}

void cClosedPictures::Push(std::unique_ptr<sClosedPicture> pPicture) {
  if (pPicture == nullptr) return;
  m_budget.Hold(pPicture->Bytes());
  m_pictures.push_back(std::move(pPicture));
  while (m_pictures.size() > kMaxKept)
    DropOldest();
  // Closed pictures give way before the undo steps of the open ones.
  while (m_pictures.size() > 1 && m_budget.Bytes() > m_budget.Limit())
    DropOldest();
  m_budget.Enforce();
}

std::unique_ptr<sClosedPicture> cClosedPictures::Pop() {
  if (m_pictures.empty()) return nullptr;
  std::unique_ptr<sClosedPicture> pPicture = std::move(m_pictures.back());
  m_pictures.pop_back();
  m_budget.Hold(-pPicture->Bytes());
  return pPicture;
}

void cClosedPictures::DropOldest() {
  m_budget.Hold(-m_pictures.front()->Bytes());
  m_pictures.pop_front();
}

}  // namespace brennic
