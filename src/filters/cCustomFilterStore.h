#pragma once
// The user's custom filters in the settings store, under HKEY_CURRENT_USER\Software\Ostrel\Halvine:
// "CustomFilters" counts them, "Filter<n>" names filter n, and the key "Filter<n>" holds its
// "Weight" and its 7 x 7 cells as "Values" (a sign byte and a magnitude byte per cell, then one
// zero byte). Filters are numbered from 1 and never deleted; saving under an existing number
// overwrites that filter.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brennic {

inline constexpr const char* kAppSettingsKey = "Software\\Ostrel\\Halvine";

// Cell i holds the kernel value at (iX, iY) = (i / 7 - 3, i % 7 - 3), the two indices of the
// engine's FilterValue: cell 0 is (-3, -3), cell 24 the centre, cell 48 (3, 3).
inline constexpr int kFilterCells = 49;
inline constexpr size_t kFilterValuesBytes = 2 * kFilterCells + 1;

constexpr int FilterCellIndex(int iX, int iY) {
  return 7 * (iX + 3) + (iY + 3);
}

struct CustomFilterRecord {
  std::string sName;
  std::optional<int32_t> lWeight;  // absent when the stored filter has no "Weight"
  std::array<int32_t, kFilterCells> aCells{};
};

// The store lists no more filters than this, whatever its count says.
inline constexpr int32_t kMaxCustomFilters = 10000;

// The stored filters, (number, name) in ascending number, names exactly as stored. The list ends
// at the count or at the first filter without a name, and never holds more than
// kMaxCustomFilters.
std::vector<std::pair<int32_t, std::string>> ListFilters();

// Weight and cells of filter n (the name is left empty); nothing when the filter has no key.
// A "Values" shorter than 99 bytes, or a missing one, gives 0 for the cells it does not reach.
std::optional<CustomFilterRecord> LoadFilter(int32_t n);

// Stores the record as filter n, all of it or nothing, and returns its number. A new filter
// takes the number after the listed ones as they stand when it is stored (another running copy
// may have added one since n was chosen) and sets the count to it. The name is stored as plain
// text. Every cell must lie in -255..255 (std::out_of_range otherwise, before anything is
// written). Failed writes raise the settings store's cError. An absent weight writes no
// "Weight".
int32_t SaveFilter(const CustomFilterRecord& record, int32_t n, bool bNew);

}  // namespace brennic
