#pragma once
// cPalette: the colours of a palette text file, and the nearest of them to a given colour.
// File format: CR LF lines (a lone CR or LF belongs to the text); a line cut at every single
// space into exactly three pieces is an entry (red, green, blue), other lines are ignored. A field
// is a number: an optional sign, then digits with an optional fraction ("12", "+7", "12.5",
// "12.", ".5"), nothing else; it is rounded half to even on its exact decimal value ("12.5" is
// 12, "12.6" is 13) and must lie within 0..255. Errors are cError with source "<exe>.cPalette":
// 53 "File not found", 75 "Path/File access error" (also for a name that is no regular file and
// a file over kMaxFileBytes), 13 "Type mismatch" for a field that is not a
// number (an empty one included), 6 "Overflow" for one outside 0..255.

#include <cstddef>
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
  // No palette file is larger: 256 entries of three numbers take a few kilobytes, and a longer
  // file is not read (a device or a runaway file would otherwise be read without end).
  static constexpr size_t kMaxFileBytes = size_t{1} << 20;

  // Replaces the entries by those of the file. A failure empties the palette and raises.
  bool LoadFromFile(const std::string& sFileName);
  int32_t Count() const { return static_cast<int32_t>(m_tEntries.size()); }
  // Components of entry iIndex, 1..Count; 0 for any other index.
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
