#pragma once
// The engine's worker threads. Operations hand a loop body to ParallelFor; the split into chunks,
// the threads and the progress reporting are handled here once, so operations only supply the
// arithmetic of a chunk. The calling thread always takes part and is the only thread on which
// onDone runs, which is what lets progress events stay on the caller's thread.

#include <cstdint>
#include <functional>

namespace brennic {

// Number of threads an operation may use, the calling thread included (at least 1). The default
// comes from the environment variable BRENNIC_THREADS, else from the processor count.
int32_t WorkerCount();
// Sets the count; 0 or less returns to the default.
void SetWorkerCount(int32_t lCount);

// Runs body(first, last) over consecutive chunks of [0, lCount), each at least lGrain items long
// except perhaps the last, on up to WorkerCount() threads. onDone(completed), when given, runs on
// the calling thread only, with the number of items whose chunks have finished: non-decreasing,
// called repeatedly while the work runs, and last with lCount. The first exception thrown by a
// chunk is rethrown here after every started chunk has ended; so is an exception thrown by
// onDone, after which no further chunk starts. Called from inside a chunk, it runs
// the whole range on the current thread.
void ParallelFor(int64_t lCount, int64_t lGrain, const std::function<void(int64_t, int64_t)>& body,
                 const std::function<void(int64_t)>& onDone = nullptr);

}  // namespace brennic
