// Exact non-negative integers of up to 40000 decimal digits, in base-10000 limbs, with
// just what the monzo line needs: set, multiply by a small integer, power, and text.
#include "present/decimal_big.h"

#include <cstdio>

#include "present/number_formats.h"

void decimal_big_set(DecimalBig &number, int value) {
  number.length = 1;
  number.limbs[0] = static_cast<int16_t>(value);
}

// Schoolbook multiplication by one int, least significant limb first. In 64 bits a limb
// times the multiplier plus the carry stays below 9999 * 2^31 + 2^31, so nothing
// overflows; the carry left at the top may need up to three new limbs.
void decimal_big_multiply(DecimalBig &number, int multiplier) {
  int64_t carry = 0;
  for (int k = 0; k < number.length; ++k) {
    int64_t t = number.limbs[k] * static_cast<int64_t>(multiplier) + carry;
    number.limbs[k] = static_cast<int16_t>(t % kDecimalBigBase);
    carry = t / kDecimalBigBase;
  }
  while (carry != 0 && number.length < kDecimalBigLimbs) {
    number.limbs[number.length++] = static_cast<int16_t>(carry % kDecimalBigBase);
    carry /= kDecimalBigBase;
  }
  // A zero product would otherwise leave zero limbs on top and a numeral with leading zeros.
  while (number.length > 1 && number.limbs[number.length - 1] == 0) --number.length;
}

void decimal_big_power(DecimalBig &number, int multiplier, int count) {
  for (int i = 0; i < count; ++i) decimal_big_multiply(number, multiplier);
}

std::string decimal_big_to_text(const DecimalBig &number) {
  int top = number.length - 1;
  std::string text;
  text.reserve(4 * static_cast<size_t>(number.length));
  char limb[8];
  std::snprintf(limb, sizeof limb, kLeadingLimbFormat, number.limbs[top]);
  text += limb;
  for (int k = top - 1; k >= 0; --k) {
    std::snprintf(limb, sizeof limb, kInnerLimbFormat, number.limbs[k]);
    text += limb;
  }
  return text;
}
