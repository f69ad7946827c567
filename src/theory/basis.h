// The basis of a temperament: the elements of a prime limit or of a subgroup (2.9.5),
// each written over the primes that divide them, and intervals written in its coordinates.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "theory/checked_int.h"

constexpr int kMaxBasisElements = 30;

struct Basis {
  std::vector<int64_t> elements;   // in the order given: 2 3 5, or 2 9 5
  std::vector<int64_t> primes;     // every prime dividing an element, increasing
  IntMatrix element_monzos;        // per element, its exponents of those primes
  std::vector<double> log2_sizes;  // log2 of each element
};

// A prime's exponent in an interval: (prime, exponent).
using PrimeExponents = std::vector<std::pair<int64_t, int64_t>>;

// Makes the basis of these elements; throws TemperamentError for more than 30 elements,
// an element below 2 or elements that are not independent (2.4.3).
Basis make_basis(const std::vector<int64_t> &elements);

// The primes up to limit, as a basis.
std::vector<int64_t> prime_limit_elements(int64_t limit);

// The interval's coordinates in the basis; false when it lies outside the basis lattice.
bool basis_coordinates(const Basis &basis, const PrimeExponents &interval, IntVector &coordinates);

// The interval's exponents of the basis's primes (the prime monzo of coordinates).
IntVector prime_monzo_of(const Basis &basis, const IntVector &coordinates);

// "2.3.5" or "2.9.5".
std::string basis_text(const Basis &basis);

// Divides the decimal numeral digits by each of primes as often as it goes, adding sign
// times each exponent to exponents. Returns what is left as a numeral ("1" when the
// primes take it all).
std::string divide_out_primes(const std::string &digits, const std::vector<int64_t> &primes, int64_t sign,
                              PrimeExponents &exponents);
