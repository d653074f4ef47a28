// copy: one whole-picture block transfer, the floor every operation is compared with.

#include <benchmark/benchmark.h>

#include "BenchImages.h"

namespace brennic::bench {
namespace {

void BM_copy(benchmark::State& state) {
  auto& src = const_cast<cDIBSection&>(NaturalPicture());
  cDIBSection dst;
  dst.Create(kWidth, kHeight);
  for (auto _ : state) {
    dst.LoadPictureBlt(src.hdc(), 0, 0, -1, -1, SRCCOPY);
    benchmark::DoNotOptimize(dst.DIBSectionBitsPtr());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_copy)->Name("copy")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace brennic::bench
