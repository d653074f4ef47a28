#include "platform/mText.h"

#include <QChar>

namespace brennic {

namespace {

// Length of the valid UTF-8 sequence at the start of s and its code point, or 0 when the first
// byte does not start one (overlong forms and surrogates count as invalid).
size_t DecodeUtf8(std::string_view s, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[0]);
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  size_t n = 0;
  char32_t lMin = 0;
  if ((b0 & 0xE0) == 0xC0) {
    n = 2;
    cp = b0 & 0x1F;
    lMin = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    n = 3;
    cp = b0 & 0x0F;
    lMin = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    n = 4;
    cp = b0 & 0x07;
    lMin = 0x10000;
  } else {
    return 0;
  }
  if (s.size() < n) return 0;
  for (size_t i = 1; i < n; ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < lMin || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

void AppendUtf8(std::string& s, char32_t cp) {
  if (cp < 0x80) {
    s += static_cast<char>(cp);
  } else if (cp < 0x800) {
    s += static_cast<char>(0xC0 | (cp >> 6));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    s += static_cast<char>(0xE0 | (cp >> 12));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (cp >> 18));
    s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::string UpperCase(std::string_view sText) {
  std::string sOut;
  sOut.reserve(sText.size());
  size_t i = 0;
  while (i < sText.size()) {
    char32_t cp = 0;
    const size_t n = DecodeUtf8(sText.substr(i), cp);
    if (n == 0) {
      sOut += sText[i++];
    } else if (n == 1) {
      sOut += (cp >= 'a' && cp <= 'z') ? static_cast<char>(cp - 'a' + 'A') : static_cast<char>(cp);
      ++i;
    } else {
      AppendUtf8(sOut, QChar::toUpper(cp));
      i += n;
    }
  }
  return sOut;
}

std::vector<size_t> CharacterOffsets(std::string_view sText) {
  std::vector<size_t> offsets;
  size_t i = 0;
  while (i < sText.size()) {
    offsets.push_back(i);
    char32_t cp = 0;
    const size_t n = DecodeUtf8(sText.substr(i), cp);
    i += n == 0 ? 1 : n;
  }
  offsets.push_back(sText.size());
  return offsets;
}

size_t CharacterCount(std::string_view sText) {
  return CharacterOffsets(sText).size() - 1;
}

}  // namespace brennic
