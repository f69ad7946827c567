// The search on the benchmark table's six exhaustive searches and the three comma
// searches of the 23- and 31-limit, each with one thread and with two, in wall-clock time;
// the step-by-step reference loop on the first three; and the time of one whole short run.
// Ratios against an older commit come from bench/against_commit.sh, which times both
// programs in one run.
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
    {"19-limit commas", {"1", "1", "1e12", "6", "100000", "-2", "0", "1", "2", "3", "5", "7", "11", "13", "17", "19"}},
    {"11/8 without 11", {"11", "8", "1e13", "6", "100000", "-1", "2", "3", "5", "7", "13", "17", "19", "23"}},
    {"29-limit commas",
     {"1", "1", "1e7", "6", "100000", "-2", "0", "1", "2", "3", "5", "7", "11", "13", "17", "19", "23", "29"}},
    {"31-limit commas under 1 cent, 1e8",
     {"1", "1", "1e8", "6", "100000", "-2", "0", "1", "2", "3", "5", "7", "11", "13", "17", "19", "23", "29", "31"}},
    {"31-limit commas under 1 cent, 1e9",
     {"1", "1", "1e9", "6", "100000", "-2", "0", "1", "2", "3", "5", "7", "11", "13", "17", "19", "23", "29", "31"}},
    {"23-limit commas under 0.5 cent, 1e12",
     {"1", "1", "1e12", "6", "100000", "-2", "0", "0.5", "2", "3", "5", "7", "11", "13", "17", "19", "23"}},
    // Many factors: nearly every block of the odometer is dead, which the threads must pass
    // over as cheaply as one walk does.
    {"37-limit commas under 0.001 cent, 1e8", {"1", "1", "1e8", "6",  "100000", "-2", "0",  "0.001", "2",  "3",
                                               "5", "7", "11",  "13", "17",     "19", "23", "29",    "31", "37"}},
    {"41-limit commas under 0.001 cent, 1e8", {"1", "1",  "1e8", "6",  "100000", "-2", "0",  "0.001", "2",  "3", "5",
                                               "7", "11", "13",  "17", "19",     "23", "29", "31",    "37", "41"}},
    {"43-limit commas under 0.001 cent, 1e8",
     {"1", "1",  "1e8", "6",  "100000", "-2", "0",  "0.001", "2",  "3",  "5",
      "7", "11", "13",  "17", "19",     "23", "29", "31",    "37", "41", "43"}},
    {"47-limit commas under 0.001 cent, 1e8",
     {"1",  "1",  "1e8", "6",  "100000", "-2", "0",  "0.001", "2",  "3",  "5", "7",
      "11", "13", "17",  "19", "23",     "29", "31", "37",    "41", "43", "47"}},
    {"11/8 without 11 in the 47-limit, 1e9", {"11", "8",  "1e9", "6",  "100000", "-1", "2",  "3",  "5",  "7",
                                              "13", "17", "19",  "23", "29",     "31", "37", "41", "43", "47"}},
    // Output-heavy: about 170,000 records.
    {"41-limit commas under 1 cent, 1e8", {"1", "1",  "1e8", "6",  "100000", "-2", "0",  "1",  "2",  "3", "5",
                                           "7", "11", "13",  "17", "19",     "23", "29", "31", "37", "41"}},
    // A complete search against the same search with every vector.
    {"19-limit commas under 1 cent, 1e12, --every-vector",
     {"1", "1", "1e12", "6", "100000", "-2", "0", "1", "2", "3", "5", "7", "11", "13", "17", "19", "--every-vector"}},
    {"19-limit commas under 1 cent, 1e12, --complete",
     {"1", "1", "1e12", "6", "100000", "-2", "0", "1", "2", "3", "5", "7", "11", "13", "17", "19", "--complete"}},
};
const int kLastSearch = 16;

template <int kThreads>
SearchSummary search_with_threads(const SearchParams &params, ResultSink &sink) {
  SearchParams threaded = params;
  threaded.threads = kThreads;
  return run_search(threaded, sink);
}

void run_search_bench(benchmark::State &bench, SearchLoop loop) {
  const NamedSearch &search = kSearches[static_cast<size_t>(bench.range(0))];
  bench.SetLabel(search.name);
  int64_t tested = 0;
  for (auto _ : bench) tested += search_with(search.args, loop, false).summary.tested;
  bench.counters["vectors_per_s"] = benchmark::Counter(static_cast<double>(tested), benchmark::Counter::kIsRate);
}

void BM_OneThread(benchmark::State &bench) { run_search_bench(bench, search_with_threads<1>); }
void BM_TwoThreads(benchmark::State &bench) { run_search_bench(bench, search_with_threads<2>); }

void BM_ReferenceSearch(benchmark::State &bench) { run_search_bench(bench, run_reference_search); }

// The smallest whole run, 7/6 with 2 3 5, through the program's entry.
void BM_WholeRunSevenSixths(benchmark::State &bench) {
  FILE *sink = std::fopen("/dev/null", "w");
  const char *argv[] = {"ratiohunt", "7", "6"};
  for (auto _ : bench) run_ratiohunt(3, argv, sink, nullptr);
  std::fclose(sink);
}

}  // namespace

BENCHMARK(BM_OneThread)->DenseRange(0, kLastSearch)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TwoThreads)->DenseRange(0, kLastSearch)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReferenceSearch)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_WholeRunSevenSixths)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
