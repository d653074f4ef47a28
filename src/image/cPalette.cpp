// Palettes, the HLS model and resampling: not built yet.

#include "cPalette.h"

#include "cDIBSection.h"
#include "cError.h"
#include "mHLSRGB.h"

namespace brennic {

namespace {
[[noreturn]] void NotBuilt() {
  throw cError(-1, ErrorSource(".cPalette"), "Palettes are not available yet.");
}
}  // namespace

bool cPalette::LoadFromFile(const std::string&) {
  NotBuilt();
}
uint8_t cPalette::Red(int32_t) const {
  NotBuilt();
}
uint8_t cPalette::Green(int32_t) const {
  NotBuilt();
}
uint8_t cPalette::Blue(int32_t) const {
  NotBuilt();
}
int32_t cPalette::ClosestIndex(int32_t, int32_t, int32_t) const {
  NotBuilt();
}
std::vector<std::string> cPalette::SplitText(const std::string&, const std::string&) {
  NotBuilt();
}

void RGBToHLS(int32_t, int32_t, int32_t, float&, float&, float&) {
  NotBuilt();
}
void HLSToRGB(float, float, float, int32_t&, int32_t&, int32_t&) {
  NotBuilt();
}
float Maximum(float, float, float) {
  NotBuilt();
}
float Minimum(float, float, float) {
  NotBuilt();
}

std::unique_ptr<cDIBSection> cDIBSection::Resample(int32_t, int32_t) const {
  return nullptr;
}
void cDIBSection::ResampleInto(cDIBSection&) const {}

}  // namespace brennic
