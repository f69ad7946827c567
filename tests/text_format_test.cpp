// The number formats: three-digit exponents, NaN and infinities spelt alike everywhere,
// precision edges, verbatim strings, every number format as its call sites use it, and
// conversions the formatter does not implement refused.
#include "present/text_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>

namespace {

std::string lg(int precision, double value) { return format_text("%.*g", precision, value); }

TEST(TextFormat, FloatingExponentsHaveAtLeastThreeDigits) {
  EXPECT_EQ(format_text("%g", 1000000.0), "1e+006");
  EXPECT_EQ(format_text("%.7g", 1000000.0), "1000000");
  EXPECT_EQ(lg(5, 0.000015), "1.5e-005");
  EXPECT_EQ(format_text("%g", 1.23e100), "1.23e+100");
  EXPECT_EQ(format_text("%.12g", 1e-300), "1e-300");
  EXPECT_EQ(lg(5, 2.2737367544323206e-13), "2.2737e-013");
  EXPECT_EQ(format_text("%g", 266.870905604), "266.871");
}

TEST(TextFormat, NonFiniteNumbersAreSpeltTheSameEverywhere) {
  EXPECT_EQ(format_text("%g", -1.0 / 0.0), "-inf");
  EXPECT_EQ(format_text("%.12g", 1.0 / 0.0), "inf");
  EXPECT_EQ(format_text("%.12g", std::nan("")), "nan");
  EXPECT_EQ(format_text("%.12g", -std::nan("")), "-nan");
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

TEST(TextFormat, StringsAndPercentSignsAreVerbatim) {
  EXPECT_EQ(format_text(" %s", "1e+06"), " 1e+06");
  EXPECT_EQ(format_text("%s|%%|%d", "50%d", 7), "50%d|%|7");
  EXPECT_EQ(format_text("%lld %d^%c", 5000000000LL, 3, 'b'), "5000000000 3^b");
  EXPECT_EQ(format_text("%s", std::string(5000, 'x').c_str()), std::string(5000, 'x'));
}

TEST(TextFormat, NamedNumberFormats) {
  EXPECT_EQ(ratio_number_text(7.0), "7");
  EXPECT_EQ(ratio_number_text(266.8709056037), "266.870905604");
  EXPECT_EQ(cents_text(5, 21.50628959671485), "21.506");
}

// Every format of number_formats.h meant for format_text, with the argument types its
// call sites pass: none may be refused. (The snprintf formats are the compiler's to check.)
TEST(TextFormat, EveryNumberFormatIsImplemented) {
  EXPECT_EQ(format_text(kRatioNumberFormat, 1e-300), "1e-300");
  EXPECT_EQ(format_text(kCentsFormat, 5, 2.2737367544323206e-13), "2.2737e-013");
  EXPECT_EQ(format_text(kRangeMaxQuotientFormat, 1e6), "1000000");
  EXPECT_EQ(format_text(kSuccessiveMaxQuotientFormat, 1e6), "1e+006");
  EXPECT_EQ(format_text(kEndSecondsFormat, 4.0004), "4.0004");
  EXPECT_EQ(format_text(kProgressCountFormat, 93.332923298), "93.3");
  EXPECT_EQ(format_text(kProgressTimeFormat, 4.25), "4.2");
  EXPECT_EQ(format_text(kProgressShareFormat, 0.0123456), "0.0123");
  EXPECT_EQ(format_text(kProgressCentsFormat, 0.0123456), "0.01235");
}

// What the formatter does not implement throws before anything is written, naming the
// conversion: no flags, widths or other conversions, no precision on integers or text,
// no length modifier but %lld's, and no lone '%' at the end. The formats come from a
// string, so the compiler's own check does not stop them first.
TEST(TextFormat, UnimplementedConversionsAreRefused) {
  for (const char *refused : {"[%x|%d]", "%5d", "%05d", "%-d", "%+d",    "% d", "%f", "%e", "%.3d",  "%.3s", "%ld",
                              "%lg",     "%Lg", "%llg", "%hd", "%lllld", "%n",  "%p", "%u", "%.*5g", "cut %"}) {
    std::string format = refused;
    EXPECT_THROW(format_text(format.c_str(), 255, 7), std::invalid_argument) << refused;
  }
  try {
    std::string format = "tested: %lld, found: %x";
    format_text(format.c_str(), 5LL, 7);
    ADD_FAILURE() << "not refused";
  } catch (const std::invalid_argument &refusal) {
    EXPECT_NE(std::string(refusal.what()).find("\"%x\" in \"tested: %lld, found: %x\""), std::string::npos)
        << refusal.what();
  }
}

}  // namespace
