// The search: the denominator bound, the acceptance rules, and the counts and accepted
// sizes of whole searches (gate, skip rules, exact-hit stop, time out, full result log).
#include "search/search.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "harness.h"

namespace {

SearchOutcome search(const std::vector<std::string> &args) {
  SearchOutcome outcome = search_with(args, run_search);
  EXPECT_TRUE(outcome.arguments_ok);
  return outcome;
}

std::vector<double> rounded(const std::vector<double> &values) {
  std::vector<double> out;
  for (double v : values) out.push_back(std::round(v * 1000) / 1000);
  return out;
}

TEST(DenominatorBound, SumsNegativeExponentsOfEverySlot) {
  const double logs[] = {std::log(2.0), std::log(3.0), std::log(5.0)};
  const int seven_over_six_five[] = {fold_exponent(0), fold_exponent(-1), fold_exponent(-1)};  // denominator 15
  EXPECT_TRUE(denominator_within_max_quotient(std::log(15.0) + 1e-9, logs, seven_over_six_five, 3));
  EXPECT_FALSE(denominator_within_max_quotient(std::log(14.0), logs, seven_over_six_five, 3));
  const int positive_only[] = {fold_exponent(40), 0, fold_exponent(3)};
  EXPECT_TRUE(denominator_within_max_quotient(0.0, logs, positive_only, 3));
}

TEST(Acceptance, RangeWindowIsOpenAndSuccessiveNeedsAClearImprovement) {
  RunConfig config{};
  SearchState state{};
  state.ln2 = std::log(2.0);
  state.best_error = 0.5;
  config.range_mode = true;
  config.range_low_cents = 0;
  config.range_high_cents = 1200;
  EXPECT_TRUE(candidate_accepted(config, state, 0.3));
  EXPECT_FALSE(candidate_accepted(config, state, 0.0));            // on the low bound
  EXPECT_FALSE(candidate_accepted(config, state, std::log(2.0)));  // 1200 cents exactly
  config.range_mode = false;
  EXPECT_TRUE(candidate_accepted(config, state, 0.49));
  EXPECT_FALSE(candidate_accepted(config, state, 0.5 - 1e-15));
}

TEST(Search, SevenSixthsFiveLimit) {
  SearchOutcome run = search({"7", "6", "-1", "2", "3", "5"});
  EXPECT_EQ(run.state.tested_count, 897);
  EXPECT_EQ(rounded(run.result_log), (std::vector<double>{315.641, 274.582, 264.521, 266.475}));
  EXPECT_EQ(run.output, "2*3/5  3*5^2/2^6  2^15/(3^2*5^5)  3^6/5^4  ");
}

TEST(Search, ExactHitsStopTheSearch) {
  SearchOutcome three_halves = search({"3", "2"});
  EXPECT_EQ(three_halves.state.tested_count, 4);
  EXPECT_EQ(three_halves.state.found_count, 2);
  EXPECT_LE(three_halves.state.best_error, 1e-14);

  SearchOutcome seven_limit = search({"7", "6", "-1", "2", "3", "7", "11"});
  EXPECT_EQ(seven_limit.state.tested_count, 1916);
  EXPECT_EQ(seven_limit.state.found_count, 6);
}

TEST(Search, GateDependsOnFactorOrder) {
  EXPECT_EQ(search({"7", "6", "-1", "2", "3"}).state.tested_count, 0);
  SearchOutcome swapped = search({"7", "6", "-1", "3", "2"});
  EXPECT_EQ(swapped.state.tested_count, 23);
  EXPECT_EQ(rounded(swapped.result_log), (std::vector<double>{498.045, 203.91, 294.135}));
}

TEST(Search, UnisonRangeSearchDependsOnFactorOrder) {
  SearchOutcome first = search({"1", "1", "-2", "40", "60", "2", "3", "5"});
  EXPECT_EQ(rounded(first.result_log), (std::vector<double>{-51.12, 49.166, -43.013}));
  SearchOutcome second = search({"1", "1", "-2", "40", "60", "3", "2", "5"});
  EXPECT_EQ(rounded(second.result_log), (std::vector<double>{-49.166, 41.059, 43.013, 51.12}));
}

TEST(Search, TargetBelowUnison) {
  SearchOutcome run = search({"6", "7", "-1", "2", "3", "5"});
  ASSERT_EQ(run.state.found_count, 9);
  EXPECT_EQ(rounded(std::vector<double>(run.result_log.begin() + 5, run.result_log.end())),
            (std::vector<double>{-315.641, -274.582, -264.521, -266.475}));
}

TEST(Search, SmallMaxQuotientAndNegativeTimeOut) {
  EXPECT_EQ(search({"7", "6", "1", "-1", "2", "3", "5"}).state.tested_count, 0);
  EXPECT_EQ(search({"7", "6", "0.5", "-1", "2", "3", "5"}).state.tested_count, 0);
  SearchOutcome timed = search({"7", "6", "1000000", "5", "-0.5", "-1", "2", "3", "5"});
  EXPECT_TRUE(timed.state.timed_out);
  EXPECT_EQ(timed.state.tested_count, 10);
}

TEST(Search, SingleFactorExaminesOneVector) {
  SearchOutcome run = search({"3", "1", "-1", "2"});
  EXPECT_EQ(run.state.tested_count, 1);
  EXPECT_EQ(run.output, "2/1  2^2/1  ");  // both candidates improve on 1/1, in order

  SearchOutcome none = search({"7", "6", "-1", "2"});  // 2^0 is no candidate, 2^1 is farther than 1/1
  EXPECT_EQ(none.state.tested_count, 1);
  EXPECT_EQ(none.state.found_count, 0);

  SearchOutcome range = search({"10", "1", "-2", "0", "2000", "3"});
  EXPECT_EQ(range.output, "[2> = 9 : 1 = 3803.9\n[3> = 27 : 1 = 5705.9\n");
}

TEST(Search, FullResultLogKeepsPrinting) {
  SearchOutcome run = search({"1", "1", "1e9", "5", "100", "-2", "0", "100000", "2", "3", "5"});
  EXPECT_EQ(run.state.found_count, kResultLogCapacity);
  size_t lines = 0;
  for (char c : run.output) lines += c == '\n' ? 1 : 0;
  EXPECT_GT(lines, static_cast<size_t>(kResultLogCapacity));
}

}  // namespace
