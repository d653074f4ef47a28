#pragma once
// Text helpers shared by the settings store and the recent-files list. Program text is UTF-8.

#include <string>
#include <string_view>
#include <vector>

namespace brennic {

// Each code point of valid UTF-8 replaced by its simple (one-to-one) upper-case mapping, so
// "straße" becomes "STRAßE" and the length in code points never changes; bytes that are not
// valid UTF-8 are kept as they are. Two texts are equal ignoring case when their UpperCase
// results are equal byte for byte.
std::string UpperCase(std::string_view sText);

// Number of characters: code points of valid UTF-8, every other byte counting as one.
size_t CharacterCount(std::string_view sText);

// Byte offset at which each character starts, plus sText.size() at the end.
std::vector<size_t> CharacterOffsets(std::string_view sText);

}  // namespace brennic
