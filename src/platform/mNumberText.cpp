#include "platform/mNumberText.h"

#include <charconv>
#include <cmath>
#include <string>

namespace brennic {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Length of the longest number at the start of s (0 when there is none) and its value.
size_t ScanNumber(std::string_view s, double& dValue) {
  size_t i = 0;
  bool bNegative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    bNegative = s[i] == '-';
    ++i;
  }
  const size_t lStart = i;
  size_t lDigits = 0;
  while (i < s.size() && IsDigit(s[i])) {
    ++i;
    ++lDigits;
  }
  if (i < s.size() && s[i] == '.') {
    size_t j = i + 1;
    size_t lFraction = 0;
    while (j < s.size() && IsDigit(s[j])) {
      ++j;
      ++lFraction;
    }
    // A point continues the number only when a digit stands before or after it.
    if (lDigits + lFraction > 0) {
      i = j;
      lDigits += lFraction;
    }
  }
  if (lDigits == 0) return 0;
  double d = 0;
  std::from_chars(s.data() + lStart, s.data() + i, d, std::chars_format::fixed);
  dValue = bNegative ? -d : d;
  return i;
}

}  // namespace

double LeadingNumber(std::string_view sText) {
  std::string sCompact;
  sCompact.reserve(sText.size());
  for (char c : sText) {
    if (!IsBlank(c)) sCompact += c;
  }
  double d = 0;
  return ScanNumber(sCompact, d) > 0 ? d : 0.0;
}

bool IsNumberText(std::string_view sText) {
  while (!sText.empty() && IsBlank(sText.front()))
    sText.remove_prefix(1);
  while (!sText.empty() && IsBlank(sText.back()))
    sText.remove_suffix(1);
  double d = 0;
  return !sText.empty() && ScanNumber(sText, d) == sText.size();
}

std::optional<int32_t> NumberTextToLong(std::string_view sText) {
  if (!IsNumberText(sText)) return std::nullopt;
  const double d = std::nearbyint(LeadingNumber(sText));  // default rounding: halves to even
  if (!(d >= -2147483648.0 && d <= 2147483647.0)) return std::nullopt;
  return static_cast<int32_t>(d);
}

int32_t RoundToLongClamped(double dValue) {
  const double d = std::nearbyint(dValue);
  if (std::isnan(d)) return 0;
  if (d <= -2147483648.0) return INT32_MIN;
  if (d >= 2147483647.0) return INT32_MAX;
  return static_cast<int32_t>(d);
}

}  // namespace brennic
