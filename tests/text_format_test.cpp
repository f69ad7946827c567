// The numbers in text: three-digit exponents, NaN and infinities spelt alike everywhere,
// precision edges, every number format as its call sites use it, and the progress line's
// compact exponents.
#include "present/text_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

std::string lg(int precision, double value) { return number_text("%.*g", precision, value); }

TEST(TextFormat, FloatingExponentsHaveAtLeastThreeDigits) {
  EXPECT_EQ(number_text("%g", 1000000.0), "1e+006");
  EXPECT_EQ(number_text("%.7g", 1000000.0), "1000000");
  EXPECT_EQ(lg(5, 0.000015), "1.5e-005");
  EXPECT_EQ(number_text("%g", 1.23e100), "1.23e+100");
  EXPECT_EQ(number_text("%.12g", 1e-300), "1e-300");
  EXPECT_EQ(lg(5, 2.2737367544323206e-13), "2.2737e-013");
  EXPECT_EQ(number_text("%g", 266.870905604), "266.871");
}

TEST(TextFormat, NonFiniteNumbersAreSpeltTheSameEverywhere) {
  EXPECT_EQ(number_text("%g", -1.0 / 0.0), "-inf");
  EXPECT_EQ(number_text("%.12g", 1.0 / 0.0), "inf");
  EXPECT_EQ(number_text("%.12g", std::nan("")), "nan");
  EXPECT_EQ(number_text("%.12g", -std::nan("")), "-nan");
  EXPECT_EQ(lg(5, -std::nan("")), "-nan");
}

TEST(TextFormat, StarPrecisionEdges) {
  EXPECT_EQ(lg(-1, 3.14159265358979), "3.14159");  // negative: as if omitted
  EXPECT_EQ(lg(0, 3.14159265358979), "3");         // zero: one digit
  EXPECT_EQ(lg(12, 266.8709056037), "266.870905604");
  // A huge precision prints every digit of the double and stops there.
  EXPECT_EQ(lg(2000000000, 0.1), "0.1000000000000000055511151231257827021181583404541015625");
  EXPECT_EQ(lg(2000000000, 1e300).size(), 301u);
}

TEST(TextFormat, NamedNumberFormats) {
  EXPECT_EQ(ratio_number_text(7.0), "7");
  EXPECT_EQ(ratio_number_text(266.8709056037), "266.870905604");
  EXPECT_EQ(cents_text(5, 21.50628959671485), "21.506");
}

// Every format of number_formats.h, with the arguments its call sites pass.
TEST(TextFormat, EveryNumberFormat) {
  EXPECT_EQ(number_text(kRatioNumberFormat, 1e-300), "1e-300");
  EXPECT_EQ(number_text(kCentsFormat, 5, 2.2737367544323206e-13), "2.2737e-013");
  EXPECT_EQ(number_text(kRangeMaxQuotientFormat, 1e6), "1000000");
  EXPECT_EQ(number_text(kSuccessiveMaxQuotientFormat, 1e6), "1e+006");
  EXPECT_EQ(number_text(kEndSecondsFormat, 4.0004), "4.0004");
  EXPECT_EQ(number_text(kOutOfMemoryKbFormat, 7.8125), "7.8125");
  EXPECT_EQ(number_text(kProgressCountFormat, 93.332923298), "93.3");
  EXPECT_EQ(number_text(kProgressTimeFormat, 4.25), "4.2");
  EXPECT_EQ(number_text(kProgressShareFormat, 0.0123456), "0.0123");
  EXPECT_EQ(number_text(kProgressCentsFormat, 0.0123456), "0.01235");
}

// The progress line's numbers keep only the exponent digits they need.
TEST(TextFormat, CompactExponents) {
  EXPECT_EQ(compact_number_text(kProgressCentsFormat, 2.2737367544323206e-13), "2.274e-13");
  EXPECT_EQ(compact_number_text(kProgressCentsFormat, 1.5e-5), "1.5e-5");
  EXPECT_EQ(compact_number_text(kProgressCentsFormat, 1.5e-300), "1.5e-300");
  EXPECT_EQ(compact_number_text(kProgressCentsFormat, 12.5), "12.5");
  EXPECT_EQ(compact_number_text(kProgressCentsFormat, -1.0 / 0.0), "-inf");
}

}  // namespace
