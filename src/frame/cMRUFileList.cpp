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
  m_lAdded = std::min(m_lAdded, m_lCount);
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
  // A menu takes "&" for the mark of its access key; "&&" shows one.
  std::string sCaption = "&" + std::to_string(iIndex) + ")  ";
  for (const char c : sShown) {
    sCaption += c;
    if (c == '&') sCaption += '&';
  }
  return sCaption;
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
  // An entry from below the added ones joins them at the top.
  if (p > m_lAdded) ++m_lAdded;
  for (int32_t j = p - 1; j >= 1; --j)
    m_sFiles[j] = m_sFiles[j - 1];
  m_sFiles[0] = sFileName;
}

bool cMRUFileList::Save(cRegistry& cR) const {
  try {
    // Read and written as one change: another copy of the program closing at the same moment
    // waits, and a process killed midway leaves the list as it was.
    cR.Transaction([&] {
      std::vector<std::string> files;
      std::vector<std::string> upper;
      const auto add = [&](const std::string& sFile) {
        if (sFile.empty() || static_cast<int32_t>(files.size()) >= m_lMaxCount) return;
        std::string sUpper = UpperCase(sFile);
        if (std::find(upper.begin(), upper.end(), sUpper) != upper.end()) return;
        files.push_back(sFile);
        upper.push_back(std::move(sUpper));
      };
      for (int32_t i = 1; i <= m_lAdded; ++i)
        add(File(i));
      cR.ValueKey("Count");
      cR.ValueType(kRegDword);
      cR.Default(Variant());
      int32_t lStored = 0;
      if (!VariantToLong(cR.Value(), lStored)) lStored = 0;
      for (int32_t i = 1; i <= lStored && static_cast<int32_t>(files.size()) < m_lMaxCount; ++i) {
        cR.ValueKey("File" + std::to_string(i));
        const Variant v = cR.LiteralValue();
        const std::string* pFile = std::get_if<std::string>(&v);
        if (pFile == nullptr) break;
        add(*pFile);
      }
      for (int32_t i = m_lAdded + 1; i <= m_lCount; ++i)
        add(File(i));
      cR.ValueKey("MaxCount");
      cR.ValueType(kRegDword);
      cR.Value(MaxFileCount());
      cR.ValueKey("Count");
      cR.ValueType(kRegDword);
      cR.Value(static_cast<int32_t>(files.size()));
      for (size_t i = 0; i < files.size(); ++i) {
        cR.ValueKey("File" + std::to_string(i + 1));
        cR.ValueType(kRegSz);
        cR.LiteralValue(files[i]);
      }
    });
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
    m_lAdded = 0;
    std::fill(m_sFiles.begin() + m_lCount, m_sFiles.end(), std::string());
    for (int32_t i = 1; i <= m_lCount; ++i) {
      cR.ValueKey("File" + std::to_string(i));
      cR.ValueType(kRegSz);
      m_sFiles[static_cast<size_t>(i - 1)] = VariantToText(cR.LiteralValue());
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace brennic
