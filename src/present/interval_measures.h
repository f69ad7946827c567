// What a record says of its interval beyond the search's own numbers: the reduced ratio,
// its monzo over the primes, prime limit, Tenney height, odd limit and the equal
// divisions of the octave that temper it out. The factors are factorised once per search.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

constexpr int kMaxListedPrime = 97;         // prime monzos are listed up to this prime limit
constexpr int kMaxTemperingDivisions = 99;  // tempered_out_by looks at 1 to 99 divisions of the octave

// The factors of a search written over the distinct primes that divide them, with what
// every record's measures need of those primes, worked out once for the search.
struct FactorPrimes {
  std::vector<int> primes;  // distinct, increasing
  // For each factor, its prime powers: (index into primes, multiplicity).
  std::vector<std::vector<std::pair<int, int>>> powers;
  // For each prime p, its patent val's entry round(N log2 p) for N from 1 to
  // kMaxTemperingDivisions (at N - 1). No int has an entry above 99 * 31, so 16 bits hold
  // them, and the steps of short intervals are summed in 16 bits too.
  std::vector<std::vector<int16_t>> patent_vals;
  // The same over the factors as given: round(N log2 m) for each factor m.
  std::vector<std::vector<int16_t>> factor_vals;
  int64_t largest_val_entry = 0;    // the largest magnitude in either
  std::vector<double> log2_primes;  // log2 of each prime, for the Tenney height
  // Each prime's place among the primes up to kMaxListedPrime, -1 above them: where its
  // exponent goes in a prime monzo.
  std::vector<int> listed_places;
};
FactorPrimes factorise_factors(const std::vector<int> &factors);

struct IntervalMeasures {
  std::vector<int64_t> prime_exponents;  // the exponent of each of the factors' primes
  std::string ratio;                     // "n/d", reduced
  bool has_prime_monzo = false;
  std::vector<int64_t> prime_monzo;  // the exponents of 2, 3, 5, ... up to the prime limit
  int prime_limit = 1;               // the largest prime with a non-zero exponent; 1 for 1/1
  double tenney_height = 0.0;        // log2(n * d)
  std::string odd_limit;             // the larger of the odd parts of n and d
  bool has_tempered_out_by = false;  // only for a unison target
  std::vector<int> tempered_out_by;  // each N whose patent val maps the interval to 0 steps
  // Each N whose patent val over the factors themselves maps the exponents to 0 steps
  // (only for a unison target, and when asked for).
  std::vector<int> tempered_out_by_factor_vals;
};
// The measures of the approximant with these signed exponents of the factors; with
// factor_vals, tempered_out_by_factor_vals too.
IntervalMeasures measure_interval(const FactorPrimes &factor_primes, const int *exponents, bool unison_target,
                                  bool factor_vals = false);
// The same into measures kept from one interval to the next: once its strings and lists
// have grown, an interval allocates nothing.
void measure_interval_into(const FactorPrimes &factor_primes, const int *exponents, bool unison_target,
                           bool factor_vals, IntervalMeasures &measures);
