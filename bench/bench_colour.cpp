// Colour operations, resampling, palettes and combinations, each run through the operation table
// exactly as the batch tool runs it, and the resampling and combinations' engine calls alone
// ("engine/..."). The palette files (the 16 classic colours, and a 6 x 6 x 6 cube with 40 greys)
// are written to a temporary folder at start-up and removed at exit.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <system_error>

#include "BenchImages.h"
#include "BenchOps.h"
#include "image/cImageProcessDIB.h"
#include "image/mPixelMemory.h"

namespace brennic::bench {
namespace {

std::string PaletteText16() {
  const int c[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                        {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                        {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                        {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
  std::string s = "JASC-PAL\r\n0100\r\n16\r\n";
  for (const auto& e : c)
    s += std::to_string(e[0]) + " " + std::to_string(e[1]) + " " + std::to_string(e[2]) + "\r\n";
  return s;
}

std::string PaletteText256() {
  std::string s = "JASC-PAL\r\n0100\r\n256\r\n";
  for (int r = 0; r < 6; ++r) {
    for (int g = 0; g < 6; ++g) {
      for (int b = 0; b < 6; ++b) {
        s += std::to_string(51 * r) + " " + std::to_string(51 * g) + " " + std::to_string(51 * b) +
             "\r\n";
      }
    }
  }
  for (int i = 0; i < 40; ++i) {
    const std::string v = std::to_string(3 + 6 * i);
    s += v + " " + v + " " + v + "\r\n";
  }
  return s;
}

// The temporary folder with the palette files, removed when the program ends.
class cPaletteFolder {
 public:
  cPaletteFolder()
      : m_dir(std::filesystem::temp_directory_path() /
              ("brennic-bench-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(m_dir);
    std::ofstream(Path16(), std::ios::binary) << PaletteText16();
    std::ofstream(Path256(), std::ios::binary) << PaletteText256();
  }
  ~cPaletteFolder() {
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
  }
  cPaletteFolder(const cPaletteFolder&) = delete;
  cPaletteFolder& operator=(const cPaletteFolder&) = delete;

  std::string Path16() const { return (m_dir / "16.pal").string(); }
  std::string Path256() const { return (m_dir / "256.pal").string(); }

 private:
  std::filesystem::path m_dir;
};

// The engine call alone, without what the document does around it (allocating and copying the
// images of a combination, copying the negative back), to show how the time of the table
// operation divides. cFrom is the second picture, cTo a fresh copy of the first.
void RegisterEngineBenchmark(
    const std::string& sName,
    std::function<void(cImageProcessDIB&, cDIBSection&, cDIBSection&)> op) {
  benchmark::RegisterBenchmark(sName.c_str(),
                               [op](benchmark::State& state) {
                                 auto& first = const_cast<cDIBSection&>(NaturalPicture(0));
                                 auto& second = const_cast<cDIBSection&>(NaturalPicture(1));
                                 cDIBSection cTo;
                                 cTo.Create(kWidth, kHeight);
                                 cImageProcessDIB engine;
                                 for (auto _ : state) {
                                   state.PauseTiming();
                                   cTo.LoadPictureBlt(first.hdc(), 0, 0, -1, -1, SRCCOPY);
                                   state.ResumeTiming();
                                   op(engine, second, cTo);
                                   benchmark::ClobberMemory();
                                 }
                               })
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
}

// Resampling as the engine call alone, the way the peer libraries are measured: the source is
// read where it lies (no fresh copy before each run) and the new picture's memory is a kept
// block, as inside the program, instead of fresh pages.
void RegisterResampleEngineBenchmark(const std::string& sName, int32_t lWidth, int32_t lHeight) {
  benchmark::RegisterBenchmark(sName.c_str(),
                               [lWidth, lHeight](benchmark::State& state) {
                                 const cDIBSection& source = NaturalPicture(0);
                                 const cPixelCacheScope keep;
                                 for (auto _ : state) {
                                   auto result = source.Resample(lHeight, lWidth);
                                   benchmark::DoNotOptimize(result.get());
                                   state.PauseTiming();
                                   result.reset();
                                   state.ResumeTiming();
                                 }
                               })
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
}

const bool g_bRegistered = [] {
  static const cPaletteFolder palettes;
  RegisterOperationBenchmark("gray-scale", "gray-scale");
  RegisterOperationBenchmark("bw", "bw");
  RegisterOperationBenchmark("darken", "darken");
  RegisterOperationBenchmark("lighten", "lighten");
  RegisterOperationBenchmark("colourise", "colourise=2.5");
  RegisterOperationBenchmark("noise", "noise=50");
  RegisterOperationBenchmark("negative", "negative");
  RegisterOperationBenchmark("resample-half", "resample=2000x1500");
  RegisterOperationBenchmark("resample-double", "resample=8000x6000");
  RegisterOperationBenchmark("palette16", "palette=" + palettes.Path16());
  RegisterOperationBenchmark("palette256", "palette=" + palettes.Path256());
  RegisterOperationBenchmark("add", "add=second:1:0:1:0");
  RegisterOperationBenchmark("darkest", "darkest=second");
  RegisterOperationBenchmark("lightest", "lightest=second");
  RegisterResampleEngineBenchmark("engine/resample-half", kWidth / 2, kHeight / 2);
  RegisterResampleEngineBenchmark("engine/resample-double", 2 * kWidth, 2 * kHeight);
  RegisterEngineBenchmark("engine/negative",
                          [](cImageProcessDIB& e, cDIBSection& f, cDIBSection& t) {
                            e.AddImages(f, t, -1, -255, -255, -255, 0, 0, 0, 0);
                          });
  RegisterEngineBenchmark("engine/add", [](cImageProcessDIB& e, cDIBSection& f, cDIBSection& t) {
    e.AddImages(f, t, 1, 0, 0, 0, 1, 0, 0, 0);
  });
  RegisterEngineBenchmark("engine/darkest", [](cImageProcessDIB& e, cDIBSection& f,
                                               cDIBSection& t) { e.AddDarkest(f, t); });
  RegisterEngineBenchmark("engine/lightest", [](cImageProcessDIB& e, cDIBSection& f,
                                                cDIBSection& t) { e.AddLightest(f, t); });
  return true;
}();

}  // namespace
}  // namespace brennic::bench
