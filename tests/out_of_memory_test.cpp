// An allocation that fails anywhere in a run: the run says so and ends with status 1, or,
// where the failure costs nothing it needs, completes as usual; it never crashes. Each
// allocation of a small run fails in turn, one per run, through a replaced operator new.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "driver/run.h"
#include "search/row_walk.h"
#include "walk_thresholds.h"

namespace {

// Counts down at each allocation; the one that finds it at 1 fails. 0: nothing fails.
std::atomic<long> allocations_until_failure{0};

}  // namespace

// The replacements pair malloc with free; GCC cannot see that they replace each other.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void *operator new(std::size_t size) {
  if (allocations_until_failure.load() > 0 && allocations_until_failure.fetch_sub(1) == 1) throw std::bad_alloc();
  void *memory = std::malloc(size > 0 ? size : 1);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}
void operator delete(void *memory) noexcept { std::free(memory); }
void operator delete(void *memory, std::size_t) noexcept { std::free(memory); }

namespace {

struct Outcome {
  int status = 0;
  std::string text;
  bool failed_an_allocation = false;
};

// A scratch file for the run's console. Windows' tmpfile() runs out of names after some
// thousands of calls, so a named file in the working folder stands in when it fails.
FILE *scratch_file(const char *role, std::string &name) {
  FILE *file = std::tmpfile();
  if (file != nullptr) return file;
  name = std::string("out_of_memory_") + role + "_" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + ".tmp";
  return std::fopen(name.c_str(), "w+b");
}

void close_scratch_file(FILE *file, const std::string &name) {
  std::fclose(file);
  if (!name.empty()) std::remove(name.c_str());
}

Outcome run_failing_allocation(const std::vector<const char *> &argv, long failing) {
  std::string console_name, keys_name;
  FILE *console = scratch_file("console", console_name);
  FILE *keys = scratch_file("keys", keys_name);
  if (console == nullptr || keys == nullptr) std::abort();  // no scratch file at all: nothing to test with
  Outcome outcome;
  allocations_until_failure.store(failing);
  outcome.status = run_ratiohunt(static_cast<int>(argv.size()), argv.data(), console, keys);
  outcome.failed_an_allocation = failing > 0 && allocations_until_failure.load() <= 0;
  allocations_until_failure.store(0);
  std::rewind(console);
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, console)) > 0;) outcome.text.append(buffer, got);
  close_scratch_file(console, console_name);
  close_scratch_file(keys, keys_name);
  return outcome;
}

// With records (said on standard error, not on the console), a run that fails has written
// the records it found before the failure, and no part of another.
void expect_every_failure_handled(const std::vector<const char *> &argv, bool records = false) {
  const Outcome whole = run_failing_allocation(argv, 0);
  ASSERT_EQ(whole.status, 0);
  long failing = 1;
  int failed_after_records = 0;
  for (; failing < 100000; ++failing) {
    Outcome outcome = run_failing_allocation(argv, failing);
    if (!outcome.failed_an_allocation) break;  // the run needed fewer allocations
    bool said = outcome.text.find("Out of memory, ") != std::string::npos || outcome.status == 1;
    EXPECT_TRUE((said && outcome.status == 1) || (!said && outcome.status == 0 && outcome.text == whole.text))
        << "allocation " << failing << " of " << argv[1] << ": status " << outcome.status << "\n"
        << outcome.text;
    // (An allocation before the run knows its format is said on the console, as text.)
    if (records && said && outcome.text.find("Out of memory, ") == std::string::npos) {
      EXPECT_EQ(whole.text.compare(0, outcome.text.size(), outcome.text), 0) << "allocation " << failing;
      // Some of the records and not all: the run failed amid the search.
      auto lines = [](const std::string &text) { return std::count(text.begin(), text.end(), '\n'); };
      if (lines(outcome.text) >= 2 && lines(outcome.text) < lines(whole.text) - 1) ++failed_after_records;
    }
    if (testing::Test::HasFailure()) return;
  }
  EXPECT_GT(failing, 10);  // the runs did allocate
  if (records) {
    EXPECT_GT(failed_after_records, 0);
  }
}

TEST(OutOfMemory, EveryAllocationOfASuccessiveSearch) {
  expect_every_failure_handled({"ratiohunt", "--threads=1", "7/6", "-1", "2", "3", "5", "7"});
}

TEST(OutOfMemory, EveryAllocationOfACommaSearchWithAResultsFile) {
  expect_every_failure_handled(
      {"ratiohunt", "--threads=2", "(oom_test_results.txt)", "1/1", "-2", "0", "30", "2", "3", "5"});
}

// A record is written while memory runs out: the run unwinds to the report.
TEST(OutOfMemory, EveryAllocationOfJsonAndCsvRecords) {
  for (const char *format : {"--format=json", "--format=csv"}) {
    expect_every_failure_handled({"ratiohunt", format, "--threads=2", "1/1", "-2", "0", "30", "2", "3", "5", "7"},
                                 true);
  }
}

// The search split into blocks for two worker threads from the smallest search on: an
// allocation that fails in a worker reaches the caller as a bad_alloc, after the workers
// have ended, instead of ending the program; one that fails nowhere changes nothing.
class CollectingSink : public ResultSink {
 public:
  std::vector<std::vector<int>> found;
  void approximant(const Approximant &approximant) override {
    found.emplace_back(approximant.exponents, approximant.exponents + approximant.count);
  }
  void finished(const SearchSummary &) override {}
};

TEST(OutOfMemory, EveryAllocationOfASearchWithWorkerThreads) {
  SearchParams params;
  params.x = 1;
  params.y = 1;
  params.factors = {2, 3, 5, 7, 11};
  params.ln_max_quotient = std::log(1e9);
  params.time_out_seconds = 60;
  params.range_mode = true;
  params.range_low_cents = 0;
  params.range_high_cents = 20;
  params.threads = 2;
  const WalkThresholds split_at_once = blocks_and_planes_at_once();
  CollectingSink whole;
  run_search_with_thresholds(params, whole, split_at_once);
  ASSERT_GT(whole.found.size(), 10u);
  long failing = 1;
  for (; failing < 100000; ++failing) {
    CollectingSink sink;
    bool threw = false;
    allocations_until_failure.store(failing);
    try {
      run_search_with_thresholds(params, sink, split_at_once);
    } catch (const std::bad_alloc &) {
      threw = true;
    }
    bool failed_one = allocations_until_failure.load() <= 0;
    allocations_until_failure.store(0);
    if (!failed_one) break;
    EXPECT_TRUE(threw || sink.found == whole.found) << "allocation " << failing;
    if (testing::Test::HasFailure()) return;
  }
  EXPECT_GT(failing, 10);
}

}  // namespace
