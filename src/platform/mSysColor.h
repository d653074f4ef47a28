#pragma once
// Colours in the program's encoding: an RGB value 0x00BBGGRR, or, with the top bit set,
// 0x80000000 + the index of a system colour (0x8000000D highlight, 0x8000000F button face).
// System colours come from the application's Qt palette.

#include <cstdint>

class QColor;

namespace brennic {

inline constexpr int32_t kSysColorFlag = static_cast<int32_t>(0x80000000);
inline constexpr int32_t kSysHighlight = static_cast<int32_t>(0x8000000D);
inline constexpr int32_t kSysButtonFace = static_cast<int32_t>(0x8000000F);
// The highest system colour index the translation knows.
inline constexpr int32_t kLastSysColorIndex = 30;

// 0x00BBGGRR from the three channels.
constexpr int32_t RGB(int r, int g, int b) {
  return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}
QColor ColorFromRGB(int32_t lRGB);
int32_t RGBFromColor(const QColor& color);

// The RGB value of system colour iIndex (0 to 30) from the application's palette; 0 for an index
// the platform does not know.
int32_t GetSysColor(int32_t iIndex);

// Translates a colour of the encoding above to RGB (no palette). Returns false for a value that
// names no colour: a system index above 30, or a top byte other than 0x00, 0x02 or 0x80.
bool TranslateColor(int32_t lColor, int32_t& lRGB);
// The RGB value, or -1 when the colour cannot be translated.
int32_t TranslatedColorOrMinusOne(int32_t lColor);

}  // namespace brennic
