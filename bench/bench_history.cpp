// The undo history on the 4000 x 3000 picture: what recording one step adds to a command, what
// the step takes in memory (counter stored_bytes), and what Undo and Redo of it cost.
//   history-step           Blur recorded as a step (compare with "blur" of the same run)
//   history-step-overhead  a step whose command only copies the blurred picture in (compare
//                          with "copy"): the history's own cost of a blur step
//   history-undo, -redo    taking the blur step back and again
//   history-resample-step  Resample to 3000 x 2250 recorded (both pictures kept)

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>

#include "BenchImages.h"
#include "document/cImageHistory.h"

namespace brennic::bench {
namespace {

constexpr int64_t kNoLimit = int64_t{1} << 40;

cDIBSection& Natural() {
  return const_cast<cDIBSection&>(NaturalPicture(0));
}

void Reset(cImageDocumentCore& doc) {
  if (doc.Picture().Width() != kWidth || doc.Picture().Height() != kHeight) {
    doc.LoadImage(Natural());
  } else {
    doc.Picture().LoadPictureBlt(Natural().hdc(), 0, 0, -1, -1, SRCCOPY);
  }
}

void RecordBenchmark(benchmark::State& state, const std::function<void(cImageDocumentCore&)>& fn,
                     const char* sName) {
  cHistoryBudget budget(kNoLimit);
  cImageDocumentCore doc;
  doc.LoadImage(Natural());
  int64_t lBytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Reset(doc);
    auto history = std::make_unique<cImageHistory>(budget);
    state.ResumeTiming();
    history->Record(doc, sName, [&] { fn(doc); });
    benchmark::ClobberMemory();
    state.PauseTiming();
    lBytes = history->Bytes();
    history.reset();
    state.ResumeTiming();
  }
  state.counters["stored_bytes"] = static_cast<double>(lBytes);
}

void BM_history_step(benchmark::State& state) {
  RecordBenchmark(
      state, [](cImageDocumentCore& doc) { doc.ProcessImage(eBlur); }, "Blur");
}
BENCHMARK(BM_history_step)->Name("history-step")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_history_step_overhead(benchmark::State& state) {
  cImageDocumentCore blurred;
  blurred.LoadImage(Natural());
  blurred.ProcessImage(eBlur);
  RecordBenchmark(
      state,
      [&](cImageDocumentCore& doc) {
        doc.Picture().LoadPictureBlt(blurred.Picture().hdc(), 0, 0, -1, -1, SRCCOPY);
      },
      "Blur");
}
BENCHMARK(BM_history_step_overhead)
    ->Name("history-step-overhead")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_history_resample_step(benchmark::State& state) {
  RecordBenchmark(
      state, [](cImageDocumentCore& doc) { doc.Resample(3000, 2250); }, "Resample");
}
BENCHMARK(BM_history_resample_step)
    ->Name("history-resample-step")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// bUndo: times Undo (Redo untimed between); otherwise the other way round.
void UndoRedoBenchmark(benchmark::State& state, bool bUndo) {
  cHistoryBudget budget(kNoLimit);
  cImageDocumentCore doc;
  doc.LoadImage(Natural());
  cImageHistory history(budget);
  history.Record(doc, "Blur", [&] { doc.ProcessImage(eBlur); });
  for (auto _ : state) {
    if (!bUndo) {
      state.PauseTiming();
      history.Undo(doc);
      state.ResumeTiming();
      history.Redo(doc);
    } else {
      history.Undo(doc);
      state.PauseTiming();
      history.Redo(doc);
      state.ResumeTiming();
    }
    benchmark::ClobberMemory();
  }
}

void BM_history_undo(benchmark::State& state) {
  UndoRedoBenchmark(state, true);
}
BENCHMARK(BM_history_undo)->Name("history-undo")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_history_redo(benchmark::State& state) {
  UndoRedoBenchmark(state, false);
}
BENCHMARK(BM_history_redo)->Name("history-redo")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace brennic::bench
