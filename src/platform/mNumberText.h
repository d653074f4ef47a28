#pragma once
// Numbers typed into the dialogs' text boxes. Their form is a decimal number: an optional sign,
// digits and an optional fraction ("12", "-3", "+2.5", ".5", "7."), with at least one digit. No
// exponent, thousands separator or hexadecimal form.

#include <cstdint>
#include <optional>
#include <string_view>

namespace brennic {

// The number the text begins with, read up to the first character that cannot continue it;
// blanks (space, tab, line feed, carriage return) anywhere are skipped. 0 when the text does not
// begin with a number: "12-" gives 12, "-" and "" give 0, " - 4" gives -4.
double LeadingNumber(std::string_view sText);

// Whether the whole text, apart from blanks before and after it, is one number of the form above.
bool IsNumberText(std::string_view sText);

// The whole text as a number (IsNumberText) rounded to an integer, halves to even; nothing when
// the text is no number or the result lies outside the 32-bit range.
std::optional<int32_t> NumberTextToLong(std::string_view sText);

// A value rounded to an integer, halves to even, and clamped into the 32-bit range.
int32_t RoundToLongClamped(double dValue);

}  // namespace brennic
