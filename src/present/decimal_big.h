// Exact non-negative integers of any size, in base-10^9 limbs that grow as they need, with
// just what an exact numerator or denominator needs: set, multiply by an int, power, text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t kDecimalBigBase = 1000000000;  // one limb holds nine decimal digits
constexpr int kDecimalBigLimbDigits = 9;

// Least significant limb first, at least one, the top one non-zero unless the number is 0.
// Nothing is ever dropped: a product too big for memory throws std::bad_alloc.
struct DecimalBig {
  std::vector<uint32_t> limbs{1};
};

void decimal_big_set(DecimalBig &number, uint32_t value);
// Multiplies in place by any multiplier from 0 to UINT32_MAX, exactly.
void decimal_big_multiply(DecimalBig &number, uint32_t multiplier);
// Multiplies by multiplier count times; a count of 0 or less changes nothing.
void decimal_big_power(DecimalBig &number, uint32_t multiplier, int count);
// The decimal numeral: the top limb plain, every lower limb as nine digits.
std::string decimal_big_to_text(const DecimalBig &number);
