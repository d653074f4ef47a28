#pragma once
// The plain algorithms of the colour operations, resampling, palettes and combinations, written
// out loop for loop as the engine's documentation gives them: column by column, one pixel at a
// time, no tables, no threads. Every fast path of the engine is compared with these.
// They raise no events.

#include <cstdint>
#include <memory>

#include "image/cDIBSection.h"
#include "image/cPalette.h"

namespace brennic::reference {

void GrayScale(cDIBSection& cTo);
void BlackAndWhite(cDIBSection& cFrom, cDIBSection& cTo);
// Draws from the program's generator with Rnd(), in the plain order.
void AddNoise(cDIBSection& cTo, int32_t lPercent, bool bRandom);
void Fade(cDIBSection& cTo, int32_t lAmount);
void Lighten(cDIBSection& cTo, int32_t lAmount);
void Colourise(cDIBSection& cTo, float fHue, float fSaturation);

std::unique_ptr<cDIBSection> Resample(const cDIBSection& cSource, int32_t lNewHeight,
                                      int32_t lNewWidth);

void ApplyPalette(cDIBSection& cFrom, cDIBSection& cTo, const cPalette& cPal);

bool AddImages(cDIBSection& cFrom, cDIBSection& cTo, int32_t lFromMultiplier, int32_t lFromOffsetR,
               int32_t lFromOffsetG, int32_t lFromOffsetB, int32_t lToMultiplier,
               int32_t lToOffsetR, int32_t lToOffsetG, int32_t lToOffsetB);
void AddLightest(cDIBSection& cFrom, cDIBSection& cTo);
void AddDarkest(cDIBSection& cFrom, cDIBSection& cTo);

}  // namespace brennic::reference
