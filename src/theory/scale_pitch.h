// A pitch of a scale as exact as it was given: a ratio of integers when it is one, else
// only its size in cents; and the arithmetic on ratio terms the scale code shares
// (reduction, checked products, prime factors over a basis).
#pragma once

#include <cstdint>
#include <vector>

struct ScalePitch {
  bool is_ratio = false;     // numerator / denominator is the pitch exactly
  uint64_t numerator = 1;    // reduced, when is_ratio
  uint64_t denominator = 1;  // reduced, when is_ratio
  double cents = 0.0;        // its size, always set
};

// The pitch n/d (reduced here); both terms at least 1.
ScalePitch ratio_pitch(uint64_t numerator, uint64_t denominator);
// The pitch of this many cents, with no exact ratio.
ScalePitch cents_pitch(double cents);

uint64_t greatest_common_divisor(uint64_t a, uint64_t b);
// a * b, or false when the product leaves 64 bits.
bool checked_product(uint64_t a, uint64_t b, uint64_t &product);
// Compares a * b with c * d exactly (-1, 0, 1), whatever their size.
int compare_products(uint64_t a, uint64_t b, uint64_t c, uint64_t d);

// Whether n/d (reduced) is a product of integer powers of the basis elements.
bool ratio_in_basis(uint64_t numerator, uint64_t denominator, const std::vector<int> &basis);
// The largest prime dividing n or d (1 for 1/1); the primes are those of the basis.
int prime_limit_in_basis(uint64_t numerator, uint64_t denominator, const std::vector<int> &basis);
