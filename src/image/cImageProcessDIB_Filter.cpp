// Filter definitions and neighbourhood processing: not built yet.

#include "cError.h"
#include "cImageProcessDIB.h"

namespace brennic {

namespace {
[[noreturn]] void NotBuilt() {
  throw cError(-1, ErrorSource(".cImageProcess"), "Neighbourhood filters are not available yet.");
}
}  // namespace

void cImageProcessDIB::FilterType(int32_t) {
  NotBuilt();
}
void cImageProcessDIB::FilterArraySize(int32_t) {
  NotBuilt();
}
int32_t cImageProcessDIB::FilterValue(int32_t, int32_t) const {
  NotBuilt();
}
void cImageProcessDIB::FilterValue(int32_t, int32_t, int32_t) {
  NotBuilt();
}
bool cImageProcessDIB::ProcessImage(cDIBSection&, cDIBSection&) {
  NotBuilt();
}
void cImageProcessDIB::BuildKernel() {
  NotBuilt();
}
bool cImageProcessDIB::Convolve(cDIBSection&, cDIBSection&) {
  NotBuilt();
}
bool cImageProcessDIB::RankFilter(cDIBSection&, cDIBSection&) {
  NotBuilt();
}

}  // namespace brennic
