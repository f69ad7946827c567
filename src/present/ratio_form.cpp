// The ratio formula of successive mode: positive exponents over negative ones, each
// term the bare factor or factor^magnitude, the denominator in parentheses when it has
// two or more terms (3^4/(2^4*5), 3^2/2^3, 2/1, 1/3).
#include "driver/driver.h"
#include "present/present.h"
#include "search/search.h"

namespace {

// Writes the terms of one side (denominator or numerator); returns how many it wrote.
int print_side(const int *factors, const int *exponents, int count, bool denominator) {
  int written = 0;
  for (int i = 0; i < count; ++i) {
    int magnitude = exponent_magnitude(exponents[i]);
    if (is_denominator_slot(exponents[i]) != denominator || magnitude < 1) continue;
    if (written > 0) tee_printf(kTermJoin);
    if (magnitude == 1) {
      tee_printf(kTermFormat, factors[i]);
    } else {
      tee_printf(kPowerTermFormat, factors[i], magnitude);
    }
    ++written;
  }
  return written;
}

}  // namespace

void print_ratio_form(const int *factors, const int *exponents, int count) {
  int denominator_count = 0;
  for (int i = 0; i < count; ++i) denominator_count += is_denominator_slot(exponents[i]) ? 1 : 0;
  if (print_side(factors, exponents, count, false) == 0) tee_printf(kEmptySide);
  tee_printf(kRatioSlash);
  if (denominator_count == 0) {
    tee_printf(kEmptySide);
    return;
  }
  if (denominator_count >= 2) tee_printf(kGroupOpen);
  print_side(factors, exponents, count, true);
  if (denominator_count >= 2) tee_printf(kGroupClose);
}
