// The ratio formula: positive exponents over negative ones, each term the bare factor
// or factor^magnitude, the denominator in parentheses when it has two or more terms
// (3^4/(2^4*5), 3^2/2^3, 2/1, 1/3).
#include "present/approximant_text.h"

namespace {

// Writes the terms of one side (the denominator's or the numerator's).
void append_side(std::string &out, const int *factors, const int *exponents, int count, bool denominator) {
  int written = 0;
  for (int i = 0; i < count; ++i) {
    int magnitude = exponents[i] < 0 ? -exponents[i] : exponents[i];
    if ((exponents[i] < 0) != denominator || magnitude < 1) continue;
    if (written > 0) out += "*";
    out += magnitude == 1 ? std::to_string(factors[i]) : std::to_string(factors[i]) + "^" + std::to_string(magnitude);
    ++written;
  }
  if (written == 0) out += "1";
}

}  // namespace

std::string ratio_formula(const int *factors, const int *exponents, int count) {
  int denominator_count = 0;
  for (int i = 0; i < count; ++i) denominator_count += exponents[i] < 0 ? 1 : 0;
  std::string out;
  append_side(out, factors, exponents, count, false);
  out += "/";
  if (denominator_count >= 2) out += "(";
  append_side(out, factors, exponents, count, true);
  if (denominator_count >= 2) out += ")";
  return out;
}
