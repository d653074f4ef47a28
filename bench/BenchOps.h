#pragma once
// Benchmarks of table operations: each runs an operation exactly as the batch tool would, on a
// fresh copy of the 4000 x 3000 picture per iteration (the copy is not timed).

#include <string>

namespace brennic::bench {

// Registers a benchmark sBenchName that runs sOperationText ("blur", "fade=240", "add=second:...")
// through the operation table. The file name "second" stands for the second natural picture.
void RegisterOperationBenchmark(const std::string& sBenchName, const std::string& sOperationText);

}  // namespace brennic::bench
