// The measures of an approximant's interval, from the prime factorisation of its factors:
// exponents over the primes add up, and everything else follows from those exponents.
#include "present/interval_measures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "present/decimal_big.h"
#include "present/primes.h"

namespace {

int prime_index(const std::vector<int> &primes, int prime) {
  for (size_t i = 0; i < primes.size(); ++i) {
    if (primes[i] == prime) return static_cast<int>(i);
  }
  return -1;
}

// The exponent of each of the factors' primes in the approximant.
std::vector<int64_t> prime_exponents(const FactorPrimes &factor_primes, const int *exponents) {
  std::vector<int64_t> sums(factor_primes.primes.size(), 0);
  for (size_t i = 0; i < factor_primes.powers.size(); ++i) {
    for (const auto &power : factor_primes.powers[i]) {
      sums[static_cast<size_t>(power.first)] += static_cast<int64_t>(exponents[i]) * power.second;
    }
  }
  return sums;
}

// The product of the primes raised to the exponents of one sign, first its odd part
// alone, then the whole.
struct SideTexts {
  std::string odd_part;
  std::string whole;
};
SideTexts side_texts(const std::vector<int> &primes, const std::vector<int64_t> &sums, int sign) {
  DecimalBig number;
  int64_t twos = 0;
  for (size_t i = 0; i < primes.size(); ++i) {
    int64_t magnitude = sums[i] * sign;
    if (magnitude <= 0) continue;
    if (primes[i] == 2) {
      twos = magnitude;
    } else {
      decimal_big_power(number, static_cast<uint32_t>(primes[i]), static_cast<int>(magnitude));
    }
  }
  SideTexts texts;
  texts.odd_part = decimal_big_to_text(number);
  decimal_big_power(number, 2, static_cast<int>(twos));
  texts.whole = decimal_big_to_text(number);
  return texts;
}

bool numeral_less(const std::string &a, const std::string &b) {
  return a.size() != b.size() ? a.size() < b.size() : a < b;
}

// The N from 1 to 99 whose patent val maps the exponents of the basis to 0 steps, where
// vals[i][N - 1] is the val's entry for the basis element i. The steps of all N are summed
// one element at a time.
template <typename Exponent>
std::vector<int> tempering_divisions(const std::vector<std::vector<int64_t>> &vals, const Exponent *exponents) {
  std::array<int64_t, kMaxTemperingDivisions> steps{};
  for (size_t i = 0; i < vals.size(); ++i) {
    const int64_t *val = vals[i].data();
    for (size_t n = 0; n < steps.size(); ++n) steps[n] += static_cast<int64_t>(exponents[i]) * val[n];
  }
  std::vector<int> divisions;
  for (size_t n = 0; n < steps.size(); ++n) {
    if (steps[n] == 0) divisions.push_back(static_cast<int>(n + 1));
  }
  return divisions;
}

// round(N log2 element) for N from 1 to kMaxTemperingDivisions.
std::vector<int64_t> patent_val_entries(int element) {
  std::vector<int64_t> entries;
  for (int n = 1; n <= kMaxTemperingDivisions; ++n) {
    entries.push_back(std::llround(n * std::log2(static_cast<double>(element))));
  }
  return entries;
}

}  // namespace

FactorPrimes factorise_factors(const std::vector<int> &factors) {
  FactorPrimes result;
  std::vector<std::vector<std::pair<int64_t, int>>> by_prime;
  by_prime.reserve(factors.size());
  for (int factor : factors) by_prime.push_back(prime_powers_of(factor));
  for (const auto &powers : by_prime) {
    for (const auto &power : powers) {
      if (prime_index(result.primes, static_cast<int>(power.first)) < 0) {
        result.primes.push_back(static_cast<int>(power.first));
      }
    }
  }
  std::sort(result.primes.begin(), result.primes.end());
  for (const auto &powers : by_prime) {
    std::vector<std::pair<int, int>> indexed;
    indexed.reserve(powers.size());
    for (const auto &power : powers) {
      indexed.emplace_back(prime_index(result.primes, static_cast<int>(power.first)), power.second);
    }
    result.powers.push_back(indexed);
  }
  for (int prime : result.primes) result.patent_vals.push_back(patent_val_entries(prime));
  for (int factor : factors) result.factor_vals.push_back(patent_val_entries(factor));
  return result;
}

IntervalMeasures measure_interval(const FactorPrimes &factor_primes, const int *exponents, bool unison_target,
                                  bool factor_vals) {
  const std::vector<int> &primes = factor_primes.primes;
  std::vector<int64_t> sums = prime_exponents(factor_primes, exponents);
  IntervalMeasures measures;
  SideTexts numerator = side_texts(primes, sums, 1);
  SideTexts denominator = side_texts(primes, sums, -1);
  measures.ratio = numerator.whole + "/" + denominator.whole;
  measures.odd_limit =
      numeral_less(numerator.odd_part, denominator.odd_part) ? denominator.odd_part : numerator.odd_part;
  for (size_t i = 0; i < primes.size(); ++i) {
    if (sums[i] == 0) continue;
    measures.prime_limit = primes[i];
    measures.tenney_height += static_cast<double>(std::llabs(sums[i])) * std::log2(static_cast<double>(primes[i]));
  }
  measures.has_prime_monzo = measures.prime_limit <= kMaxListedPrime;
  if (measures.has_prime_monzo) {
    size_t i = 0;  // the factors' primes, in the same increasing order
    for (int prime : primes_up_to(measures.prime_limit)) {
      bool factor_prime = i < primes.size() && primes[i] == prime;
      measures.prime_monzo.push_back(factor_prime ? sums[i++] : 0);
    }
  }
  measures.has_tempered_out_by = unison_target;
  if (unison_target) measures.tempered_out_by = tempering_divisions(factor_primes.patent_vals, sums.data());
  if (unison_target && factor_vals) {
    measures.tempered_out_by_factor_vals = tempering_divisions(factor_primes.factor_vals, exponents);
  }
  return measures;
}
