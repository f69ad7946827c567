// Scales: Scala files written and read back, the exact arithmetic on ratio terms, and
// the choices a degree made just makes at its edges (inverses, exactly just degrees).
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "present/scala_file.h"
#include "theory/scale_just.h"
#include "theory/scale_pitch.h"

namespace {

ScalaScale random_scale(std::mt19937_64 &random) {
  ScalaScale scale;
  scale.description = "random " + std::to_string(random() % 1000);
  size_t size = 1 + random() % 40;
  for (size_t i = 0; i < size; ++i) {
    if (random() % 2 == 0) {
      // Terms up to 2^40, so that some leave the 31 bits a ratio is written with.
      uint64_t numerator = 1 + random() % (uint64_t{1} << (1 + random() % 40));
      uint64_t denominator = 1 + random() % (uint64_t{1} << (1 + random() % 40));
      scale.pitches.push_back(ratio_pitch(numerator, denominator));
    } else {
      std::uniform_real_distribution<double> cents(-3000.0, 6000.0);
      scale.pitches.push_back(cents_pitch(cents(random)));
    }
  }
  return scale;
}

TEST(ScalaFile, RandomScalesReadBackAsWritten) {
  std::mt19937_64 random(20261209);
  for (int trial = 0; trial < 200; ++trial) {
    ScalaScale written = random_scale(random);
    ScalaReading read = read_scala_scale(scala_scale_text({"name.scl", "a command line", ""}, written));
    ASSERT_TRUE(read.ok) << read.line << ": " << read.problem;
    EXPECT_EQ(read.scale.description, written.description);
    ASSERT_EQ(read.scale.pitches.size(), written.pitches.size());
    for (size_t i = 0; i < written.pitches.size(); ++i) {
      const ScalePitch &a = written.pitches[i];
      const ScalePitch &b = read.scale.pitches[i];
      bool fits = a.is_ratio && a.numerator <= 2147483647 && a.denominator <= 2147483647;
      ASSERT_EQ(b.is_ratio, fits) << "trial " << trial << " pitch " << i;
      if (fits) {
        EXPECT_EQ(b.numerator, a.numerator);
        EXPECT_EQ(b.denominator, a.denominator);
      } else {
        EXPECT_NEAR(b.cents, a.cents, 1e-6);
      }
    }
  }
}

TEST(ScalePitch, ProductsCompareExactlyBeyondSixtyFourBits) {
  const uint64_t big = uint64_t{1} << 53;
  EXPECT_EQ(compare_products(big, big, big, big), 0);
  EXPECT_EQ(compare_products(big + 1, big - 1, big, big), -1);  // 2^106 - 1 against 2^106
  EXPECT_EQ(compare_products(UINT64_MAX, 3, 3, UINT64_MAX), 0);
  EXPECT_EQ(compare_products(UINT64_MAX, UINT64_MAX, UINT64_MAX, UINT64_MAX - 1), 1);
}

TEST(ScalePitch, RatiosInABasisOfComposites) {
  EXPECT_TRUE(ratio_in_basis(9, 8, {2, 3, 5}));
  EXPECT_FALSE(ratio_in_basis(7, 4, {2, 3, 5}));
  EXPECT_FALSE(ratio_in_basis(3, 1, {2, 9}));  // 3 is no product of powers of 2 and 9
  EXPECT_TRUE(ratio_in_basis(9, 8, {2, 9}));
  EXPECT_TRUE(ratio_in_basis(5, 3, {2, 9, 15}));  // 15 / 9
  EXPECT_FALSE(ratio_in_basis(5, 1, {2, 9, 15}));
  EXPECT_TRUE(ratio_in_basis(4, 1, {6, 12}));  // 12 / 6 * 12 / 6
  EXPECT_TRUE(ratio_in_basis(2, 3, {6, 12}));  // 12^2 / 6^3
  EXPECT_FALSE(ratio_in_basis(2, 3, {4, 9}));
  EXPECT_EQ(prime_limit_in_basis(10, 9, {2, 3, 5, 7}), 5);
}

JustRules five_limit(double within, uint64_t max_term) {
  JustRules rules;
  rules.basis = {2, 3, 5};
  rules.within_cents = within;
  rules.max_term = max_term;
  return rules;
}

TEST(ScaleJust, TheInverseOfWhatAUnisonSearchWalksIsConsidered) {
  // A hair above the unison, which the search takes for 1/1: of 81/80 and 80/81 it walks
  // only the second, and the closer first one is the rules' choice.
  JustDegree degree = make_degree_just(cents_pitch(1e-12), five_limit(25, 250));
  ASSERT_TRUE(degree.found);
  EXPECT_EQ(degree.numerator, 81u);
  EXPECT_EQ(degree.denominator, 80u);
}

TEST(ScaleJust, AnExactlyJustDegreeHasDistanceZeroAndASimplerNeighbourStillWins) {
  JustDegree exact = make_degree_just(ratio_pitch(45, 32), five_limit(15, 1000));
  EXPECT_EQ(exact.numerator, 45u);
  EXPECT_EQ(exact.distance_cents, 0.0);
  JustDegree simpler = make_degree_just(ratio_pitch(81, 64), five_limit(25, 100));
  EXPECT_EQ(simpler.numerator, 5u);
  EXPECT_EQ(simpler.denominator, 4u);
}

TEST(ScaleJust, TheWindowIsClosedAndTheTermsBounded) {
  ScalePitch fifth = ratio_pitch(3, 2);
  // 700 cents to 3/2 is 1.955... cents: a window of exactly that distance holds it.
  double distance = fifth.cents - 700.0;
  EXPECT_TRUE(make_degree_just(cents_pitch(700.0), five_limit(distance, 10)).found);
  EXPECT_FALSE(make_degree_just(cents_pitch(700.0), five_limit(std::nextafter(distance, 0.0), 10)).found);
  // 16/15 needs a term of 16: not within a max term of 15.
  JustDegree bounded = make_degree_just(cents_pitch(111.0), five_limit(2, 15));
  EXPECT_FALSE(bounded.found);
}

TEST(ScaleJust, AScaleStopsAtItsTimeOutOrInterruptionWithTheDegreesBeforeIt) {
  std::vector<ScalePitch> degrees;
  for (int k = 1; k <= 72; ++k) degrees.push_back(cents_pitch(1200.0 * k / 72));
  JustRules rules = five_limit(1, 100000);
  rules.basis = {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31};
  JustScale whole = make_scale_just(degrees, rules);
  EXPECT_EQ(whole.end, SearchEnd::kExhausted);
  EXPECT_EQ(whole.degrees.size(), degrees.size());
  rules.time_out_seconds = 0;
  JustScale timed_out = make_scale_just(degrees, rules);
  EXPECT_EQ(timed_out.end, SearchEnd::kTimeOut);
  ASSERT_LT(timed_out.degrees.size(), degrees.size());
  for (size_t i = 0; i < timed_out.degrees.size(); ++i) {
    EXPECT_EQ(timed_out.degrees[i].numerator, whole.degrees[i].numerator);
  }
  std::atomic<int> stop{2};
  rules.time_out_seconds = std::numeric_limits<double>::infinity();
  rules.interrupt = &stop;
  JustScale interrupted = make_scale_just(degrees, rules);
  EXPECT_EQ(interrupted.end, SearchEnd::kInterrupted);
  EXPECT_LT(interrupted.degrees.size(), degrees.size());
}

}  // namespace
