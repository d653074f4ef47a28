#pragma once
// The vertical step of a resampled row as a look-up table, for the rows where it gives exactly
// what the single-precision formula gives.

#include <cstdint>

namespace brennic {

// For a row's weight t: aTable[k] = round(t k) for k = 0..255. True only when, for every pair of
// bytes, round((1 - t) p0 + t p1) worked in single precision as the row loop does it equals
// p0 + aTable[p1 - p0] (p1 >= p0) or p0 - aTable[p0 - p1] (p1 < p0). False when t is outside
// [0, 1) or not a multiple of 2^-23, or some t k lies so near a half that the roundings of the
// single-precision products could decide it (exact halves among them); such rows take the
// formula.
bool MakeVerticalTable(float fT, uint8_t aTable[256]);

}  // namespace brennic
