// The measures of an approximant's interval, from the prime factorisation of its factors:
// exponents over the primes add up, and everything else follows from those exponents.
#include "present/interval_measures.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
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
void sum_prime_exponents(const FactorPrimes &factor_primes, const int *exponents, std::vector<int64_t> &sums) {
  sums.assign(factor_primes.primes.size(), 0);
  for (size_t i = 0; i < factor_primes.powers.size(); ++i) {
    for (const auto &power : factor_primes.powers[i]) {
      sums[static_cast<size_t>(power.first)] += static_cast<int64_t>(exponents[i]) * power.second;
    }
  }
}

// The product of the primes raised to the exponents of one sign, first its odd part
// alone, then the whole, when both fit in 64 bits (nearly every record's do): false when
// they do not.
bool side_values(const std::vector<int> &primes, const std::vector<int64_t> &sums, int sign, uint64_t &odd_part,
                 uint64_t &whole) {
  odd_part = 1;
  int64_t twos = 0;
  for (size_t i = 0; i < primes.size(); ++i) {
    int64_t magnitude = sums[i] * sign;
    if (magnitude <= 0) continue;
    if (primes[i] == 2) {
      twos = magnitude;
      continue;
    }
    for (int64_t k = 0; k < magnitude; ++k) {
      if (__builtin_mul_overflow(odd_part, static_cast<uint64_t>(primes[i]), &odd_part)) return false;
    }
  }
  if (twos >= 64 || (twos > 0 && (odd_part >> (64 - twos)) != 0)) return false;
  whole = odd_part << twos;
  return true;
}

void append_decimal(std::string &out, uint64_t value) {
  char digits[20];  // UINT64_MAX has 20
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, static_cast<size_t>(result.ptr - digits));
}

// The same as exact numerals of any size.
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

// The steps of all N from 1 to 99, summed one element at a time in Steps, a type no sum can overflow:
// the narrower it is, the more N the compiler works on at once.
template <typename Steps, typename Exponent>
void sum_tempering_steps(const std::vector<std::vector<int16_t>> &vals, const Exponent *exponents,
                         std::array<Steps, kMaxTemperingDivisions> &steps) {
  for (size_t i = 0; i < vals.size(); ++i) {
    if (exponents[i] == 0) continue;
    const auto exponent = static_cast<Steps>(exponents[i]);
    const int16_t *val = vals[i].data();
    for (size_t n = 0; n < steps.size(); ++n) steps[n] = static_cast<Steps>(steps[n] + exponent * val[n]);
  }
}

template <typename Steps, typename Exponent>
void list_zero_steps(const std::vector<std::vector<int16_t>> &vals, const Exponent *exponents,
                     std::vector<int> &divisions) {
  std::array<Steps, kMaxTemperingDivisions> steps{};
  sum_tempering_steps(vals, exponents, steps);
  divisions.clear();
  for (size_t n = 0; n < steps.size(); ++n) {
    if (steps[n] == 0) divisions.push_back(static_cast<int>(n + 1));
  }
}

// The N from 1 to 99 whose patent val maps the exponents of the basis to 0 steps, where
// vals[i][N - 1] is the val's entry for the basis element i, none above largest_entry.
template <typename Exponent>
void tempering_divisions(const std::vector<std::vector<int16_t>> &vals, int64_t largest_entry,
                         const Exponent *exponents, std::vector<int> &divisions) {
  // No partial sum is above largest_entry times the sum of the magnitudes.
  const int64_t fits_int32 = INT32_MAX / std::max<int64_t>(largest_entry, 1);
  int64_t magnitudes = 0;
  for (size_t i = 0; i < vals.size() && magnitudes <= fits_int32; ++i) magnitudes += std::llabs(exponents[i]);
  if (magnitudes <= INT16_MAX / std::max<int64_t>(largest_entry, 1)) {
    list_zero_steps<int16_t>(vals, exponents, divisions);
  } else if (magnitudes <= fits_int32) {
    list_zero_steps<int32_t>(vals, exponents, divisions);
  } else {
    list_zero_steps<int64_t>(vals, exponents, divisions);
  }
}

// The reduced ratio "n/d" and the odd limit, in 64 bits when they fit.
void write_ratio_and_odd_limit(const std::vector<int> &primes, const std::vector<int64_t> &sums,
                               IntervalMeasures &measures) {
  measures.ratio.clear();
  measures.odd_limit.clear();
  uint64_t numerator_odd = 0;
  uint64_t numerator = 0;
  uint64_t denominator_odd = 0;
  uint64_t denominator = 0;
  if (side_values(primes, sums, 1, numerator_odd, numerator) &&
      side_values(primes, sums, -1, denominator_odd, denominator)) {
    append_decimal(measures.ratio, numerator);
    measures.ratio += '/';
    append_decimal(measures.ratio, denominator);
    append_decimal(measures.odd_limit, std::max(numerator_odd, denominator_odd));
    return;
  }
  SideTexts numerator_texts = side_texts(primes, sums, 1);
  SideTexts denominator_texts = side_texts(primes, sums, -1);
  measures.ratio = numerator_texts.whole + "/" + denominator_texts.whole;
  measures.odd_limit = numeral_less(numerator_texts.odd_part, denominator_texts.odd_part) ? denominator_texts.odd_part
                                                                                          : numerator_texts.odd_part;
}

// round(N log2 element) for N from 1 to kMaxTemperingDivisions.
std::vector<int16_t> patent_val_entries(int element) {
  std::vector<int16_t> entries;
  for (int n = 1; n <= kMaxTemperingDivisions; ++n) {
    entries.push_back(static_cast<int16_t>(std::llround(n * std::log2(static_cast<double>(element)))));
  }
  return entries;
}

int64_t largest_entry(const std::vector<std::vector<int16_t>> &vals) {
  int64_t largest = 0;
  for (const std::vector<int16_t> &entries : vals) {
    for (int16_t entry : entries) largest = std::max<int64_t>(largest, std::llabs(entry));
  }
  return largest;
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
  result.largest_val_entry = std::max(largest_entry(result.patent_vals), largest_entry(result.factor_vals));
  const std::vector<int> listed = primes_up_to(kMaxListedPrime);
  for (int prime : result.primes) {
    result.log2_primes.push_back(std::log2(static_cast<double>(prime)));
    result.listed_places.push_back(prime_index(listed, prime));
  }
  return result;
}

IntervalMeasures measure_interval(const FactorPrimes &factor_primes, const int *exponents, bool unison_target,
                                  bool factor_vals) {
  IntervalMeasures measures;
  measure_interval_into(factor_primes, exponents, unison_target, factor_vals, measures);
  return measures;
}

void measure_interval_into(const FactorPrimes &factor_primes, const int *exponents, bool unison_target,
                           bool factor_vals, IntervalMeasures &measures) {
  const std::vector<int> &primes = factor_primes.primes;
  std::vector<int64_t> &sums = measures.prime_exponents;
  sum_prime_exponents(factor_primes, exponents, sums);
  write_ratio_and_odd_limit(primes, sums, measures);
  measures.prime_limit = 1;
  measures.tenney_height = 0.0;
  size_t limit_index = 0;  // of the prime limit among the primes, when it is not 1
  for (size_t i = 0; i < primes.size(); ++i) {
    if (sums[i] == 0) continue;
    measures.prime_limit = primes[i];
    limit_index = i;
    measures.tenney_height += static_cast<double>(std::llabs(sums[i])) * factor_primes.log2_primes[i];
  }
  measures.has_prime_monzo = measures.prime_limit <= kMaxListedPrime;
  measures.prime_monzo.clear();
  if (measures.has_prime_monzo && measures.prime_limit > 1) {
    // Every prime up to the limit is listed, the factors' own ones at their places.
    const std::vector<int> &places = factor_primes.listed_places;
    measures.prime_monzo.assign(static_cast<size_t>(places[limit_index]) + 1, 0);
    for (size_t i = 0; i <= limit_index; ++i) measures.prime_monzo[static_cast<size_t>(places[i])] = sums[i];
  }
  measures.has_tempered_out_by = unison_target;
  measures.tempered_out_by.clear();
  measures.tempered_out_by_factor_vals.clear();
  if (unison_target) {
    tempering_divisions(factor_primes.patent_vals, factor_primes.largest_val_entry, sums.data(),
                        measures.tempered_out_by);
  }
  if (unison_target && factor_vals) {
    tempering_divisions(factor_primes.factor_vals, factor_primes.largest_val_entry, exponents,
                        measures.tempered_out_by_factor_vals);
  }
}
