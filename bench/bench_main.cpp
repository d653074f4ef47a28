// brennic-bench: times the engine's operations on a 4000 x 3000 picture.
// --threads N (or BRENNIC_THREADS) sets the engine's worker count; every other argument goes to
// Google Benchmark. Times are real (wall-clock) milliseconds: what the user waits for.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image/cParallel.h"

int main(int argc, char** argv) {
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--threads") == 0 && i + 1 < argc) {
      brennic::SetWorkerCount(std::atoi(argv[++i]));
    } else if (std::strncmp(argv[i], "--threads=", 10) == 0) {
      brennic::SetWorkerCount(std::atoi(argv[i] + 10));
    } else {
      args.push_back(argv[i]);
    }
  }
  int n = static_cast<int>(args.size());
  benchmark::Initialize(&n, args.data());
  if (benchmark::ReportUnrecognizedArguments(n, args.data())) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
