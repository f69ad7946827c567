// The monzo line of range mode, the signed exponents between "[" and ">" grouped by
// commas after the 2nd, 5th, 8th ... entry, and the exact ratio it closes with.
#include <charconv>
#include <cstdint>
#include <string>

#include "present/approximant_text.h"
#include "present/decimal_big.h"

namespace {

// The first group holds two exponents, every later group three.
bool ends_group(int index) { return (index + 2) % 3 == 0; }

}  // namespace

namespace {

// The product of the factors raised to the exponents of one sign, as magnitudes, when it
// fits in 64 bits: false when it does not.
bool side_value(const int *factors, const int *exponents, int count, int sign, uint64_t &product) {
  product = 1;
  for (int i = 0; i < count; ++i) {
    if (factors[i] == 1) continue;  // its powers are all 1, however many
    int64_t magnitude = static_cast<int64_t>(exponents[i]) * sign;
    for (int64_t k = 0; k < magnitude; ++k) {
      if (__builtin_mul_overflow(product, static_cast<uint64_t>(static_cast<uint32_t>(factors[i])), &product)) {
        return false;
      }
    }
  }
  return true;
}

void assign_decimal(std::string &text, uint64_t value) {
  char digits[20];  // UINT64_MAX has 20
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  text.assign(digits, static_cast<size_t>(result.ptr - digits));
}

}  // namespace

void exact_ratio_into(const int *factors, const int *exponents, int count, ExactRatio &ratio) {
  uint64_t numerator = 0;
  uint64_t denominator = 0;
  if (side_value(factors, exponents, count, 1, numerator) && side_value(factors, exponents, count, -1, denominator)) {
    assign_decimal(ratio.numerator, numerator);
    assign_decimal(ratio.denominator, denominator);
    return;
  }
  DecimalBig numerator_big;
  DecimalBig denominator_big;
  for (int i = 0; i < count; ++i) {
    auto factor = static_cast<uint32_t>(factors[i]);
    if (exponents[i] > 0) decimal_big_power(numerator_big, factor, exponents[i]);
    if (exponents[i] < 0) decimal_big_power(denominator_big, factor, -exponents[i]);
  }
  ratio.numerator = decimal_big_to_text(numerator_big);
  ratio.denominator = decimal_big_to_text(denominator_big);
}

ExactRatio exact_ratio(const int *factors, const int *exponents, int count) {
  ExactRatio ratio;
  exact_ratio_into(factors, exponents, count, ratio);
  return ratio;
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
