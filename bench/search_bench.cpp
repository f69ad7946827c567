// Tested vectors per second of the row-walking search and of the step-by-step reference
// loop on three long exhaustive searches, and the time of one whole short run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "driver/run.h"
#include "harness.h"

namespace {

struct NamedSearch {
  const char *name;
  std::vector<std::string> args;
};

const std::vector<NamedSearch> kSearches = {
    {"13-limit commas below 1 cent", {"1", "1", "1e12", "5", "1000", "-2", "0", "1", "2", "3", "5", "7", "11", "13"}},
    {"7/6 in the 19-limit without 7", {"7", "6", "1e9", "5", "1000", "-1", "2", "3", "5", "11", "13", "17", "19"}},
    {"13-limit commas below 10 cents", {"1", "1", "1e8", "5", "1000", "-2", "0", "10", "2", "3", "5", "7", "11", "13"}},
};

void run_benchmark(benchmark::State &bench, SearchLoop loop) {
  const NamedSearch &search = kSearches[static_cast<size_t>(bench.range(0))];
  bench.SetLabel(search.name);
  int64_t tested = 0;
  for (auto _ : bench) tested += search_with(search.args, loop, false).summary.tested;
  bench.counters["vectors_per_s"] = benchmark::Counter(static_cast<double>(tested), benchmark::Counter::kIsRate);
}

void BM_RowSearch(benchmark::State &bench) { run_benchmark(bench, run_search); }
void BM_ReferenceSearch(benchmark::State &bench) { run_benchmark(bench, run_reference_search); }

// The smallest whole run, 7/6 with 2 3 5, through the program's entry.
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
