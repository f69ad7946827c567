// The monzo line: signed exponents with their comma groups, then the exact ratio.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "present/approximant_text.h"

namespace {

std::string monzo(const std::vector<int> &factors, const std::vector<int> &exponents) {
  return monzo_line(factors.data(), exponents.data(), static_cast<int>(factors.size()));
}

TEST(Monzo, WorkedExamples) {
  const std::vector<int> f{2, 3, 5};
  EXPECT_EQ(monzo(f, {-4, 4, -1}), "[-4 4, -1> = 81 : 80");
  EXPECT_EQ(monzo(f, {11, -4, -2}), "[11 -4, -2> = 2048 : 2025");
  EXPECT_EQ(monzo(f, {-19, 12, 0}), "[-19 12, 0> = 531441 : 524288");
  EXPECT_EQ(monzo(f, {0, 0, 0}), "[0 0, 0> = 1 : 1");
  EXPECT_EQ(monzo({2, 3}, {-1, 1}), "[-1 1,> = 3 : 2");
  EXPECT_EQ(monzo({2, 3, 5, 7}, {6, -2, 0, -1}), "[6 -2, 0 -1> = 64 : 63");
  EXPECT_EQ(monzo({2, 3, 5, 7, 11}, {-1, 2, 0, -2, 1}), "[-1 2, 0 -2 1,> = 99 : 98");
  EXPECT_EQ(monzo({2, 3, 5, 7, 11, 13}, {4, 2, 0, 0, -1, -1}), "[4 2, 0 0 -1, -1> = 144 : 143");
  EXPECT_EQ(monzo({2}, {3}), "[3> = 8 : 1");
}

TEST(Monzo, CommaAfterEverySecondFifthEighthEntry) {
  const char *expected[] = {"",
                            "[1> = 2 : 1",
                            "[1 1,> = 4 : 1",
                            "[1 1, 1> = 8 : 1",
                            "[1 1, 1 1> = 16 : 1",
                            "[1 1, 1 1 1,> = 32 : 1",
                            "[1 1, 1 1 1, 1> = 64 : 1",
                            "[1 1, 1 1 1, 1 1> = 128 : 1",
                            "[1 1, 1 1 1, 1 1 1,> = 256 : 1",
                            "",
                            "",
                            "[1 1, 1 1 1, 1 1 1, 1 1 1,> = 2048 : 1"};
  for (int count : {1, 2, 3, 4, 5, 6, 7, 8, 11}) {
    EXPECT_EQ(monzo(std::vector<int>(count, 2), std::vector<int>(count, 1)), expected[count]) << count;
  }
}

TEST(Monzo, ExactBeyondSixtyFourBitsAndWideFactors) {
  EXPECT_EQ(monzo({2, 3, 5}, {0, 0, 30}), "[0 0, 30> = 931322574615478515625 : 1");
  EXPECT_EQ(monzo({65537, 40000}, {-2, 3}), "[-2 3,> = 64000000000000 : 4295098369");
  EXPECT_EQ(monzo({2147483647}, {-3}), "[-3> = 1 : 9903520300447984150353281023");
}

}  // namespace
