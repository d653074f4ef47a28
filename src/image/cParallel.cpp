#include "cParallel.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace brennic {

namespace {

std::atomic<int32_t> g_lRequested{0};
thread_local bool t_bInsideChunk = false;

int32_t DefaultWorkerCount() {
  if (const char* s = std::getenv("BRENNIC_THREADS")) {
    const long n = std::strtol(s, nullptr, 10);
    if (n >= 1) return static_cast<int32_t>(std::min(n, 256L));
  }
  return static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
}

struct Job {
  const std::function<void(int64_t, int64_t)>* pBody = nullptr;
  int64_t lCount = 0;
  int64_t lChunk = 1;
  int64_t lChunks = 0;
  std::atomic<int64_t> lNext{0};
  std::atomic<int64_t> lDoneItems{0};
  std::atomic<int64_t> lDoneChunks{0};
  std::atomic<bool> bFailed{false};
  std::mutex errorMutex;
  std::exception_ptr error;

  // Runs chunks until none is left; returns after each chunk when bOne is set.
  bool RunOne() {
    const int64_t c = lNext.fetch_add(1, std::memory_order_relaxed);
    if (c >= lChunks) return false;
    const int64_t lFirst = c * lChunk;
    const int64_t lLast = std::min(lCount, lFirst + lChunk);
    if (!bFailed.load(std::memory_order_relaxed)) {
      t_bInsideChunk = true;
      try {
        (*pBody)(lFirst, lLast);
      } catch (...) {
        std::lock_guard lock(errorMutex);
        if (!error) error = std::current_exception();
        bFailed = true;
      }
      t_bInsideChunk = false;
    }
    lDoneItems.fetch_add(lLast - lFirst, std::memory_order_release);
    lDoneChunks.fetch_add(1, std::memory_order_acq_rel);
    return true;
  }
};

class WorkerPool {
 public:
  explicit WorkerPool(int32_t lThreads) {
    for (int32_t i = 0; i < lThreads; ++i)
      m_threads.emplace_back([this] { WorkerLoop(); });
  }
  ~WorkerPool() {
    {
      std::lock_guard lock(m_mutex);
      m_bStop = true;
    }
    m_wake.notify_all();
    for (auto& t : m_threads)
      t.join();
  }
  int32_t Threads() const { return static_cast<int32_t>(m_threads.size()); }

  void Run(Job& job, const std::function<void(int64_t)>& onDone) {
    {
      std::lock_guard lock(m_mutex);
      m_pJob = &job;
      ++m_lGeneration;
    }
    m_wake.notify_all();
    int64_t lReported = -1;
    // onDone may throw (a listener that cancels the operation): no further chunk starts, the
    // started ones end, and only then the exception leaves, so no worker outlives the job.
    std::exception_ptr stopped;
    auto report = [&] {
      const int64_t lDone = job.lDoneItems.load(std::memory_order_acquire);
      if (onDone && !stopped && lDone != lReported) {
        lReported = lDone;
        try {
          onDone(lDone);
        } catch (...) {
          stopped = std::current_exception();
          job.bFailed = true;
        }
      }
    };
    while (job.RunOne())
      report();
    {
      std::unique_lock lock(m_mutex);
      while (job.lDoneChunks.load(std::memory_order_acquire) < job.lChunks) {
        lock.unlock();
        report();
        lock.lock();
        m_done.wait_for(lock, std::chrono::milliseconds(2), [&] {
          return job.lDoneChunks.load(std::memory_order_acquire) >= job.lChunks;
        });
      }
      // No worker may touch the job once we return: stop handing it out and wait for stragglers.
      m_pJob = nullptr;
      m_done.wait(lock, [&] { return m_lActive == 0; });
    }
    report();
    if (stopped) std::rethrow_exception(stopped);
  }

 private:
  void WorkerLoop() {
    uint64_t lSeen = 0;
    std::unique_lock lock(m_mutex);
    for (;;) {
      m_wake.wait(lock, [&] { return m_bStop || m_lGeneration != lSeen; });
      if (m_bStop) return;
      lSeen = m_lGeneration;
      Job* pJob = m_pJob;
      if (pJob == nullptr) continue;
      ++m_lActive;
      lock.unlock();
      while (pJob->RunOne())
        m_done.notify_all();
      lock.lock();
      --m_lActive;
      m_done.notify_all();
    }
  }

  std::vector<std::thread> m_threads;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::condition_variable m_done;
  Job* m_pJob = nullptr;
  uint64_t m_lGeneration = 0;
  int32_t m_lActive = 0;
  bool m_bStop = false;
};

std::mutex g_poolMutex;  // one job at a time; a second caller runs its loop alone
std::unique_ptr<WorkerPool> g_pPool;

}  // namespace

int32_t WorkerCount() {
  const int32_t n = g_lRequested.load();
  if (n >= 1) return n;
  static const int32_t lDefault = DefaultWorkerCount();
  return lDefault;
}

void SetWorkerCount(int32_t lCount) {
  g_lRequested = std::max(lCount, 0);
}

void ParallelFor(int64_t lCount, int64_t lGrain, const std::function<void(int64_t, int64_t)>& body,
                 const std::function<void(int64_t)>& onDone) {
  if (lCount <= 0) {
    if (onDone) onDone(0);
    return;
  }
  const int32_t lThreads = WorkerCount();
  lGrain = std::max<int64_t>(1, lGrain);
  Job job;
  job.pBody = &body;
  job.lCount = lCount;
  // Several chunks per thread balance uneven chunks and give progress something to report.
  const int64_t lWanted = std::max<int64_t>(1, int64_t{lThreads} * 16);
  job.lChunk = std::max(lGrain, (lCount + lWanted - 1) / lWanted);
  job.lChunks = (lCount + job.lChunk - 1) / job.lChunk;

  std::unique_lock poolLock(g_poolMutex, std::defer_lock);
  const bool bParallel = lThreads > 1 && job.lChunks > 1 && !t_bInsideChunk && poolLock.try_lock();
  if (bParallel) {
    if (!g_pPool || g_pPool->Threads() != lThreads - 1) {
      g_pPool.reset();
      g_pPool = std::make_unique<WorkerPool>(lThreads - 1);
    }
    g_pPool->Run(job, onDone);
  } else {
    const bool bWasInside = t_bInsideChunk;
    while (job.RunOne()) {
      if (onDone) onDone(job.lDoneItems.load());
    }
    t_bInsideChunk = bWasInside;
  }
  if (job.error) std::rethrow_exception(job.error);
}

}  // namespace brennic
