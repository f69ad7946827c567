// What watching a search costs: the same long search with no one watching, with a
// progress line drawn (to /dev/null) and with an interrupt flag polled, reported as the
// ratio of their times in one run; and what the line's making way for each result on its
// terminal costs beside writing that result.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "driver/progress_line.h"
#include "present/approximant_text.h"
#include "present/text_format.h"

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

// A range-mode result line as the text output writes it, to the terminal.
class LineWritingSink : public ResultSink {
 public:
  explicit LineWritingSink(FILE *terminal) : terminal_(terminal) {}
  void approximant(const Approximant &found) override {
    static const int kFactors[] = {2, 3, 5, 7, 11, 13, 17};
    std::string line = monzo_line(kFactors, found.exponents, found.count) + " = " + cents_text(5, found.cents) + "\n";
    std::fputs(line.c_str(), terminal_);
    std::fflush(terminal_);
  }
  void finished(const SearchSummary & /*summary*/) override {}

 private:
  FILE *terminal_;
};

// The same results written with no progress line, and with one shown on their terminal
// (/dev/null), which erases itself before each and draws itself again after it.
void BM_MakingWayCost(benchmark::State &bench) {
  FILE *terminal = std::fopen("/dev/null", "w");
  const int exponents[] = {-5, 2, -1, 0, 3, 1, -2};
  Approximant found{exponents, 7, 0.001, 1.953, 0.001};
  SearchParams search;
  search.range_mode = true;
  SearchProgress shown;
  shown.seconds = 2.0;
  shown.tested = 93332923298;
  shown.done_share = 0.0437;
  constexpr int kResults = 20000;
  double plain = 0, making_way = 0;
  for (auto _ : bench) {
    LineWritingSink sink(terminal);
    plain += seconds_of([&] {
      for (int i = 0; i < kResults; ++i) sink.approximant(found);
    });
    ProgressLine progress(
        sink, terminal, 80, [] { return 0; }, search, terminal);
    progress.progress(shown);
    making_way += seconds_of([&] {
      for (int i = 0; i < kResults; ++i) progress.approximant(found);
    });
  }
  std::fclose(terminal);
  bench.counters["making_way_ratio"] = making_way / plain;
}

}  // namespace

BENCHMARK(BM_WatchingCost)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MakingWayCost)->Unit(benchmark::kMillisecond)->Iterations(3);
