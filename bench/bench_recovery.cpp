// Recovery data for the 4000 x 3000 picture, per completed change:
//   recovery-keep  the time the user-interface thread spends on a change (queueing the picture);
//                  counters: background_ms (copying, packing and writing on the store's thread),
//                  bytes (the file written), settle_ms (the wait of a command that follows at
//                  once, before the store's thread has copied the picture: the worst case). The
//                  folder is a temporary one, removed afterwards.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "BenchImages.h"
#include "document/cRecoveryStore.h"

namespace brennic::bench {
namespace {

void BM_recovery_keep(benchmark::State& state) {
  const std::filesystem::path root = std::filesystem::temp_directory_path() /
                                     ("brennic-bench-recovery-" + std::to_string(getpid()));
  {
    cRecoveryStore store(root.string());
    const cDIBSection& cPicture = NaturalPicture(0);
    // The first copy finds no buffer to reuse; every later change does.
    store.Keep(1, "/pictures/natural.bmp", "/pictures/natural.bmp", false, cPicture);
    store.Flush();
    const cRecoveryStore::sStats first = store.Stats();
    double dSettle = 0.0;
    for (auto _ : state) {
      store.Keep(1, "/pictures/natural.bmp", "/pictures/natural.bmp", false, cPicture);
      state.PauseTiming();
      const auto start = std::chrono::steady_clock::now();
      store.Settle();
      dSettle += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      store.Flush();
      state.ResumeTiming();
    }
    const cRecoveryStore::sStats stats = store.Stats();
    const double lWrites = static_cast<double>(stats.lWrites - first.lWrites);
    if (lWrites > 0) {
      state.counters["background_ms"] =
          (stats.dBackgroundSeconds - first.dBackgroundSeconds) * 1000.0 / lWrites;
      state.counters["bytes"] = static_cast<double>(stats.lBytes - first.lBytes) / lWrites;
      state.counters["settle_ms"] = dSettle * 1000.0 / lWrites;
    }
  }
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
}
// A fixed count: the time measured is tiny, and each iteration waits for a whole write.
BENCHMARK(BM_recovery_keep)
    ->Name("recovery-keep")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20);

}  // namespace
}  // namespace brennic::bench
