#include "BenchOps.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>

#include "BenchImages.h"
#include "document/cOperations.h"

namespace brennic::bench {

namespace {

class cBenchContext : public IOperationContext {
 public:
  std::unique_ptr<cDIBSection> LoadImageFile(const std::string& sPath) override {
    if (sPath != "second") throw std::invalid_argument("bench: unknown picture " + sPath);
    auto img = std::make_unique<cDIBSection>();
    img->Create(kWidth, kHeight);
    img->LoadPictureBlt(const_cast<cDIBSection&>(NaturalPicture(1)).hdc(), 0, 0, -1, -1, SRCCOPY);
    return img;
  }
};

}  // namespace

void RegisterOperationBenchmark(const std::string& sBenchName, const std::string& sOperationText) {
  benchmark::RegisterBenchmark(
      sBenchName.c_str(),
      [sOperationText](benchmark::State& state) {
        cBenchContext ctx;
        const cOperationStep step = ParseOperation(sOperationText, ctx);
        cImageDocumentCore doc;
        const cDIBSection& picture = NaturalPicture(0);
        doc.LoadImage(picture);
        for (auto _ : state) {
          state.PauseTiming();
          if (doc.Picture().Width() != kWidth || doc.Picture().Height() != kHeight) {
            doc.LoadImage(picture);
          } else {
            doc.Picture().LoadPictureBlt(const_cast<cDIBSection&>(picture).hdc(), 0, 0, -1, -1,
                                         SRCCOPY);
          }
          state.ResumeTiming();
          step(doc);
          benchmark::ClobberMemory();
        }
      })
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
}

}  // namespace brennic::bench
