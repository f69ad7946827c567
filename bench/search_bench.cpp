// Tested vectors per second of the row-walking search and of the step-by-step reference
// loop on three long exhaustive searches (B1, B2, B3), and the time of one whole short run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "harness.h"

namespace {

const std::vector<std::vector<std::string>> kCommandLines = {
    {"1", "1", "1e12", "5", "1000", "-2", "0", "1", "2", "3", "5", "7", "11", "13"},  // B1
    {"7", "6", "1e9", "5", "1000", "-1", "2", "3", "5", "11", "13", "17", "19"},      // B2
    {"1", "1", "1e8", "5", "1000", "-2", "0", "10", "2", "3", "5", "7", "11", "13"},  // B3
};

void run_benchmark(benchmark::State &bench, SearchLoop loop) {
  FILE *sink = std::fopen("/dev/null", "w");
  int64_t tested = 0;
  for (auto _ : bench) {
    tested += search_with(kCommandLines[static_cast<size_t>(bench.range(0))], loop, sink).state.tested_count;
  }
  std::fclose(sink);
  bench.counters["vectors_per_s"] = benchmark::Counter(static_cast<double>(tested), benchmark::Counter::kIsRate);
}

void BM_RowSearch(benchmark::State &bench) { run_benchmark(bench, run_search); }
void BM_ReferenceSearch(benchmark::State &bench) { run_benchmark(bench, run_reference_search); }

// The Overview's whole run, 7/6 with 2 3 5, through the program's entry.
void BM_WholeRunSevenSixths(benchmark::State &bench) {
  FILE *sink = std::fopen("/dev/null", "w");
  const char *argv[] = {"ratiohunt", "7", "6"};
  for (auto _ : bench) run_ratiohunt(3, argv, sink, nullptr);
  std::fclose(sink);
}

}  // namespace

BENCHMARK(BM_RowSearch)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceSearch)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_WholeRunSevenSixths)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
