#pragma once
// The program's one uniform pseudo-random generator, shared by RandomiseBits and AddNoise.
//
// It is counter based (SplitMix64 of seed + n * gamma): draw number n depends only on the seed
// and n, so a parallel operation can compute any draw of its sequence without taking the draws
// in order, and get exactly the numbers a plain loop would.

#include <cstdint>

namespace brennic {

// Draws the next number, uniform in [0, 1) with 53 random bits.
double Rnd();
// Reseeds from the time of day; the draw counter restarts at 0.
void RandomizeFromClock();
// Reseeds with a fixed value (the batch tool's --seed); the draw counter restarts at 0.
void SeedRandom(uint64_t lSeed);

// For operations that draw many numbers at once: the current position of the sequence, the
// number at any position, and moving the position past numbers already used.
uint64_t RandomPosition();
double RandomAt(uint64_t lPosition);
void AdvanceRandom(uint64_t lDraws);
// pOut[i] = RandomAt(lFirst + i x lStride) for i < lCount, computed several at a time. Does not
// move the position.
void RandomAtEach(uint64_t lFirst, uint64_t lStride, int64_t lCount, double* pOut);

}  // namespace brennic
