// The basis reader's edges: the prime limit's bounds, the subgroup's elements, and a typed
// field that picks one of the two and says what the command line's option would say.
#include "present/basis_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(BasisReader, PrimeLimitTakesItsBoundsAndNoMore) {
  EXPECT_EQ(read_prime_limit("2").factors, std::vector<int>({2}));
  EXPECT_EQ(read_prime_limit("7").factors, std::vector<int>({2, 3, 5, 7}));
  EXPECT_EQ(read_prime_limit("1000").factors.back(), 997);
  EXPECT_EQ(read_prime_limit("7.0").factors.size(), 4U);  // a number as the other whole-number options read it
  for (const char *bad : {"", "1", "1001", "7.5", "x", "7x", "nan", "1e9"}) {
    BasisReading reading = read_prime_limit(bad);
    EXPECT_TRUE(reading.factors.empty()) << bad;
    EXPECT_EQ(reading.problem, "'" + std::string(bad) + "' is not a whole number from 2 to 1000");
  }
}

TEST(BasisReader, SubgroupElementsAreIntegersOfOneOrMoreEndingInTwoOrMore) {
  EXPECT_EQ(read_subgroup("2.3.7").factors, std::vector<int>({2, 3, 7}));
  EXPECT_EQ(read_subgroup("1.3").factors, std::vector<int>({1, 3}));
  EXPECT_EQ(read_subgroup("999999999").factors, std::vector<int>({999999999}));
  for (const char *bad : {"", ".", "2.", ".3", "2..3", "2.x", "2.3.-5", "2.0", "2.1000000000", "2 .3"}) {
    EXPECT_EQ(read_subgroup(bad).problem,
              "'" + std::string(bad) +
                  "' is not a subgroup: write its factors, integers of 1 or more, between dots, as in 2.3.7");
  }
  EXPECT_EQ(read_subgroup("2.7/4").problem, "'2.7/4' has the rational element 7/4; only integer factors are supported");
  EXPECT_EQ(read_subgroup("2.3.1").problem, "'2.3.1' ends in 1: the last factor must be 2 or more");
  EXPECT_TRUE(read_subgroup("1").factors.empty());
}

TEST(BasisReader, TypedFieldIsALimitWhenAllDigitsElseASubgroup) {
  TypedBasis limit = read_typed_basis(" 5\t");
  EXPECT_EQ(limit.factors, std::vector<int>({2, 3, 5}));
  EXPECT_EQ(limit.option, "--limit=5");
  TypedBasis subgroup = read_typed_basis("2.3.7 ");
  EXPECT_EQ(subgroup.factors, std::vector<int>({2, 3, 7}));
  EXPECT_EQ(subgroup.option, "--subgroup=2.3.7");
  TypedBasis none = read_typed_basis("  ");
  EXPECT_TRUE(none.factors.empty() && none.option.empty() && none.problem.empty());
  EXPECT_EQ(read_typed_basis("1001").problem, "--limit: '1001' is not a whole number from 2 to 1000");
  EXPECT_EQ(read_typed_basis("7.0").problem,
            "--subgroup: '7.0' is not a subgroup: write its factors, integers of 1 or more, between dots, as in 2.3.7");
  EXPECT_EQ(read_typed_basis("2.3 7").problem.rfind("--subgroup: '2.3 7' is not a subgroup", 0), 0U);
  EXPECT_TRUE(read_typed_basis("2.3 7").option.empty());
}

}  // namespace
