#include "cPalette.h"

#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cError.h"
#include "mFileAccess.h"

namespace brennic {

namespace {

// The numbers and texts the runtime gives these failures.
constexpr int32_t kErrOverflow = 6;
constexpr int32_t kErrTypeMismatch = 13;
constexpr int32_t kErrFileNotFound = 53;
constexpr int32_t kErrFileAccess = 75;

[[noreturn]] void Fail(int32_t lNumber, const std::string& sDescription) {
  throw cError(lNumber, ErrorSource(".cPalette"), sDescription);
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Reads a palette field: an optional sign, then digits with an optional fraction ("12", "+7",
// "12.5", "12.", ".5"); nothing else, not even a space. The value is rounded half to even,
// decided on the exact decimal digits, and must lie within 0..255. Returns -1 for text that is
// not a number and 256 for a number outside the range.
int32_t ParseField(const std::string& sText) {
  size_t i = 0;
  bool bNegative = false;
  if (i < sText.size() && (sText[i] == '+' || sText[i] == '-')) {
    bNegative = sText[i] == '-';
    ++i;
  }
  const size_t lIntStart = i;
  int64_t lWhole = 0;
  for (; i < sText.size() && IsDigit(sText[i]); ++i) {
    if (lWhole <= 1000) lWhole = lWhole * 10 + (sText[i] - '0');  // beyond 1000 is out anyway
  }
  const size_t lIntDigits = i - lIntStart;
  size_t lFracDigits = 0;
  int lFirstFrac = 0;         // first digit after the point
  bool bMoreNonZero = false;  // any non-zero digit after the first
  if (i < sText.size() && sText[i] == '.') {
    ++i;
    const size_t lFracStart = i;
    for (; i < sText.size() && IsDigit(sText[i]); ++i) {
      if (i == lFracStart) {
        lFirstFrac = sText[i] - '0';
      } else if (sText[i] != '0') {
        bMoreNonZero = true;
      }
    }
    lFracDigits = i - lFracStart;
  }
  if (i != sText.size() || lIntDigits + lFracDigits == 0) return -1;
  const bool bUp = lFirstFrac > 5 || (lFirstFrac == 5 && (bMoreNonZero || lWhole % 2 == 1));
  const int64_t lRounded = lWhole + (bUp ? 1 : 0);
  if (lRounded > 255 || (bNegative && lRounded != 0)) return 256;
  return static_cast<int32_t>(lRounded);
}

uint8_t FieldValue(const std::string& sField, size_t lLine) {
  const int32_t v = ParseField(sField);
  if (v < 0) {
    Fail(kErrTypeMismatch, "Type mismatch: \"" + sField + "\" in line " + std::to_string(lLine) +
                               " of the palette is not a number.");
  }
  if (v > 255) {
    Fail(kErrOverflow, "Overflow: " + sField + " in line " + std::to_string(lLine) +
                           " of the palette is outside 0 to 255.");
  }
  return static_cast<uint8_t>(v);
}

std::string ReadWholeFile(const std::string& sFileName) {
  std::string sKind;
  const int fd = OpenRegularFile(sFileName, sKind);
  if (fd < 0) {
    const int lErrno = errno;
    if (sKind == "a folder") {
      Fail(kErrFileAccess, "Path/File access error: " + sFileName + " is a folder.");
    }
    if (!sKind.empty()) {
      Fail(kErrFileAccess,
           "Path/File access error: " + sFileName + " is " + sKind + ", not a palette file.");
    }
    if (lErrno == ENOENT) Fail(kErrFileNotFound, "File not found: " + sFileName);
    Fail(kErrFileAccess,
         "Path/File access error: " + sFileName + " (" + std::strerror(lErrno) + ")");
  }
  std::string sText;
  char buffer[1 << 16];
  ssize_t lRead = 0;
  // One byte past the limit tells a file that is too large, even one that grows as it is read.
  while (sText.size() <= cPalette::kMaxFileBytes &&
         (lRead = ::read(fd, buffer, sizeof buffer)) != 0) {
    if (lRead < 0) {
      if (errno == EINTR) continue;
      break;
    }
    sText.append(buffer, static_cast<size_t>(lRead));
  }
  ::close(fd);
  if (lRead < 0) Fail(kErrFileAccess, "Path/File access error: " + sFileName);
  if (sText.size() > cPalette::kMaxFileBytes) {
    Fail(kErrFileAccess, "Path/File access error: " + sFileName +
                             " is larger than any palette file can be (at most 1 MB).");
  }
  return sText;
}

}  // namespace

bool cPalette::LoadFromFile(const std::string& sFileName) {
  m_tEntries.clear();
  try {
    const std::string sText = ReadWholeFile(sFileName);
    const std::vector<std::string> lines = SplitText(sText, "\r\n");
    for (size_t l = 0; l < lines.size(); ++l) {
      const std::vector<std::string> pieces = SplitText(lines[l], " ");
      if (pieces.size() != 3) continue;  // headers, counts, blank and other lines
      PaletteEntry e;
      e.red = FieldValue(pieces[0], l + 1);
      e.green = FieldValue(pieces[1], l + 1);
      e.blue = FieldValue(pieces[2], l + 1);
      m_tEntries.push_back(e);
    }
  } catch (...) {
    m_tEntries.clear();  // a failed load leaves no partial palette behind
    throw;
  }
  return true;
}

uint8_t cPalette::Red(int32_t iIndex) const {
  return iIndex >= 1 && iIndex <= Count() ? m_tEntries[static_cast<size_t>(iIndex - 1)].red : 0;
}
uint8_t cPalette::Green(int32_t iIndex) const {
  return iIndex >= 1 && iIndex <= Count() ? m_tEntries[static_cast<size_t>(iIndex - 1)].green : 0;
}
uint8_t cPalette::Blue(int32_t iIndex) const {
  return iIndex >= 1 && iIndex <= Count() ? m_tEntries[static_cast<size_t>(iIndex - 1)].blue : 0;
}

int32_t cPalette::ClosestIndex(int32_t lRed, int32_t lGreen, int32_t lBlue) const {
  int32_t lBest = 765;  // 3 x 255: only a strictly closer entry is taken
  int32_t lBestIndex = 0;
  for (int32_t i = 1; i <= Count(); ++i) {
    const PaletteEntry& e = m_tEntries[static_cast<size_t>(i - 1)];
    if (e.red == lRed && e.green == lGreen && e.blue == lBlue) return i;
    const int32_t d =
        std::abs(lRed - e.red) + std::abs(lGreen - e.green) + std::abs(lBlue - e.blue);
    if (d < lBest) {
      lBest = d;
      lBestIndex = i;
    }
  }
  return lBestIndex;
}

std::vector<std::string> cPalette::SplitText(const std::string& sText, const std::string& sDelim) {
  std::vector<std::string> pieces;
  size_t lStart = 0;
  for (;;) {
    const size_t lAt = sDelim.empty() ? std::string::npos : sText.find(sDelim, lStart);
    if (lAt == std::string::npos) {
      pieces.push_back(sText.substr(lStart));
      return pieces;
    }
    pieces.push_back(sText.substr(lStart, lAt - lStart));
    lStart = lAt + sDelim.size();
  }
}

}  // namespace brennic
