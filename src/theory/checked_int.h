// Exact integer arithmetic for the temperament lattice: 64-bit operations that raise a
// named error on overflow instead of wrapping, so a mapping is either right or refused.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

using IntVector = std::vector<int64_t>;
using IntMatrix = std::vector<IntVector>;  // a list of rows

// The exact arithmetic ran past 64 bits.
struct LatticeOverflow : std::overflow_error {
  LatticeOverflow() : std::overflow_error("the exact integer arithmetic overflowed 64 bits") {}
};

inline int64_t checked_add(int64_t a, int64_t b) {
  int64_t sum = 0;
  if (__builtin_add_overflow(a, b, &sum)) throw LatticeOverflow();
  return sum;
}

inline int64_t checked_sub(int64_t a, int64_t b) {
  int64_t difference = 0;
  if (__builtin_sub_overflow(a, b, &difference)) throw LatticeOverflow();
  return difference;
}

inline int64_t checked_mul(int64_t a, int64_t b) {
  int64_t product = 0;
  if (__builtin_mul_overflow(a, b, &product)) throw LatticeOverflow();
  return product;
}

inline int64_t checked_neg(int64_t a) { return checked_sub(0, a); }

// a * x + b * y, exactly.
inline int64_t checked_combine(int64_t a, int64_t x, int64_t b, int64_t y) {
  return checked_add(checked_mul(a, x), checked_mul(b, y));
}
