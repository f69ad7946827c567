// The row-walking search against the step-by-step reference loop over thousands of
// seeded random command lines: the same printed text, counts and best error, exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "harness.h"
#include "present/result_sinks.h"
#include "search/row_walk.h"
#include "search/search.h"
#include "walk_thresholds.h"

namespace {

template <typename T>
T pick(std::mt19937 &random, const std::vector<T> &choices) {
  return choices[std::uniform_int_distribution<size_t>(0, choices.size() - 1)(random)];
}

std::vector<std::string> random_command_line(std::mt19937 &random) {
  std::vector<std::string> args;
  if (random() % 3 == 0) {
    args = {"1", "1"};
  } else {
    args = {std::to_string(1 + random() % 40), std::to_string(1 + random() % 40)};
    if (random() % 4 == 0) args[0] += ".25";
  }
  int factor_count = 2 + static_cast<int>(random() % 4);
  std::vector<std::string> max_quotients{"0.5", "1", "2", "10", "100", "1000", "20000", "1e5", "1e7", "1e9"};
  if (factor_count >= 4) max_quotients.resize(8);
  if (factor_count >= 5) max_quotients.resize(7);
  args.push_back(pick(random, max_quotients));
  args.push_back("5");
  args.push_back("1000");  // no time out: every run ends by exhaustion or an exact hit
  if (random() % 2 == 0) {
    args.push_back("-1");
  } else {
    double low = pick(random, std::vector<double>{0, 0, 1, 10, 40, 300});
    double width = pick(random, std::vector<double>{0.5, 5, 20, 100, 1200, 5000});
    args.push_back("-2");
    args.push_back(std::to_string(low));
    args.push_back(std::to_string(random() % 10 == 0 ? low - width : low + width));
  }
  const std::vector<int> factors{1, 2, 2, 3, 3, 4, 5, 5, 6, 7, 9, 10, 11, 13};
  for (int i = 0; i < factor_count; ++i) {
    int factor = pick(random, factors);
    if (i == factor_count - 1 && factor == 1) factor = 3;  // the last factor is solved for
    args.push_back(std::to_string(factor));
  }
  return args;
}

std::string joined(const std::vector<std::string> &args) {
  std::string text;
  for (const std::string &arg : args) text += " " + arg;
  return text;
}

// The elapsed seconds of a time-out message differ from run to run.
std::string without_elapsed_time(std::string text) {
  size_t start = text.find("time out at ");
  if (start == std::string::npos) return text;
  start += 12;
  return text.erase(start, text.find(" secs", start) - start);
}

// Returns the reference's tested count, so the caller can see the runs did real work.
int64_t expect_same(const std::vector<std::string> &args) {
  SearchOutcome reference = search_with(args, run_reference_search);
  SearchOutcome fast = search_with(args, run_search);
  EXPECT_EQ(without_elapsed_time(fast.text), without_elapsed_time(reference.text)) << joined(args);
  EXPECT_EQ(fast.summary.tested, reference.summary.tested) << joined(args);
  EXPECT_EQ(fast.summary.accepted, reference.summary.accepted) << joined(args);
  EXPECT_EQ(fast.summary.end, reference.summary.end) << joined(args);
  EXPECT_EQ(fast.summary.best_error, reference.summary.best_error) << joined(args);
  return reference.summary.tested;
}

TEST(DifferentialSearch, SeededRandomCommandLines) {
  std::mt19937 random(20261208);
  int64_t tested = 0;
  for (int run = 0; run < 3000 && !HasFailure(); ++run) tested += expect_same(random_command_line(random));
  EXPECT_GT(tested, 3000000);
}

TEST(DifferentialSearch, SeededRandomCommandLinesWithoutTheGate) {
  std::mt19937 random(20261209);
  int64_t tested = 0;
  for (int run = 0; run < 1000 && !HasFailure(); ++run) {
    std::vector<std::string> args = random_command_line(random);
    args.push_back("--every-vector");
    tested += expect_same(args);
  }
  EXPECT_GT(tested, 1000000);
}

// Longer vectors, so that whole blocks and planes are walked at once, with factors 1 and 2
// in the outer slots: the gate then often hangs on the last slot's leftover value, which
// a block or plane walked at once must hand on to the rows after it.
std::vector<std::string> random_wide_command_line(std::mt19937 &random) {
  std::vector<std::string> args;
  if (random() % 3 == 0) {
    args = {"1", "1"};
  } else {
    args = {std::to_string(1 + random() % 40), std::to_string(1 + random() % 40)};
  }
  int factor_count = 4 + static_cast<int>(random() % 4);
  std::vector<std::string> max_quotients{"0.5", "3", "30", "300", "3000"};
  if (factor_count >= 6) max_quotients.resize(4);
  args.push_back(pick(random, max_quotients));
  args.push_back("5");
  args.push_back("1000");
  if (random() % 2 == 0) {
    args.push_back("-1");
  } else {
    double low = pick(random, std::vector<double>{0, 0, 1, 10, 40});
    args.push_back("-2");
    args.push_back(std::to_string(low));
    args.push_back(std::to_string(low + pick(random, std::vector<double>{1, 20, 300, 5000})));
  }
  const std::vector<int> outer_factors{1, 2, 2, 2, 3, 5, 7, 11};
  const std::vector<int> last_factors{2, 3, 5, 7, 13};
  for (int i = 0; i < factor_count - 1; ++i) args.push_back(std::to_string(pick(random, outer_factors)));
  args.push_back(std::to_string(pick(random, last_factors)));
  return args;
}

// The same command line with the gate off: every vector is counted and examined.
std::vector<std::string> without_gate(std::vector<std::string> args) {
  args.push_back("--every-vector");
  return args;
}

// The search split into blocks for threads at any size, with planes from the start, so
// that small searches go through the pool of threads and its merge.
template <int kThreads>
SearchSummary search_in_blocks(const SearchParams &params, ResultSink &sink) {
  SearchParams split = params;
  split.threads = kThreads;
  return run_search_with_thresholds(split, sink, blocks_and_planes_at_once());
}
// Workers that give back every block with more than two records (or, formatting range
// mode's lines, a few hundred bytes), which the merge then walks itself between blocks it
// merges from records; and that wait for the merge past a budget of as many bytes.
constexpr size_t kFewBytesInFlight = 300;
SearchSummary search_handing_blocks_back(const SearchParams &params, ResultSink &sink) {
  SearchParams split = params;
  split.threads = 2;
  return run_search_with_thresholds(split, sink, blocks_and_planes_at_once(2, kFewBytesInFlight));
}

// The group table from the start, its group the most inner slots holding at most
// kGroupVectors vectors, walked by kThreads (the pool splitting searches of any size).
template <int kThreads, int64_t kGroupVectors>
SearchSummary search_with_group_table(const SearchParams &params, ResultSink &sink) {
  SearchParams split = params;
  split.threads = kThreads;
  return run_search_with_thresholds(split, sink, group_table_at_once(kGroupVectors));
}
// Workers with a group table that give back every block with more than two records.
SearchSummary search_with_group_table_handing_blocks_back(const SearchParams &params, ResultSink &sink) {
  SearchParams split = params;
  split.threads = 2;
  return run_search_with_thresholds(split, sink, group_table_at_once(256, 2, kFewBytesInFlight));
}

struct NamedLoop {
  const char *name;
  SearchLoop loop;
};

// Runs the reference once and each loop after it on the same command line.
void expect_loops_match_reference(const std::vector<std::string> &args, const std::vector<NamedLoop> &loops) {
  SearchOutcome reference = search_with(args, run_reference_search);
  for (const NamedLoop &named : loops) {
    SearchOutcome outcome = search_with(args, named.loop);
    std::string line = joined(args) + " " + named.name;
    EXPECT_EQ(without_elapsed_time(outcome.text), without_elapsed_time(reference.text)) << line;
    EXPECT_EQ(outcome.summary.tested, reference.summary.tested) << line;
    EXPECT_EQ(outcome.summary.accepted, reference.summary.accepted) << line;
    EXPECT_EQ(outcome.summary.end, reference.summary.end) << line;
    EXPECT_EQ(outcome.summary.best_error, reference.summary.best_error) << line;
  }
}

const std::vector<NamedLoop> kRowsAndPlanes{{"rows first", run_search}, {"planes from the start", search_in_blocks<1>}};
const std::vector<NamedLoop> kThreadCounts{{"1 thread", search_in_blocks<1>},
                                           {"2 threads", search_in_blocks<2>},
                                           {"3 threads", search_in_blocks<3>},
                                           {"7 threads", search_in_blocks<7>}};

// Seeded random wide command lines through the loops; every fourth also without the gate,
// through gate_off_loops.
void expect_random_lines_match(unsigned seed, int runs, const std::vector<NamedLoop> &loops,
                               const std::vector<NamedLoop> &gate_off_loops) {
  std::mt19937 random(seed);
  for (int run = 0; run < runs && !testing::Test::HasFailure(); ++run) {
    std::vector<std::string> args = random_wide_command_line(random);
    expect_loops_match_reference(args, loops);
    if (run % 4 == 0) expect_loops_match_reference(without_gate(args), gate_off_loops);
  }
}

TEST(DifferentialSearch, SeededWideCommandLinesWithSmallOuterFactors) {
  expect_random_lines_match(20261209, 300, kRowsAndPlanes, kRowsAndPlanes);
}

TEST(DifferentialSearch, ThreadsHandOverWhatOneWalkHandsOver) {
  expect_random_lines_match(20261210, 200, kThreadCounts, {{"2 threads", search_in_blocks<2>}});
  // Exact hits in both modes (the last with both candidates of its vector in the window),
  // and a time out that has already passed.
  expect_loops_match_reference({"7", "6", "1e6", "5", "1000", "-1", "2", "3", "7", "11", "13"}, kThreadCounts);
  expect_loops_match_reference({"1", "1", "1e6", "5", "1000", "-2", "-1", "1e-9", "2", "3", "2", "5", "7"},
                               kThreadCounts);
  expect_loops_match_reference({"1", "1", "1e6", "5", "1000", "-2", "-1e9", "1e9", "2", "3", "2", "5", "7"},
                               kThreadCounts);
  expect_loops_match_reference({"7", "6", "1e6", "5", "-0.5", "-1", "2", "3", "5", "7"}, kThreadCounts);
}

const std::vector<NamedLoop> kGroupTables{
    {"group table of one vector", search_with_group_table<1, 1>},
    {"group table of 2+ slots", search_with_group_table<1, 16>},
    {"group table of 3+ slots", search_with_group_table<1, 4096>},
    {"group table, 2 threads", search_with_group_table<2, 256>},
    {"group table, 3 threads", search_with_group_table<3, 64>},
    {"group table, 7 threads", search_with_group_table<7, 1024>},
    {"group table, blocks handed back", search_with_group_table_handing_blocks_back}};

TEST(DifferentialSearch, GroupTableHandsOverWhatOneWalkHandsOver) {
  expect_random_lines_match(20261212, 200, kGroupTables, kGroupTables);
}

// Complete searches: every exponent both ways, no gate, no end at an exact hit in range
// mode, each comma once; through one walk, the threads and the group tables.
TEST(DifferentialSearch, CompleteSearchesHandOverWhatTheReferenceDoes) {
  std::mt19937 random(20261214);
  std::vector<NamedLoop> loops = kThreadCounts;
  loops.insert(loops.end(), kGroupTables.begin(), kGroupTables.end());
  loops.push_back({"rows first", run_search});
  for (int run = 0; run < 150 && !HasFailure(); ++run) {
    std::vector<std::string> args = random_wide_command_line(random);
    // Independent factors only: primes, in a shuffled order, and 6 35 for a composite pair.
    std::vector<std::string> factors{"2", "3", "5", "7", "11", "13"};
    if (run % 5 == 0) factors = {"6", "35", "11", "13", "17", "19"};
    std::shuffle(factors.begin(), factors.end(), random);
    size_t count = 2 + random() % 4;
    while (!args.empty() && args.back().find_first_not_of("0123456789") == std::string::npos && args.size() > 6) {
      args.pop_back();  // the random line's own factors
    }
    args.insert(args.end(), factors.begin(), factors.begin() + static_cast<std::ptrdiff_t>(count));
    args.push_back("--complete");
    expect_loops_match_reference(args, loops);
  }
  // The target itself, at distance 0, in the window of a range search that goes on.
  expect_loops_match_reference({"3", "2", "1e4", "5", "1000", "-2", "-1", "10", "2", "3", "5", "7", "--complete"},
                               kThreadCounts);
}

// The records of a range search as JSON and CSV bytes, the summary's seconds left out;
// gathered up to gather_bytes before each write, as for a pipe.
std::string records_with(const std::vector<std::string> &args, RecordFormat format, SearchLoop loop,
                         size_t gather_bytes = 0) {
  std::vector<const char *> argv{"ratiohunt"};
  for (const std::string &arg : args) argv.push_back(arg.c_str());
  RunConfig config;
  read_command_line(static_cast<int>(argv.size()), argv.data(), config);
  std::string bytes;
  RecordSink sink(
      run_view(config), format, [&bytes](const std::string &text) { bytes += text; },
      [&bytes](const std::string &text) { bytes += text.substr(0, text.find("\"seconds\"")); }, gather_bytes);
  loop(config.search, sink);
  return bytes.substr(0, bytes.find("\"seconds\""));
}

// The text of a search as people read it: header, lines and report.
std::string text_with(const std::vector<std::string> &args, SearchLoop loop) {
  std::vector<const char *> argv{"ratiohunt"};
  for (const std::string &arg : args) argv.push_back(arg.c_str());
  RunConfig config;
  read_command_line(static_cast<int>(argv.size()), argv.data(), config);
  std::string bytes;
  TextSink sink(run_view(config), [&bytes](const std::string &text) { bytes += text; });
  sink.renderer().write_search_header();
  loop(config.search, sink);
  return bytes;
}

// Range searches whose records or text lines the workers format: the bytes the merge
// writes are the reference's, with an exact hit (its record waits to show the target's cents), blocks
// given back to the merge, and many records per block.
TEST(DifferentialSearch, RecordsFormattedByWorkersAreTheReferences) {
  const std::vector<std::vector<std::string>> lines{
      {"1", "1", "1e5", "5", "1000", "-2", "0", "20", "2", "3", "5", "7", "11", "13"},
      {"7", "6", "1e5", "5", "1000", "-2", "0", "30", "2", "3", "5", "7", "11"},
      {"1", "1", "1e6", "5", "1000", "-2", "-1", "1e-9", "2", "3", "2", "5", "7"},
      {"3", "2", "1e4", "5", "1000", "-2", "-1", "10", "2", "3", "5", "7", "--complete"},
      {"7", "6", "1e4", "5", "1000", "-2", "-1e9", "1e9", "2", "3", "5", "7"}};
  const std::vector<NamedLoop> loops{{"2 threads", search_in_blocks<2>},
                                     {"3 threads", search_in_blocks<3>},
                                     {"group table, 3 threads", search_with_group_table<3, 64>},
                                     {"blocks handed back", search_handing_blocks_back}};
  for (const auto &args : lines) {
    for (RecordFormat format : {RecordFormat::kJson, RecordFormat::kCsv}) {
      std::string reference = records_with(args, format, run_reference_search);
      EXPECT_GT(reference.size(), 200u) << joined(args);
      for (const NamedLoop &named : loops) {
        EXPECT_EQ(records_with(args, format, named.loop), reference) << joined(args) << " " << named.name;
      }
      EXPECT_EQ(records_with(args, format, search_handing_blocks_back, 1000), reference) << joined(args) << " gathered";
    }
    std::string reference = text_with(args, run_reference_search);
    for (const NamedLoop &named : loops) {
      EXPECT_EQ(text_with(args, named.loop), reference) << joined(args) << " " << named.name << " text";
    }
  }
}

// Workers waiting for room ahead of the merge end with it: when the sink fails at its
// first write or later, and when the search times out at once (one left waiting would
// hang the run). What was written before the time out is the reference's beginning.
TEST(DifferentialSearch, WorkersWaitingForRoomEndWithTheMerge) {
  const std::vector<const char *> argv{"ratiohunt", "1", "1", "1e6", "5", "1000", "-2", "0",
                                       "20",        "2", "3", "5",   "7", "11",   "13"};
  RunConfig config;
  read_command_line(static_cast<int>(argv.size()), argv.data(), config);
  for (int failing_write : {1, 2, 20}) {
    int writes = 0;
    RecordSink sink(
        run_view(config), RecordFormat::kJson,
        [&writes, failing_write](const std::string & /*text*/) {
          if (++writes == failing_write) throw std::runtime_error("cannot write");
        },
        [](const std::string & /*summary*/) {});
    EXPECT_THROW(search_handing_blocks_back(config.search, sink), std::runtime_error) << failing_write;
  }
  const std::string reference = records_with({argv.begin() + 1, argv.end()}, RecordFormat::kJson, run_reference_search);
  config.search.time_out_seconds = -1.0;
  std::string bytes;
  RecordSink sink(
      run_view(config), RecordFormat::kJson, [&bytes](const std::string &text) { bytes += text; },
      [](const std::string & /*summary*/) {});
  EXPECT_EQ(search_handing_blocks_back(config.search, sink).end, SearchEnd::kTimeOut);
  EXPECT_EQ(reference.compare(0, bytes.size(), bytes), 0);
}

TEST(DifferentialSearch, GroupTableAtItsEdges) {
  const std::vector<std::vector<std::string>> lines{
      // A group of slots whose factors exceed the max quotient: a table of one entry, 1/1.
      {"1", "1", "6", "5", "1000", "-2", "0", "300", "7", "11", "2", "3", "5"},
      {"7", "6", "6", "5", "1000", "-1", "7", "11", "2", "3", "5"},
      // A target so far below 1/1 that no numerator fits: a table of no entry.
      {"1", "1000", "10", "5", "1000", "-2", "0", "100", "2", "3", "5", "7", "11"},
      // Windows around 1/1 straddle the last factor's wrap-around; one beyond half of it.
      {"1", "1", "1e4", "5", "1000", "-2", "0", "5", "2", "3", "5", "7", "11", "13"},
      {"1", "1", "1e3", "5", "1000", "-2", "600", "1100", "2", "3", "5", "7", "3"},
      // Denominators exactly at the bound: 3600 = 2^4 3^2 5^2, 1000 = 2^3 5^3.
      {"1", "1", "3600", "5", "1000", "-2", "0", "50", "2", "3", "5", "7", "11"},
      {"9", "8", "1000", "5", "1000", "-1", "2", "3", "5", "7", "11"},
      // Targets above and below 1/1, in both modes.
      {"7", "6", "1e4", "5", "1000", "-1", "2", "3", "5", "7", "11", "13"},
      {"6", "7", "1e4", "5", "1000", "-2", "0", "20", "2", "3", "5", "11", "13", "7"},
      {"13", "40", "1e4", "5", "1000", "-1", "2", "3", "5", "7", "11", "13"},
      // Negative windows: an exact hit in the window, and a window below 0 that holds none.
      {"7", "6", "1e4", "5", "1000", "-2", "-1", "1e-9", "2", "3", "5", "7", "11"},
      {"1", "1", "1e4", "5", "1000", "-2", "-5", "-1", "2", "3", "5", "7", "11"},
      // Exact hits that end the search, the second with both candidates in the window.
      {"7", "6", "1e6", "5", "1000", "-1", "2", "3", "7", "11", "13"},
      {"1", "1", "1e6", "5", "1000", "-2", "-1", "1e-9", "2", "3", "2", "5", "7"},
      // A time out that has already passed.
      {"1", "1", "1e5", "5", "-0.5", "-2", "0", "10", "2", "3", "5", "7", "11"}};
  for (const auto &args : lines) {
    expect_loops_match_reference(args, kGroupTables);
    expect_loops_match_reference(without_gate(args), kGroupTables);
  }
}

TEST(DifferentialSearch, MergeWalksBlocksWithTooManyRecordsItself) {
  // A window that takes every candidate fills blocks with more records than a worker keeps.
  expect_loops_match_reference({"7", "6", "1e12", "5", "1000", "-2", "-1e9", "1e9", "2", "3", "5", "7"},
                               {{"2 threads", search_in_blocks<2>}});
  std::mt19937 random(20261211);
  for (int run = 0; run < 100 && !HasFailure(); ++run) {
    expect_loops_match_reference(random_wide_command_line(random), {{"2 threads", search_handing_blocks_back}});
  }
}

TEST(DifferentialSearch, BlocksAndPlanesHandOnTheLeftover) {
  // Dead blocks whose last vector's leftover opens the gate of the rows after them.
  expect_same({"7", "6", "1e3", "5", "1000", "-1", "3", "2", "5", "2", "7"});
  expect_same({"1", "1", "1e3", "5", "1000", "-2", "0", "50", "2", "1", "5", "2", "2", "3"});
  // Slots 0 and 1 walked as planes, with the gate on and off.
  const std::vector<std::vector<std::string>> plane_lines{
      {"11", "8", "1e3", "5", "1000", "-1", "2", "3", "5", "7", "13", "17"},
      {"1", "1", "1e4", "5", "1000", "-2", "0", "20", "2", "3", "5", "7", "11", "13"}};
  for (const auto &args : plane_lines) {
    expect_loops_match_reference(args, kRowsAndPlanes);
    expect_loops_match_reference(without_gate(args), kRowsAndPlanes);
  }
}

TEST(DifferentialSearch, HandPickedOrders) {
  // The gate depends on the last slot when no outer factor above 2 has an exponent.
  expect_same({"7", "6", "1e5", "5", "1000", "-1", "2", "2", "3"});
  expect_same({"7", "6", "1e5", "5", "1000", "-1", "1", "2", "5"});
  expect_same({"7", "6", "1e5", "5", "1000", "-1", "2", "2", "1", "5"});  // no vector is ever counted
  expect_same({"1", "1", "1e5", "5", "1000", "-2", "0", "30", "3", "2", "2", "5"});
  expect_same({"1", "1", "1e4", "5", "1000", "-2", "0", "30", "2", "1", "1", "7"});
  expect_same({"5", "4", "1e6", "5", "1000", "-1", "4", "6", "9"});
  expect_same({"7", "6", "1e6", "5", "1000", "-1", "2", "3", "7", "11"});           // ends on an exact hit
  expect_same({"1", "1", "1e6", "5", "1000", "-2", "0", "100000", "2", "3", "5"});  // every candidate
  expect_same({"7", "6", "1e6", "5", "-0.5", "-1", "2", "3", "5"});  // a time out that has already passed
  // Without the gate, the vectors of factors 1 and 2 alone are examined too.
  expect_same({"5", "4", "1e6", "5", "1000", "-1", "2", "3", "5", "--every-vector"});
  expect_same({"1", "1", "1e6", "5", "1000", "-2", "20", "25", "2", "3", "--every-vector"});
  expect_same({"1", "1", "1e4", "5", "1000", "-2", "0", "30", "2", "1", "2", "7", "--every-vector"});
}

}  // namespace
