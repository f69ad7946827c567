// The named intervals: every entry's size matches its ratio, each is reduced and of the
// 7-limit, and an approximant finds its name from any factors, in either orientation.
#include "present/comma_names.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "present/interval_measures.h"

namespace {

uint64_t gcd(uint64_t a, uint64_t b) { return b == 0 ? a : gcd(b, a % b); }

bool is_seven_limit(uint64_t value) {
  for (uint64_t prime : {2, 3, 5, 7}) {
    while (value % prime == 0) value /= prime;
  }
  return value == 1;
}

// The name a record gives the approximant with these exponents of these factors.
const char *name_of(const std::vector<int> &factors, const std::vector<int> &exponents) {
  IntervalMeasures measures = measure_interval(factorise_factors(factors), exponents.data(), false);
  return measures.has_prime_monzo ? comma_name(measures.prime_monzo) : nullptr;
}

TEST(CommaNames, EveryEntryMatchesItsRatio) {
  const std::vector<NamedInterval> &table = named_intervals();
  EXPECT_GE(table.size(), 30u);
  std::set<std::string> names;
  for (const NamedInterval &entry : table) {
    double cents = 1200.0 * std::log2(static_cast<double>(entry.numerator) / static_cast<double>(entry.denominator));
    EXPECT_NEAR(entry.cents, cents, 5e-5) << entry.name;
    EXPECT_EQ(gcd(entry.numerator, entry.denominator), 1u) << entry.name;
    EXPECT_TRUE(is_seven_limit(entry.numerator) && is_seven_limit(entry.denominator)) << entry.name;
    EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
  }
}

TEST(CommaNames, FoundInEitherOrientationFromAnyFactors) {
  EXPECT_STREQ(name_of({2, 3, 5}, {-4, 4, -1}), "syntonic comma");
  EXPECT_STREQ(name_of({2, 3, 5}, {4, -4, 1}), "syntonic comma");         // 80/81
  EXPECT_STREQ(name_of({3, 2, 5}, {4, -4, -1}), "syntonic comma");        // another factor order
  EXPECT_STREQ(name_of({6, 2, 5, 3}, {2, -6, -1, 2}), "syntonic comma");  // 36*9/(64*5) reduces to 81/80
  EXPECT_STREQ(name_of({2, 3}, {-19, 12}), "Pythagorean comma");
  EXPECT_STREQ(name_of({2, 3, 5, 7}, {6, -2, 0, -1}), "septimal comma");
  EXPECT_STREQ(name_of({66, 11, 2, 3, 5}, {1, -1, -5, 3, -1}), "syntonic comma");  // the 11s cancel
  EXPECT_EQ(name_of({2, 3, 11}, {-5, 0, 1}), nullptr);                             // 11/32 has no name here
  EXPECT_EQ(name_of({2, 3, 5}, {0, 0, 0}), nullptr);
}

}  // namespace
