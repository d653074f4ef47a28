// The custom filter editor's preview: one redraw's engine work on the 256 x 256 centre of the
// picture with a 7 x 7 kernel (filtering, then counting the clipped channel values), which has
// to stay well inside the 100 ms the editor allows for a redraw.

#include <benchmark/benchmark.h>

#include "BenchImages.h"
#include "image/FilterPreview.h"
#include "image/cImageProcessDIB.h"

namespace brennic::bench {
namespace {

cImageProcessDIB Custom7Engine() {
  cImageProcessDIB engine;
  engine.FilterType(eCustom);
  engine.FilterArraySize(7);
  int32_t lSum = 0;
  for (int32_t i = -3; i <= 3; ++i) {
    for (int32_t j = -3; j <= 3; ++j) {
      const int32_t v = ((i + 3) * 7 + (j + 3) * 3) % 9 - 2;
      engine.FilterValue(i, j, v);
      lSum += v;
    }
  }
  engine.FilterWeight(lSum);
  return engine;
}

void BM_preview_filter(benchmark::State& state) {
  cDIBSection region, filtered, buffer;
  CopyCentredRegion(NaturalPicture(), 256, region);
  filtered.Create(256, 256);
  buffer.Create(256, 256);
  cImageProcessDIB engine = Custom7Engine();
  for (auto _ : state) {
    filtered.LoadPictureBlt(region.hdc());
    engine.ProcessImage(filtered, buffer);
    benchmark::DoNotOptimize(filtered.DIBSectionBitsPtr());
  }
}
BENCHMARK(BM_preview_filter)->Name("preview-filter")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_preview_clipped(benchmark::State& state) {
  cDIBSection region;
  CopyCentredRegion(NaturalPicture(), 256, region);
  const cImageProcessDIB engine = Custom7Engine();
  for (auto _ : state)
    benchmark::DoNotOptimize(CountClippedChannels(engine, region));
}
BENCHMARK(BM_preview_clipped)
    ->Name("preview-clipped")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace brennic::bench
