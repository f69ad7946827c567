// Reading the command line: the number conversions, the positional grammar with its
// optional items, the argument errors, and the factor limits.
#include "driver/command_line.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "driver/platform.h"
#include "harness.h"

namespace {

struct Reading {
  ParsedArguments parsed;
  RunConfig config;
  std::vector<int> factors;
};

Reading read(const std::vector<std::string> &args) {
  std::vector<const char *> argv{"ratiohunt"};
  for (const std::string &arg : args) argv.push_back(arg.c_str());
  Reading reading{};
  reading.parsed = read_command_line(static_cast<int>(argv.size()), argv.data(), reading.config);
  reading.factors = reading.config.search.factors;
  return reading;
}

TEST(ReadArgument, IntegerReadingIsAtoiClampedToInt) {
  EXPECT_EQ(read_int_argument("40.0"), 40);
  EXPECT_EQ(read_int_argument("-1.5"), -1);
  EXPECT_EQ(read_int_argument("  7x"), 7);
  EXPECT_EQ(read_int_argument("abc"), 0);
  EXPECT_EQ(read_int_argument(""), 0);
  EXPECT_EQ(read_int_argument("0x10"), 0);
  EXPECT_EQ(read_int_argument("99999999999999999999"), INT_MAX);
  EXPECT_EQ(read_int_argument("-99999999999"), INT_MIN);
}

TEST(Grammar, DefaultsHoldWhenArgumentsRunOut) {
  Reading r = read({"7", "6"});
  EXPECT_EQ(r.parsed.problem.kind, ProblemKind::kNone);
  EXPECT_EQ(r.config.search.x, 7.0);
  EXPECT_EQ(r.config.search.y, 6.0);
  EXPECT_EQ(r.config.max_quotient, 1000000.0);
  EXPECT_EQ(r.config.precision, 5);
  EXPECT_EQ(r.config.search.time_out_seconds, 4.0);
  EXPECT_FALSE(r.config.search.range_mode);
  EXPECT_EQ(r.factors, (std::vector<int>{2, 3, 5}));  // the 5-limit search, as the usage page says
}

TEST(Grammar, ModeArgumentMayBeLeftOutAfterThreeNumbers) {
  Reading with_mode = read({"7", "6", "1000000", "5", "4", "-1", "2", "3", "5"});
  Reading without = read({"7", "6", "1000000", "5", "4", "2", "3", "5"});
  EXPECT_EQ(with_mode.factors, without.factors);
  EXPECT_EQ(with_mode.config.search.time_out_seconds, without.config.search.time_out_seconds);
  EXPECT_EQ(with_mode.config.precision, without.config.precision);
}

TEST(Grammar, OptionalNumbersStopAtTheFirstNegative) {
  Reading r = read({"7", "6", "1e8", "-1", "2", "3", "5"});
  EXPECT_EQ(r.config.max_quotient, 1e8);
  EXPECT_EQ(r.config.search.ln_max_quotient, std::log(1e8));
  EXPECT_EQ(r.config.precision, 5);
  EXPECT_EQ(r.config.search.time_out_seconds, 4.0);

  Reading lone = read({"7", "6", "1000000", "5", "2", "3", "5"});
  EXPECT_EQ(lone.config.search.time_out_seconds, 2.0);
  EXPECT_EQ(lone.factors, (std::vector<int>{3, 5}));
}

TEST(Grammar, RangeModeTakesTwoBoundsOrKeepsDefaults) {
  Reading r = read({"1", "1", "-2", "0", "5.5", "3", "2", "5"});
  EXPECT_TRUE(r.config.search.range_mode);
  EXPECT_EQ(r.config.search.range_low_cents, 0.0);
  EXPECT_EQ(r.config.search.range_high_cents, 5.5);
  EXPECT_EQ(r.factors, (std::vector<int>{3, 2, 5}));

  Reading missing = read({"1", "1", "-2", "10"});
  EXPECT_TRUE(missing.config.search.range_mode);
  EXPECT_EQ(missing.config.search.range_low_cents, 10.0);
  EXPECT_EQ(missing.config.search.range_high_cents, 60.0);

  Reading other_mode = read({"1", "1", "-7", "3", "5"});
  EXPECT_FALSE(other_mode.config.search.range_mode);
  EXPECT_EQ(other_mode.factors, (std::vector<int>{3, 5}));
}

TEST(Grammar, FactorsReadAsIntegers) {
  EXPECT_EQ(read({"7", "6", "-1", "2.5", "3"}).factors, (std::vector<int>{2, 3}));
  EXPECT_EQ(read({"7", "6", "-1", "1", "3"}).parsed.problem.kind, ProblemKind::kNone);
}

TEST(Grammar, ResultsFileName) {
  Reading closed = read({"(out.txt)", "7", "6"});
  EXPECT_TRUE(closed.parsed.has_results_file);
  EXPECT_EQ(closed.parsed.results_name, "out.txt");
  EXPECT_EQ(closed.config.search.x, 7.0);
  EXPECT_EQ(read({"(out.txt", "7", "6"}).parsed.results_name, "out.txt");
  EXPECT_EQ(read({"(a)b", "7", "6"}).parsed.results_name, "a)b");  // only a final ")" goes
  EXPECT_EQ(read({"()", "7", "6"}).parsed.results_name, "");
  EXPECT_EQ(read({"(", "7", "6"}).parsed.results_name, "");
  EXPECT_FALSE(read({"7", "6"}).parsed.has_results_file);
}

TEST(Grammar, TooFewArgumentsShowUsage) {
  EXPECT_EQ(read({}).parsed.problem.kind, ProblemKind::kShowUsage);
  EXPECT_EQ(read({"7"}).parsed.problem.kind, ProblemKind::kShowUsage);
  EXPECT_EQ(read({"(out.txt)", "7"}).parsed.problem.kind, ProblemKind::kShowUsage);
  EXPECT_EQ(read({"(out.txt)"}).parsed.problem.kind, ProblemKind::kShowUsage);
}

TEST(Grammar, TargetErrors) {
  EXPECT_EQ(read({"0", "6"}).parsed.problem.kind, ProblemKind::kZeroTarget);
  EXPECT_EQ(read({"7", "abc"}).parsed.problem.kind, ProblemKind::kZeroTarget);
  EXPECT_EQ(read({"-7", "6"}).parsed.problem.kind, ProblemKind::kBadRatio);
  EXPECT_EQ(read({"inf", "6"}).parsed.problem.kind, ProblemKind::kBadRatio);
  EXPECT_EQ(read({"nan", "6"}).parsed.problem.kind, ProblemKind::kBadRatio);
  EXPECT_EQ(read({"1e300", "1e-300"}).parsed.problem.kind, ProblemKind::kBadRatio);  // overflows
  EXPECT_EQ(read({"1e-300", "1e300"}).parsed.problem.kind, ProblemKind::kBadRatio);  // underflows to 0
  EXPECT_EQ(read({"-7", "-6"}).parsed.problem.kind, ProblemKind::kNone);
}

TEST(Grammar, FactorErrors) {
  Reading zero = read({"7", "6", "-1", "2", "3", "0"});
  EXPECT_EQ(zero.parsed.problem.kind, ProblemKind::kBadFactor);
  EXPECT_EQ(zero.parsed.problem.message,
            "Read: 0 as one of the factors to look for, ratio to approx 7/6\n"
            "All factors need to be positive and non zero\n"
            "Run prog without any args for example of use\n");
  EXPECT_NE(read({"7", "6", "-1", "2", "-3"}).parsed.problem.message.find("Read: -3 as"), std::string::npos);
  EXPECT_EQ(read({"7", "6", "-1", "2", "1"}).parsed.problem.kind, ProblemKind::kLastFactorOne);
  EXPECT_EQ(read({"7", "6", "-1", "1"}).parsed.problem.kind, ProblemKind::kLastFactorOne);
}

TEST(Grammar, NanTimeOutKeepsTheDefault) {
  EXPECT_EQ(read({"7", "6", "1e6", "5", "nan"}).config.search.time_out_seconds, 4.0);
}

TEST(Options, StandAnywhereAndLeaveThePositionalGrammarAlone) {
  Reading r = read({"--no-wait", "(out.txt)", "1", "1", "-2", "--quiet", "40", "60", "2", "3", "--every-vector", "5"});
  EXPECT_EQ(r.parsed.problem.kind, ProblemKind::kNone);
  EXPECT_EQ(r.parsed.results_name, "out.txt");
  EXPECT_TRUE(r.config.options.no_wait);
  EXPECT_TRUE(r.config.options.quiet);
  EXPECT_TRUE(r.config.search.every_vector);
  EXPECT_EQ(r.config.search.range_low_cents, 40.0);
  EXPECT_EQ(r.config.search.range_high_cents, 60.0);
  EXPECT_EQ(r.factors, (std::vector<int>{2, 3, 5}));
}

TEST(Options, ValuesAfterEqualsOrAsTheNextArgument) {
  EXPECT_EQ(read({"--format=csv", "7", "6"}).config.options.format, OutputFormat::kCsv);
  EXPECT_EQ(read({"--format", "json", "7", "6"}).config.options.format, OutputFormat::kJson);
  EXPECT_EQ(read({"7", "6", "--threads", "3"}).config.search.threads, 3);
  EXPECT_EQ(read({"7", "6"}).config.search.threads, hardware_threads());  // every core by default
  // The option wins over the positional time out, wherever it stands.
  EXPECT_EQ(read({"--time-out=0.25", "7", "6", "1e6", "5", "9"}).config.search.time_out_seconds, 0.25);
  EXPECT_TRUE(read({"7", "-h"}).config.options.show_help);  // no usage pages: the help asks first
  EXPECT_TRUE(read({"-V"}).config.options.show_version);
}

TEST(Options, DoubleDashEndsThemAndSingleDashNumbersStayPositional) {
  Reading ended = read({"--", "7", "6", "--quiet"});
  EXPECT_FALSE(ended.config.options.quiet);
  EXPECT_EQ(ended.config.max_quotient, 0.0);  // "--quiet" read as a number: none, so 0
  Reading negative = read({"7", "6", "-0.5", "-2", "-1", "-inf", "3"});
  EXPECT_EQ(negative.parsed.problem.kind, ProblemKind::kNone);
  EXPECT_TRUE(negative.config.search.range_mode);
}

TEST(Options, ErrorsNameTheArgument) {
  EXPECT_EQ(read({"7", "6", "--frobnicate"}).parsed.problem.message, "unknown option '--frobnicate'");
  EXPECT_EQ(read({"7", "6", "--format"}).parsed.problem.message, "option '--format' needs a value");
  EXPECT_EQ(read({"--quiet=1", "7", "6"}).parsed.problem.message, "option '--quiet' takes no value");
  EXPECT_EQ(read({"--threads=2.5", "7", "6"}).parsed.problem.kind, ProblemKind::kBadOption);
  EXPECT_EQ(read({"--time-out=soon", "7", "6"}).parsed.problem.kind, ProblemKind::kBadOption);
}

TEST(Options, FactorsByName) {
  EXPECT_EQ(read({"--limit=13", "1/1"}).factors, (std::vector<int>{2, 3, 5, 7, 11, 13}));
  EXPECT_EQ(read({"--limit", "2", "1/1"}).factors, (std::vector<int>{2}));
  EXPECT_EQ(read({"--limit=1000", "1/1"}).factors.back(), 997);
  EXPECT_EQ(read({"--subgroup=9.2.1.5", "1/1"}).factors, (std::vector<int>{9, 2, 1, 5}));
  // The factors take their place after the mode and its bounds.
  Reading range = read({"1/1", "-2", "0", "2", "--subgroup", "2.3.7"});
  EXPECT_EQ(range.parsed.problem.kind, ProblemKind::kNone);
  EXPECT_EQ(range.config.search.range_high_cents, 2.0);
  EXPECT_EQ(range.factors, (std::vector<int>{2, 3, 7}));
  for (const char *bad : {"2.3.", ".2", "2.0", "2.-3", "2.3x", "", "2.1e3"}) {
    EXPECT_EQ(read({std::string("--subgroup=") + bad, "7/6"}).parsed.problem.kind, ProblemKind::kBadOption) << bad;
  }
}

TEST(Help, FitsOneScreen) {
  std::istringstream help(capture_output(print_help));
  int lines = 0;
  for (std::string line; std::getline(help, line); ++lines) EXPECT_LE(line.size(), 79u) << line;
  EXPECT_LE(lines, 24);
}

TEST(RatioTarget, SplitsIntoNumeratorAndDenominator) {
  Reading r = read({"(r.txt)", "7/6", "-1", "2", "3", "5"});
  EXPECT_EQ(r.config.search.x, 7.0);
  EXPECT_EQ(r.config.search.y, 6.0);
  EXPECT_EQ(r.factors, (std::vector<int>{2, 3, 5}));
  EXPECT_EQ(r.config.target.text, "7/6");
  EXPECT_EQ(read({"7", "6", "-1", "2"}).config.target.text, "7 6");
  EXPECT_EQ(read({"(r.txt)", "[-4 4 -1>"}).config.target.monzo, (std::vector<int64_t>{-4, 4, -1}));
  EXPECT_EQ(read({"7/6"}).parsed.problem.kind, ProblemKind::kNone);  // one argument is a whole target
  EXPECT_EQ(read({"-7/6"}).parsed.problem.kind, ProblemKind::kBadRatio);
  EXPECT_EQ(read({"7/0"}).parsed.problem.kind, ProblemKind::kZeroTarget);
  EXPECT_EQ(read({"0x10/3"}).config.search.x, 16.0);
  EXPECT_EQ(read({"1.5/1"}).config.search.x, 1.5);
  for (const char *malformed : {"7/", "/6", "7/6/5", "7/x", "/"}) {
    EXPECT_EQ(read({malformed}).parsed.problem.kind, ProblemKind::kBadTarget) << malformed;
  }
}

TEST(TargetAsInt, TruncatesAndClamps) {
  EXPECT_EQ(target_as_int(7.9), 7);
  EXPECT_EQ(target_as_int(-7.9), -7);
  EXPECT_EQ(target_as_int(1e20), INT_MAX);
  EXPECT_EQ(target_as_int(-1e20), INT_MIN);
}

}  // namespace
