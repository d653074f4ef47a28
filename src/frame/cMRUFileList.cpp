#include "frame/cMRUFileList.h"

#include <algorithm>
#include <exception>

#include "platform/cRegistry.h"
#include "platform/mText.h"

namespace brennic {

namespace {

// Characters of a path that may stand in a menu caption after "...".
constexpr size_t kCaptionTail = 32;

bool IsSeparator(std::string_view sCharacter) {
  return sCharacter == "\\" || sCharacter == "/";
}

}  // namespace

void cMRUFileList::MaxFileCount(int32_t lMax) {
  lMax = std::max(lMax, 0);
  if (lMax == m_lMaxCount) return;
  m_sFiles.resize(static_cast<size_t>(lMax));
  m_lMaxCount = lMax;
  // Entries that no longer fit are gone, so they are no longer counted either.
  m_lCount = std::min(m_lCount, m_lMaxCount);
}

const std::string& cMRUFileList::File(int32_t iIndex) const {
  static const std::string sNone;
  if (iIndex < 1 || iIndex > m_lMaxCount) return sNone;
  return m_sFiles[static_cast<size_t>(iIndex - 1)];
}

bool cMRUFileList::FileExists(int32_t iIndex) const {
  return !File(iIndex).empty();
}

std::string cMRUFileList::MenuCaption(int32_t iIndex) const {
  const std::string& s = File(iIndex);
  std::string sShown = s;
  const std::vector<size_t> offsets = CharacterOffsets(s);
  const size_t L = offsets.size() - 1;
  if (L > kCaptionTail) {
    // Scanning from the end: the leftmost separator whose tail still fits is where the caption
    // cuts; the first separator beyond that ends the scan.
    size_t lCut = 0;
    for (size_t i = L; i >= 1; --i) {
      if (!IsSeparator(std::string_view(s).substr(offsets[i - 1], offsets[i] - offsets[i - 1]))) {
        continue;
      }
      if (L - i <= kCaptionTail) {
        lCut = i;
      } else {
        sShown = "..." + s.substr(offsets[(lCut != 0 ? lCut : i) - 1]);
        break;
      }
    }
  }
  return "&" + std::to_string(iIndex) + ")  " + sShown;
}

void cMRUFileList::AddFile(const std::string& sFileName) {
  const std::string sUpper = UpperCase(sFileName);
  int32_t p = 0;
  for (int32_t i = 1; i <= m_lCount; ++i) {
    if (UpperCase(File(i)) == sUpper) {
      p = i;
      break;
    }
  }
  if (p == 0) {
    if (m_lCount < m_lMaxCount) ++m_lCount;
    p = m_lCount;
  }
  if (p == 0) return;
  for (int32_t j = p - 1; j >= 1; --j)
    m_sFiles[j] = m_sFiles[j - 1];
  m_sFiles[0] = sFileName;
}

bool cMRUFileList::Save(cRegistry& cR) const {
  try {
    cR.ValueKey("MaxCount");
    cR.ValueType(kRegDword);
    cR.Value(MaxFileCount());
    cR.ValueKey("Count");
    cR.ValueType(kRegDword);
    cR.Value(m_lCount);
    for (int32_t i = 1; i <= m_lCount; ++i) {
      cR.ValueKey("File" + std::to_string(i));
      cR.ValueType(kRegSz);
      cR.Value(File(i));
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool cMRUFileList::Load(cRegistry& cR) {
  try {
    cR.ValueKey("MaxCount");
    if (!cR.KeyExists()) return true;
    cR.ValueType(kRegDword);
    int32_t lMax = 0;
    // Another program writing under the same key (the custom filters do) may leave no usable
    // capacity: the one set at start-up stays.
    if (!VariantToLong(cR.Value(), lMax) || lMax <= 0) return false;
    MaxFileCount(std::min(lMax, kMenuSlots));
    cR.ValueKey("Count");
    cR.ValueType(kRegDword);
    int32_t lCount = 0;
    if (!VariantToLong(cR.Value(), lCount)) return false;
    m_lCount = std::clamp(lCount, 0, m_lMaxCount);
    std::fill(m_sFiles.begin() + m_lCount, m_sFiles.end(), std::string());
    for (int32_t i = 1; i <= m_lCount; ++i) {
      cR.ValueKey("File" + std::to_string(i));
      cR.ValueType(kRegSz);
      m_sFiles[static_cast<size_t>(i - 1)] = VariantToText(cR.Value());
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace brennic
