// What watching a search costs: the same long search with no one watching, with a
// progress line drawn (to /dev/null) and with an interrupt flag polled, reported as the
// ratio of their times in one run.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "driver/progress_line.h"

namespace {

// Exhausts in about half a second, long enough for a few progress reports.
const std::vector<const char *> kSearch = {"ratiohunt", "1", "1", "1e12", "5", "1000", "-2", "0",
                                           "1",         "2", "3", "5",    "7", "11",   "13", "17"};

class CountingSink : public ResultSink {
 public:
  void approximant(const Approximant & /*found*/) override { ++approximants; }
  void finished(const SearchSummary &summary) override { tested = summary.tested; }
  int64_t approximants = 0;
  int64_t tested = 0;
};

double seconds_of(const std::function<void()> &run) {
  auto start = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_WatchingCost(benchmark::State &bench) {
  RunConfig config;
  read_command_line(static_cast<int>(kSearch.size()), kSearch.data(), config);
  FILE *nowhere = std::fopen("/dev/null", "w");
  std::atomic<int> never_raised{0};
  double plain = 0, with_progress = 0, with_interrupt = 0;
  for (auto _ : bench) {
    CountingSink sink;
    plain += seconds_of([&] { run_search(config.search, sink); });
    ProgressLine progress(
        sink, nowhere, 80, [] { return 0; }, config.search);
    with_progress += seconds_of([&] { run_search(config.search, progress); });
    SearchParams interruptible = config.search;
    interruptible.interrupt = &never_raised;
    with_interrupt += seconds_of([&] { run_search(interruptible, sink); });
  }
  std::fclose(nowhere);
  bench.counters["progress_line_ratio"] = with_progress / plain;
  bench.counters["interrupt_poll_ratio"] = with_interrupt / plain;
}

}  // namespace

BENCHMARK(BM_WatchingCost)->Unit(benchmark::kMillisecond)->Iterations(3);
