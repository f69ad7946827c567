// Fuzz target: the fast search against the step-by-step reference loop on a fuzzed
// command line (one argument per line, as the end-to-end cases), and the fast search with
// its group table and pool of threads forced on at any size. All must print the same
// text and end with the same counts; any difference aborts. The time out is lifted, since
// the two agree only on searches that end by exhaustion or an exact hit, and searches too
// big to finish in milliseconds are left out instead. Complete searches go through 1, 2,
// 3 and 7 threads.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "fuzz_input.h"
#include "present/result_sinks.h"
#include "search/row_walk.h"

namespace {

constexpr size_t kMaxArguments = 64;
constexpr double kMaxVectors = 50000;  // the odometer's size: a few milliseconds of the reference loop
constexpr double kNoTimeOut = 1e9;

// A complete search runs each exponent one further, the other way (factors sharing a
// prime further still: those searches step through every vector in both loops and are
// left out).
double odometer_size(const SearchParams &search) {
  double size = 1.0;
  for (size_t i = 0; i + 1 < search.factors.size(); ++i) {
    int limit = factor_limit(std::log(static_cast<double>(search.factors[i])), search.ln_max_quotient);
    size *= limit > 0 ? limit + (search.complete ? 2.0 : 1.0) : 1.0;
  }
  return size;
}

struct Outcome {
  std::string text;
  SearchSummary summary;
};

Outcome run_with(const RunConfig &config, SearchSummary (*search)(const SearchParams &, ResultSink &)) {
  Outcome outcome;
  TextSink sink(run_view(config), [&outcome](const std::string &text) { outcome.text += text; });
  outcome.summary = search(config.search, sink);
  return outcome;
}

void expect(bool same, const char *what, const std::vector<std::string> &args) {
  if (same) return;
  std::fprintf(stderr, "the fast search and the reference loop differ in %s on:", what);
  for (const std::string &arg : args) std::fprintf(stderr, " %s", arg.c_str());
  std::fprintf(stderr, "\n");
  std::abort();
}

// The group table from the start (its group at most 64 inner vectors) on two threads.
SearchSummary search_with_group_table(const SearchParams &params, ResultSink &sink) {
  SearchParams split = params;
  split.threads = 2;
  return run_search_with_thresholds(split, sink, WalkThresholds{0, 0, 4096, 0, 64, 1e18, 0});
}

// The pool of threads at any size, with rows and planes only.
template <int kThreads>
SearchSummary search_in_blocks(const SearchParams &params, ResultSink &sink) {
  SearchParams split = params;
  split.threads = kThreads;
  WalkThresholds thresholds{0, 0, 4096};
  return run_search_with_thresholds(split, sink, thresholds);
}

void expect_same(const Outcome &fast, const Outcome &reference, const std::vector<std::string> &args) {
  expect(fast.text == reference.text, "the text", args);
  expect(fast.summary.tested == reference.summary.tested, "the tested count", args);
  expect(fast.summary.accepted == reference.summary.accepted, "the accepted count", args);
  expect(fast.summary.end == reference.summary.end, "how the search ended", args);
  expect(fast.summary.best_error == reference.summary.best_error, "the best error", args);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::vector<std::string> args = split_fuzz_arguments(data, size, kMaxArguments);
  std::vector<const char *> argv{"ratiohunt"};
  for (const std::string &arg : args) argv.push_back(arg.c_str());
  RunConfig config;
  ParsedArguments parsed = read_command_line(static_cast<int>(argv.size()), argv.data(), config);
  if (parsed.problem || config.options.show_help || config.options.show_version) {
    return 0;
  }
  if (!(odometer_size(config.search) <= kMaxVectors)) return 0;
  if (config.search.complete && !factors_pairwise_coprime(config.search.factors)) return 0;
  config.search.time_out_seconds = kNoTimeOut;
  Outcome fast = run_with(config, run_search);
  Outcome reference = run_with(config, run_reference_search);
  expect_same(fast, reference, args);
  expect_same(run_with(config, search_with_group_table), reference, args);
  if (config.search.complete) {  // complete searches through 1, 3 and 7 threads too
    expect_same(run_with(config, search_in_blocks<1>), reference, args);
    expect_same(run_with(config, search_in_blocks<3>), reference, args);
    expect_same(run_with(config, search_in_blocks<7>), reference, args);
  }
  return 0;
}
