// The monzo line of range mode: the signed exponents between "[" and ">", grouped by
// commas after the 2nd, 5th, 8th ... entry, then the exact numerator and denominator.
#include "driver/driver.h"
#include "present/present.h"
#include "search/search.h"

void print_monzo(const int *factors, const int *exponents, int count) {
  DecimalBig numerator;
  DecimalBig denominator;
  decimal_big_set(numerator, 1);
  decimal_big_set(denominator, 1);
  tee_printf(kMonzoOpen);
  for (int i = 0; i < count; ++i) {
    if (i > 0) tee_printf(kMonzoEntrySeparator);
    int exponent = decode_exponent(exponents[i]);
    tee_printf(kMonzoExponentFormat, exponent);
    if (exponent > 0) decimal_big_power(numerator, factors[i], exponent);
    if (exponent < 0) decimal_big_power(denominator, factors[i], -exponent);
    if ((i + 2) % 3 == 0) tee_printf(kMonzoGroupMark);
  }
  char numerator_text[kDecimalBigTextSize];
  char denominator_text[kDecimalBigTextSize];
  decimal_big_to_text(denominator, denominator_text);
  decimal_big_to_text(numerator, numerator_text);
  tee_printf(kMonzoCloseFormat, numerator_text, denominator_text);
}
