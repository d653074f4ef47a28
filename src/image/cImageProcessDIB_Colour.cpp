// Colour operations and palette reduction: not built yet.

#include "cError.h"
#include "cImageProcessDIB.h"

namespace brennic {

namespace {
[[noreturn]] void NotBuilt() {
  throw cError(-1, ErrorSource(".cImageProcess"), "Colour operations are not available yet.");
}
}  // namespace

void cImageProcessDIB::GrayScale(cDIBSection&) {
  NotBuilt();
}
void cImageProcessDIB::BlackAndWhite(cDIBSection&, cDIBSection&) {
  NotBuilt();
}
void cImageProcessDIB::AddNoise(cDIBSection&, int32_t, bool) {
  NotBuilt();
}
void cImageProcessDIB::Fade(cDIBSection&, int32_t) {
  NotBuilt();
}
void cImageProcessDIB::Lighten(cDIBSection&, int32_t) {
  NotBuilt();
}
void cImageProcessDIB::Colourise(cDIBSection&, float, float) {
  NotBuilt();
}
void cImageProcessDIB::ApplyPalette(cDIBSection&, cDIBSection&, const cPalette&) {
  NotBuilt();
}

}  // namespace brennic
