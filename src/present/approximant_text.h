// One approximant as text, from its factors and signed exponents: the ratio formula
// (3^4/(2^4*5)), the monzo line ([-4 4, -1> = 81 : 80) and its exact numerator and
// denominator as decimal numerals.
#pragma once

#include <string>

// Positive exponents over negative ones, each term the bare factor or factor^magnitude,
// the denominator in parentheses when it has two or more terms.
std::string ratio_formula(const int *factors, const int *exponents, int count);

struct ExactRatio {
  std::string numerator;    // the product of the positive powers
  std::string denominator;  // the product of the negative powers, as magnitudes
};
// Exact for every int factor, not reduced when factors share a divisor.
ExactRatio exact_ratio(const int *factors, const int *exponents, int count);
// The same into a ratio kept from one approximant to the next.
void exact_ratio_into(const int *factors, const int *exponents, int count, ExactRatio &ratio);

// The exponents between "[" and ">", a comma after the 2nd, 5th, 8th ... entry, the last
// one included: [19 -12,> and [15 -8, -1 0 0,>.
std::string monzo_text(const int *exponents, int count);
// The monzo text with " = NUMERATOR : DENOMINATOR" after its ">".
std::string monzo_line(const int *factors, const int *exponents, int count);
