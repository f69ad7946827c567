// The search on six exhaustive searches, each with one thread and with two, in wall-clock
// time and as how many times faster it is than the row walk as it stood before blocks
// (timed once per search in the same run); the step-by-step reference loop on the first
// three; and the time of one whole short run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "driver/run.h"
#include "harness.h"
#include "row_walk_before_blocks.h"

namespace {

struct NamedSearch {
  const char *name;
  std::vector<std::string> args;
};

const std::vector<NamedSearch> kSearches = {
    {"13-limit commas below 1 cent", {"1", "1", "1e12", "5", "1000", "-2", "0", "1", "2", "3", "5", "7", "11", "13"}},
    {"7/6 in the 19-limit without 7", {"7", "6", "1e9", "5", "1000", "-1", "2", "3", "5", "11", "13", "17", "19"}},
    {"13-limit commas below 10 cents", {"1", "1", "1e8", "5", "1000", "-2", "0", "10", "2", "3", "5", "7", "11", "13"}},
    {"19-limit commas", {"1", "1", "1e12", "6", "100000", "-2", "0", "1", "2", "3", "5", "7", "11", "13", "17", "19"}},
    {"11/8 without 11", {"11", "8", "1e13", "6", "100000", "-1", "2", "3", "5", "7", "13", "17", "19", "23"}},
    {"29-limit commas",
     {"1", "1", "1e7", "6", "100000", "-2", "0", "1", "2", "3", "5", "7", "11", "13", "17", "19", "23", "29"}},
};

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The old row walk's time on a search, measured once per run and shared by its benchmarks.
double seconds_before_blocks(size_t search) {
  static std::map<size_t, double> measured;
  auto found = measured.find(search);
  if (found != measured.end()) return found->second;
  auto start = std::chrono::steady_clock::now();
  search_with(kSearches[search].args, run_row_walk_before_blocks, false);
  return measured[search] = seconds_since(start);
}

template <int kThreads>
SearchSummary search_with_threads(const SearchParams &params, ResultSink &sink) {
  SearchParams threaded = params;
  threaded.threads = kThreads;
  return run_search(threaded, sink);
}

void run_against_before_blocks(benchmark::State &bench, SearchLoop loop) {
  const size_t search = static_cast<size_t>(bench.range(0));
  bench.SetLabel(kSearches[search].name);
  double before = seconds_before_blocks(search);
  int64_t tested = 0;
  double seconds = 0.0;
  for (auto _ : bench) {
    auto start = std::chrono::steady_clock::now();
    tested += search_with(kSearches[search].args, loop, false).summary.tested;
    seconds += seconds_since(start);
  }
  double per_run = seconds / static_cast<double>(bench.iterations());
  bench.counters["times_faster"] = before / per_run;
  bench.counters["vectors_per_s"] = benchmark::Counter(static_cast<double>(tested), benchmark::Counter::kIsRate);
}

void BM_OneThread(benchmark::State &bench) { run_against_before_blocks(bench, search_with_threads<1>); }
void BM_TwoThreads(benchmark::State &bench) { run_against_before_blocks(bench, search_with_threads<2>); }

void BM_ReferenceSearch(benchmark::State &bench) {
  const NamedSearch &search = kSearches[static_cast<size_t>(bench.range(0))];
  bench.SetLabel(search.name);
  int64_t tested = 0;
  for (auto _ : bench) tested += search_with(search.args, run_reference_search, false).summary.tested;
  bench.counters["vectors_per_s"] = benchmark::Counter(static_cast<double>(tested), benchmark::Counter::kIsRate);
}

// The smallest whole run, 7/6 with 2 3 5, through the program's entry.
void BM_WholeRunSevenSixths(benchmark::State &bench) {
  FILE *sink = std::fopen("/dev/null", "w");
  const char *argv[] = {"ratiohunt", "7", "6"};
  for (auto _ : bench) run_ratiohunt(3, argv, sink, nullptr);
  std::fclose(sink);
}

}  // namespace

BENCHMARK(BM_OneThread)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TwoThreads)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReferenceSearch)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_WholeRunSevenSixths)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
