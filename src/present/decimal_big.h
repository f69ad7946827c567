// Exact non-negative integers of up to 40000 decimal digits in base-10000 limbs, with
// just what an exact numerator or denominator needs: set, multiply by an int, power, text.
#pragma once

#include <cstdint>
#include <string>

constexpr int kDecimalBigBase = 10000;  // one limb holds four decimal digits
constexpr int kDecimalBigLimbs = 10000;

// Least significant limb first. Limbs at and above length hold no meaning. Past the
// capacity the carry out of the top limb is dropped.
struct DecimalBig {
  int length;
  int16_t limbs[kDecimalBigLimbs];
};

void decimal_big_set(DecimalBig &number, int value);
// Multiplies in place by any multiplier from 1 to INT_MAX, exactly.
void decimal_big_multiply(DecimalBig &number, int multiplier);
// Multiplies by multiplier count times; a count of 0 or less changes nothing.
void decimal_big_power(DecimalBig &number, int multiplier, int count);
// The decimal numeral: the top limb plain, every lower limb as four digits.
std::string decimal_big_to_text(const DecimalBig &number);
