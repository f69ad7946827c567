// Exact arithmetic on the terms of scale pitches: reduction, products checked or compared
// beyond 64 bits, and whether a ratio lies in the group a basis generates.
#include "theory/scale_pitch.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr uint64_t kLowHalfMask = 0xFFFFFFFFu;
constexpr int kHalfBits = 32;

// The distinct primes dividing the basis elements, increasing.
std::vector<uint64_t> basis_primes(const std::vector<int> &basis) {
  std::vector<uint64_t> primes;
  for (int element : basis) {
    auto rest = static_cast<uint64_t>(element);
    for (uint64_t p = 2; p * p <= rest; ++p) {
      if (rest % p != 0) continue;
      while (rest % p == 0) rest /= p;
      primes.push_back(p);
    }
    if (rest > 1) primes.push_back(rest);
  }
  std::vector<uint64_t> distinct;
  for (uint64_t p : primes) {
    bool seen = false;
    for (uint64_t q : distinct) seen = seen || q == p;
    if (!seen) distinct.push_back(p);
  }
  for (size_t i = 1; i < distinct.size(); ++i) {
    for (size_t j = i; j > 0 && distinct[j - 1] > distinct[j]; --j) std::swap(distinct[j - 1], distinct[j]);
  }
  return distinct;
}

// Divides every prime of the list out of value, adding sign times its multiplicity to
// the exponents; what is left has no prime of the list.
uint64_t divide_out(uint64_t value, const std::vector<uint64_t> &primes, int sign, std::vector<int64_t> &exponents) {
  for (size_t i = 0; i < primes.size(); ++i) {
    while (value % primes[i] == 0) {
      value /= primes[i];
      exponents[i] += sign;
    }
  }
  return value;
}

// Integer row echelon form by Euclid's steps between rows, so that the rows still span
// the same lattice: for each column the row with the smallest non-zero entry reduces the
// others until it alone is non-zero there. Returns the pivot columns, one per row kept.
std::vector<size_t> echelon_form(std::vector<std::vector<int64_t>> &rows) {
  std::vector<size_t> pivots;
  size_t top = 0;
  size_t columns = rows.empty() ? 0 : rows[0].size();
  for (size_t col = 0; col < columns && top < rows.size(); ++col) {
    while (true) {
      size_t smallest = rows.size();
      for (size_t r = top; r < rows.size(); ++r) {
        if (rows[r][col] != 0 &&
            (smallest == rows.size() || std::llabs(rows[r][col]) < std::llabs(rows[smallest][col]))) {
          smallest = r;
        }
      }
      if (smallest == rows.size()) break;
      std::swap(rows[top], rows[smallest]);
      bool reduced = true;
      for (size_t r = top + 1; r < rows.size(); ++r) {
        int64_t quotient = rows[r][col] / rows[top][col];
        for (size_t c = col; c < columns; ++c) rows[r][c] -= quotient * rows[top][c];
        reduced = reduced && rows[r][col] == 0;
      }
      if (reduced) {
        pivots.push_back(col);
        ++top;
        break;
      }
    }
  }
  rows.resize(top);
  return pivots;
}

}  // namespace

uint64_t greatest_common_divisor(uint64_t a, uint64_t b) {
  while (b != 0) {
    uint64_t rest = a % b;
    a = b;
    b = rest;
  }
  return a;
}

ScalePitch ratio_pitch(uint64_t numerator, uint64_t denominator) {
  uint64_t divisor = greatest_common_divisor(numerator, denominator);
  ScalePitch pitch;
  pitch.is_ratio = true;
  pitch.numerator = numerator / divisor;
  pitch.denominator = denominator / divisor;
  pitch.cents = (std::log(static_cast<double>(pitch.numerator)) - std::log(static_cast<double>(pitch.denominator))) *
                1200.0 / std::log(2.0);
  return pitch;
}

ScalePitch cents_pitch(double cents) {
  ScalePitch pitch;
  pitch.cents = cents;
  return pitch;
}

bool checked_product(uint64_t a, uint64_t b, uint64_t &product) {
  if (a != 0 && b > UINT64_MAX / a) return false;
  product = a * b;
  return true;
}

int compare_products(uint64_t a, uint64_t b, uint64_t c, uint64_t d) {
  // Each product as a high and a low 64-bit word, from 32-bit halves.
  auto wide = [](uint64_t x, uint64_t y, uint64_t &high, uint64_t &low) {
    uint64_t x0 = x & kLowHalfMask;
    uint64_t x1 = x >> kHalfBits;
    uint64_t y0 = y & kLowHalfMask;
    uint64_t y1 = y >> kHalfBits;
    uint64_t p00 = x0 * y0;
    uint64_t p01 = x0 * y1;
    uint64_t p10 = x1 * y0;
    uint64_t middle = (p00 >> kHalfBits) + (p01 & kLowHalfMask) + (p10 & kLowHalfMask);
    low = (p00 & kLowHalfMask) | (middle << kHalfBits);
    high = x1 * y1 + (p01 >> kHalfBits) + (p10 >> kHalfBits) + (middle >> kHalfBits);
  };
  uint64_t high1 = 0;
  uint64_t low1 = 0;
  uint64_t high2 = 0;
  uint64_t low2 = 0;
  wide(a, b, high1, low1);
  wide(c, d, high2, low2);
  if (high1 != high2) return high1 < high2 ? -1 : 1;
  if (low1 != low2) return low1 < low2 ? -1 : 1;
  return 0;
}

bool ratio_in_basis(uint64_t numerator, uint64_t denominator, const std::vector<int> &basis) {
  std::vector<uint64_t> primes = basis_primes(basis);
  std::vector<int64_t> target(primes.size(), 0);
  if (divide_out(numerator, primes, 1, target) != 1 || divide_out(denominator, primes, -1, target) != 1) return false;
  std::vector<std::vector<int64_t>> rows;
  for (int element : basis) {
    rows.emplace_back(primes.size(), 0);
    divide_out(static_cast<uint64_t>(element), primes, 1, rows.back());
  }
  std::vector<size_t> pivots = echelon_form(rows);
  for (size_t r = 0; r < rows.size(); ++r) {
    int64_t pivot = rows[r][pivots[r]];
    if (target[pivots[r]] % pivot != 0) return false;
    int64_t times = target[pivots[r]] / pivot;
    for (size_t c = 0; c < target.size(); ++c) target[c] -= times * rows[r][c];
  }
  for (int64_t exponent : target) {
    if (exponent != 0) return false;
  }
  return true;
}

int prime_limit_in_basis(uint64_t numerator, uint64_t denominator, const std::vector<int> &basis) {
  int limit = 1;
  for (uint64_t p : basis_primes(basis)) {
    if (numerator % p == 0 || denominator % p == 0) limit = static_cast<int>(p);
  }
  return limit;
}
