// The monzo line of range mode, the signed exponents between "[" and ">" grouped by
// commas after the 2nd, 5th, 8th ... entry, and the exact ratio it closes with.
#include <string>

#include "present/approximant_text.h"
#include "present/decimal_big.h"

namespace {

// The first group holds two exponents, every later group three.
bool ends_group(int index) { return (index + 2) % 3 == 0; }

}  // namespace

ExactRatio exact_ratio(const int *factors, const int *exponents, int count) {
  DecimalBig numerator;
  DecimalBig denominator;
  for (int i = 0; i < count; ++i) {
    auto factor = static_cast<uint32_t>(factors[i]);
    if (exponents[i] > 0) decimal_big_power(numerator, factor, exponents[i]);
    if (exponents[i] < 0) decimal_big_power(denominator, factor, -exponents[i]);
  }
  return ExactRatio{decimal_big_to_text(numerator), decimal_big_to_text(denominator)};
}

std::string monzo_text(const int *exponents, int count) {
  std::string out = "[";
  for (int i = 0; i < count; ++i) {
    if (i > 0) out += " ";
    out += std::to_string(exponents[i]);
    if (ends_group(i)) out += ",";
  }
  return out + ">";
}

std::string monzo_line(const int *factors, const int *exponents, int count) {
  std::string out = monzo_text(exponents, count);
  out.pop_back();  // the ">" goes before the ratio
  ExactRatio ratio = exact_ratio(factors, exponents, count);
  out += "> = " + ratio.numerator + " : " + ratio.denominator;
  return out;
}
