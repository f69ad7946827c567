// The ratio formula: numerator and denominator sides, parentheses only around two or
// more denominator terms, exponent 1 never written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "present/approximant_text.h"

namespace {

std::string ratio_form(const std::vector<int> &factors, const std::vector<int> &exponents) {
  return ratio_formula(factors.data(), exponents.data(), static_cast<int>(factors.size()));
}

TEST(RatioForm, WorkedExamples) {
  const std::vector<int> f{2, 3, 5};
  EXPECT_EQ(ratio_form(f, {-4, 4, -1}), "3^4/(2^4*5)");
  EXPECT_EQ(ratio_form(f, {-3, -1, 2}), "5^2/(2^3*3)");
  EXPECT_EQ(ratio_form(f, {-1, 1, 0}), "3/2");
  EXPECT_EQ(ratio_form(f, {-3, 2, 0}), "3^2/2^3");
  EXPECT_EQ(ratio_form(f, {-3, 1, 1}), "3*5/2^3");
  EXPECT_EQ(ratio_form(f, {1, 0, 0}), "2/1");
  EXPECT_EQ(ratio_form(f, {0, -1, 0}), "1/3");
  EXPECT_EQ(ratio_form(f, {0, 0, 0}), "1/1");
  EXPECT_EQ(ratio_form({2, 3, 5, 7}, {3, -2, 1, 1}), "2^3*5*7/3^2");
  EXPECT_EQ(ratio_form({2, 3, 5, 7}, {3, -2, 1, -1}), "2^3*5/(3^2*7)");
}

TEST(RatioForm, SidesAndParentheses) {
  const std::vector<int> f{2, 3, 5};
  EXPECT_EQ(ratio_form({}, {}), "1/1");
  EXPECT_EQ(ratio_form(f, {3, 0, 1}), "2^3*5/1");
  EXPECT_EQ(ratio_form(f, {-3, 0, -1}), "1/(2^3*5)");
  EXPECT_EQ(ratio_form(f, {-3, 0, 0}), "1/2^3");
  EXPECT_EQ(ratio_form(f, {-1, 0, -1}), "1/(2*5)");    // small magnitudes still get them
  EXPECT_EQ(ratio_form(f, {0, 12, -7}), "3^12/5^7");   // one term never does
  EXPECT_EQ(ratio_form(f, {5, 1, 2}), "2^5*3*5^2/1");  // factor order, not size order
  EXPECT_EQ(ratio_form({40000, 3}, {2, -1}), "40000^2/3");
}

}  // namespace
