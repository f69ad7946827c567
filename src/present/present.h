// Presentation of accepted approximants: the ratio formula of successive mode
// (3^4/(2^4*5)), the monzo line of range mode ([-4 4, -1> = 81 : 80) and the exact
// decimal big integer that gives the monzo line its numerator and denominator.
#pragma once

#include <cstdint>

// ---- Decimal big integer -------------------------------------------------------------
constexpr int kDecimalBigBase = 10000;  // one limb holds four decimal digits
constexpr int kDecimalBigLimbs = 10000;
constexpr int kDecimalBigDigits = 4 * kDecimalBigLimbs;
constexpr int kDecimalBigTextSize = kDecimalBigDigits + 1;
constexpr const char *kLeadingLimbFormat = "%d";
constexpr const char *kInnerLimbFormat = "%04d";

// A non-negative integer in base 10000, least significant limb first. Limbs at and above
// length hold no meaning. Past the capacity the carry out of the top limb is dropped.
struct DecimalBig {
  int length;
  int16_t limbs[kDecimalBigLimbs];
};

void decimal_big_set(DecimalBig &number, int value);
// Multiplies in place by any multiplier from 1 to INT_MAX, exactly.
void decimal_big_multiply(DecimalBig &number, int multiplier);
// Multiplies by multiplier count times; a count of 0 or less changes nothing.
void decimal_big_power(DecimalBig &number, int multiplier, int count);
// Writes the decimal numeral and its terminator at the start of text (kDecimalBigTextSize
// chars) and returns text.
char *decimal_big_to_text(const DecimalBig &number, char *text);

// ---- Printers ------------------------------------------------------------------------
constexpr const char *kTermFormat = "%d";
constexpr const char *kPowerTermFormat = "%d^%d";
constexpr const char *kTermJoin = "*";
constexpr const char *kEmptySide = "1";
constexpr const char *kRatioSlash = "/";
constexpr const char *kGroupOpen = "(";
constexpr const char *kGroupClose = ")";
constexpr const char *kMonzoOpen = "[";
constexpr const char *kMonzoEntrySeparator = " ";
constexpr const char *kMonzoExponentFormat = "%d";
constexpr const char *kMonzoGroupMark = ",";
constexpr const char *kMonzoCloseFormat = "> = %s : %s";

// Writes the approximant given by the folded exponents as a ratio formula, such as
// 3^4/(2^4*5), with no blank or newline around it.
void print_ratio_form(const int *factors, const int *exponents, int count);

// Writes the approximant as its monzo and exact ratio, such as [-4 4, -1> = 81 : 80,
// with no newline.
void print_monzo(const int *factors, const int *exponents, int count);
