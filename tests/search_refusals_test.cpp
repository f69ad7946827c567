// The refusals of a search's target and factors, shared by the command line and the page's
// engine: which comes first, and that each is told in full.
#include "present/search_refusals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

TEST(SearchRefusals, TargetsWithoutALogarithmAreRefusedZeroFirst) {
  struct Case {
    double x, y;
    SearchRefusal expected;
  };
  const Case cases[] = {
      {7, 6, SearchRefusal::kNone},
      {1e-300, 1e-300, SearchRefusal::kNone},
      {0, 6, SearchRefusal::kZeroTarget},
      {7, 0, SearchRefusal::kZeroTarget},
      {0, -1, SearchRefusal::kZeroTarget},
      {-7, 6, SearchRefusal::kBadRatio},
      {kNan, 1, SearchRefusal::kBadRatio},
      {kInfinity, 1, SearchRefusal::kBadRatio},
      {1, kInfinity, SearchRefusal::kBadRatio},   // the ratio is 0
      {1e300, 1e-300, SearchRefusal::kBadRatio},  // the ratio overflows
  };
  for (const Case &c : cases) EXPECT_EQ(target_refusal(c.x, c.y), c.expected) << c.x << "/" << c.y;
}

TEST(SearchRefusals, TheFirstFactorBelowOneIsNamedBeforeALastOne) {
  struct Case {
    std::vector<int> factors;
    SearchRefusal expected;
    int bad_factor;
  };
  const Case cases[] = {
      {{2, 3, 5}, SearchRefusal::kNone, 0},
      {{}, SearchRefusal::kNone, 0},
      {{1, 2}, SearchRefusal::kNone, 0},
      {{2, 3, 1}, SearchRefusal::kLastFactorOne, 0},
      {{2, 0, -3, 1}, SearchRefusal::kBadFactor, 0},
      {{2, -3, 0}, SearchRefusal::kBadFactor, -3},
  };
  for (const Case &c : cases) {
    int bad_factor = 0;
    EXPECT_EQ(factors_refusal(c.factors, bad_factor), c.expected);
    if (c.expected == SearchRefusal::kBadFactor) {
      EXPECT_EQ(bad_factor, c.bad_factor);
    }
  }
}

TEST(SearchRefusals, EachIsToldWithTheTargetAndTheWayOn) {
  EXPECT_EQ(search_refusal_text(SearchRefusal::kNone, 7, 6, 0), "");
  EXPECT_EQ(search_refusal_text(SearchRefusal::kZeroTarget, 0, 6, 0),
            "Read: ratio to approx 0/6\nDenominator and denumerator have to be non zero.\n"
            "Run prog without any args for example of use\n");
  EXPECT_EQ(search_refusal_text(SearchRefusal::kBadFactor, 7.9, 1e20, -3),
            "Read: -3 as one of the factors to look for, ratio to approx 7/2147483647\n"
            "All factors need to be positive and non zero\nRun prog without any args for example of use\n");
  for (SearchRefusal refusal : {SearchRefusal::kBadRatio, SearchRefusal::kLastFactorOne}) {
    std::string text = search_refusal_text(refusal, -7, 6, 0);
    EXPECT_NE(text.find("7/6\n"), std::string::npos) << text;
  }
}

}  // namespace
