// The neighbourhood filters, each run as the batch tool runs it (ProcessImage through the
// document) on the 4000 x 3000 picture.

#include <string>

#include "BenchOps.h"

namespace brennic::bench {
namespace {

// A 7 x 7 kernel with mixed signs, values -2 .. 6, weight = their sum (94).
std::string Custom7() {
  std::string sValues;
  int32_t lSum = 0;
  for (int32_t r = 0; r < 7; ++r) {
    for (int32_t c = 0; c < 7; ++c) {
      const int32_t v = (r * 7 + c * 3) % 9 - 2;
      lSum += v;
      sValues += (sValues.empty() ? "" : ",") + std::to_string(v);
    }
  }
  return "custom=7:" + std::to_string(lSum) + ":" + sValues;
}

const bool g_bRegistered = [] {
  for (const char* sName : {"blur", "blur-more", "soften", "soften-more", "sharpen", "sharpen-more",
                            "unsharp", "emboss", "median-rank", "minimum-rank", "maximum-rank"}) {
    RegisterOperationBenchmark(sName, sName);
  }
  RegisterOperationBenchmark("custom7", Custom7());
  return true;
}();

}  // namespace
}  // namespace brennic::bench
