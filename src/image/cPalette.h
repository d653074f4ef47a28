#pragma once
// cPalette: the colours of a palette text file, and the nearest of them to a given colour.
// File format: CR LF lines; a line cut at every single space into exactly three pieces is an
// entry (red, green, blue, each a number 0..255, rounded half to even); other lines are ignored.
// Errors are cError with source "<exe>.cPalette".

#include <cstdint>
#include <string>
#include <vector>

namespace brennic {

struct PaletteEntry {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
};

class cPalette {
 public:
  // Replaces the entries by those of the file. A failure empties the palette and raises.
  bool LoadFromFile(const std::string& sFileName);
  int32_t Count() const { return static_cast<int32_t>(m_tEntries.size()); }
  // Components of entry iIndex, 1..Count.
  uint8_t Red(int32_t iIndex) const;
  uint8_t Green(int32_t iIndex) const;
  uint8_t Blue(int32_t iIndex) const;
  // Index of the nearest entry by city-block distance (first on ties), or 0 when no entry lies
  // closer than 765.
  int32_t ClosestIndex(int32_t lRed, int32_t lGreen, int32_t lBlue) const;

 private:
  static std::vector<std::string> SplitText(const std::string& sText, const std::string& sDelim);
  std::vector<PaletteEntry> m_tEntries;
};

}  // namespace brennic
