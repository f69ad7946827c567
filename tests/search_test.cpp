// The search: the factor limits, the denominator bound, the acceptance rules, and the
// counts, records and endings of whole searches (gate, skip rules, exact-hit stop, time
// out, every-vector searches).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "harness.h"
#include "present/text_renderer.h"
#include "search/search_steps.h"

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

// The text before the report: the accepted approximants as the text output shows them.
std::string approximant_text(const SearchOutcome &outcome) { return outcome.text.substr(0, outcome.text.find("\n(")); }

TEST(FactorLimit, FoldedLimitsFromTheMaxQuotient) {
  double ln_million = std::log(1000000.0);
  EXPECT_EQ(factor_limit(std::log(2.0), ln_million), 38);
  EXPECT_EQ(factor_limit(std::log(3.0), ln_million), 24);
  EXPECT_EQ(factor_limit(std::log(5.0), ln_million), 16);
  EXPECT_EQ(factor_limit(std::log(10.0), ln_million), 12);  // 10^6 exactly: the slack keeps it in
  EXPECT_EQ(factor_limit(std::log(1.0), ln_million), 0);
  EXPECT_EQ(factor_limit(std::log(2.0), std::log(0.0)), 0);
  EXPECT_EQ(factor_limit(std::log(2.0), std::log(-1.0)), 0);
  EXPECT_LT(factor_limit(std::log(2.0), std::log(0.5)), 0);
}

TEST(DenominatorBound, SumsNegativeExponentsOfEverySlot) {
  const double logs[] = {std::log(2.0), std::log(3.0), std::log(5.0)};
  const int seven_over_six_five[] = {fold_exponent(0), fold_exponent(-1), fold_exponent(-1)};  // denominator 15
  EXPECT_TRUE(denominator_within_max_quotient(std::log(15.0) + 1e-9, logs, seven_over_six_five, 3));
  EXPECT_FALSE(denominator_within_max_quotient(std::log(14.0), logs, seven_over_six_five, 3));
  const int positive_only[] = {fold_exponent(40), 0, fold_exponent(3)};
  EXPECT_TRUE(denominator_within_max_quotient(0.0, logs, positive_only, 3));
}

class NullSink : public ResultSink {
  void approximant(const Approximant & /*found*/) override {}
  void finished(const SearchSummary & /*summary*/) override {}
};

TEST(Acceptance, RangeWindowIsOpenAndSuccessiveNeedsAClearImprovement) {
  SearchParams params;
  NullSink sink;
  SearchContext context{params, sink};
  context.ln2 = std::log(2.0);
  context.best_error = 0.5;
  params.range_mode = true;
  params.range_low_cents = 0;
  params.range_high_cents = 1200;
  EXPECT_TRUE(candidate_accepted(context, 0.3));
  EXPECT_FALSE(candidate_accepted(context, 0.0));            // on the low bound
  EXPECT_FALSE(candidate_accepted(context, std::log(2.0)));  // 1200 cents exactly
  params.range_mode = false;
  EXPECT_TRUE(candidate_accepted(context, 0.49));
  EXPECT_FALSE(candidate_accepted(context, 0.5 - 1e-15));
}

TEST(Search, SevenSixthsFiveLimit) {
  SearchOutcome run = search({"7", "6", "-1", "2", "3", "5"});
  EXPECT_EQ(run.summary.tested, 897);
  EXPECT_EQ(run.summary.end, SearchEnd::kExhausted);
  EXPECT_EQ(rounded(run.result_log), (std::vector<double>{315.641, 274.582, 264.521, 266.475}));
  EXPECT_EQ(approximant_text(run), "2*3/5  3*5^2/2^6  2^15/(3^2*5^5)  3^6/5^4  ");
  ASSERT_EQ(run.records.size(), 4u);
  EXPECT_EQ(run.records[2].exponents, (std::vector<int>{15, -2, -5}));  // signed, in factor order
}

TEST(Search, ExactHitsStopTheSearch) {
  SearchOutcome three_halves = search({"3", "2"});
  EXPECT_EQ(three_halves.summary.tested, 4);
  EXPECT_EQ(three_halves.summary.accepted, 2);
  EXPECT_EQ(three_halves.summary.end, SearchEnd::kExactHit);
  EXPECT_LE(three_halves.summary.best_error, 1e-14);

  SearchOutcome seven_limit = search({"7", "6", "-1", "2", "3", "7", "11"});
  EXPECT_EQ(seven_limit.summary.tested, 1916);
  EXPECT_EQ(seven_limit.summary.accepted, 6);
}

TEST(Search, GateDependsOnFactorOrder) {
  EXPECT_EQ(search({"7", "6", "-1", "2", "3"}).summary.tested, 0);
  SearchOutcome swapped = search({"7", "6", "-1", "3", "2"});
  EXPECT_EQ(swapped.summary.tested, 23);
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
  ASSERT_EQ(run.summary.accepted, 9);
  EXPECT_EQ(rounded(std::vector<double>(run.result_log.begin() + 5, run.result_log.end())),
            (std::vector<double>{-315.641, -274.582, -264.521, -266.475}));
}

TEST(Search, SmallMaxQuotientAndNegativeTimeOut) {
  EXPECT_EQ(search({"7", "6", "1", "-1", "2", "3", "5"}).summary.tested, 0);
  EXPECT_EQ(search({"7", "6", "0.5", "-1", "2", "3", "5"}).summary.tested, 0);
  SearchOutcome timed = search({"7", "6", "1000000", "5", "-0.5", "-1", "2", "3", "5"});
  EXPECT_EQ(timed.summary.end, SearchEnd::kTimeOut);
  EXPECT_EQ(timed.summary.tested, 10);
}

TEST(Search, PositiveTimeOutEndsNearItsDeadline) {
  // An exhaustive walk of this takes seconds; the bound is generous on purpose.
  auto start = std::chrono::steady_clock::now();
  SearchOutcome timed = search({"1", "1", "1e300", "5", "0.3", "-2", "0", "1", "2", "3", "5", "7", "11", "13", "17"});
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(timed.summary.end, SearchEnd::kTimeOut);
  EXPECT_GE(timed.summary.seconds, 0.3);
  EXPECT_LT(seconds, 5.0);
}

TEST(Search, ThreadedTimeOutKeepsTheWorkDone) {
  // A search far too big to finish: when its time out strikes, the threads' merge must
  // stand close behind them, not at the start of a block minutes long.
  SearchOutcome timed = search({"1", "1", "1e14", "6", "0.5", "-1", "2", "3", "5", "7", "11", "13", "17", "19", "23",
                                "29", "31", "--threads=2"});
  EXPECT_EQ(timed.summary.end, SearchEnd::kTimeOut);
  EXPECT_GT(timed.summary.tested, int64_t{1000000000});
}

TEST(Search, SingleFactorExaminesOneVector) {
  SearchOutcome run = search({"3", "1", "-1", "2"});
  EXPECT_EQ(run.summary.tested, 1);
  EXPECT_EQ(approximant_text(run), "2/1  2^2/1  ");  // both candidates improve on 1/1, in order

  SearchOutcome none = search({"7", "6", "-1", "2"});  // 2^0 is no candidate, 2^1 is farther than 1/1
  EXPECT_EQ(none.summary.tested, 1);
  EXPECT_EQ(none.summary.accepted, 0);

  SearchOutcome range = search({"10", "1", "-2", "0", "2000", "3"});
  EXPECT_EQ(approximant_text(range), "[2> = 9 : 1 = 3803.9\n[3> = 27 : 1 = 5705.9\n");
}

TEST(Search, FullResultLogKeepsPrinting) {
  SearchOutcome run = search({"1", "1", "1e9", "5", "100", "-2", "0", "100000", "2", "3", "5"});
  EXPECT_GT(run.summary.accepted, kResultLogCapacity);
  EXPECT_EQ(run.result_log.size(), static_cast<size_t>(kResultLogCapacity));
  EXPECT_NE(run.text.find("values tested, 1000 values found)"), std::string::npos);
}

}  // namespace
