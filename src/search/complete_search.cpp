// The complete search's own rules: its factors as primes, how far each exponent may run,
// whether a candidate's reduced numerator and denominator are both within the max
// quotient, and the examination of one exponent vector under these rules.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "search/search_steps.h"

namespace {

// Exponent bounds from the inverse of the factors' prime matrix get this slack, so that a
// rounding in the inversion never cuts an exponent that fits.
constexpr double kBoundSlack = 1e-6;
// Pivots below this (relative to the largest entry) make the prime matrix singular.
constexpr double kSingularPivot = 1e-9;
// The max quotient is compared as a whole number up to this bound, as a logarithm past it.
constexpr double kLargestWholeMaxQuotient = 4.0e18;
// A candidate this close to the target (natural log) is checked for being the target.
constexpr double kNearTarget = 1e-9;
// Limits get this slack so that an exact power of a factor stays within the max quotient.
constexpr double kLimitSlack = 1e-10;

// The primes dividing any factor, ascending, and each factor's exponent of each.
void factor_into_primes(const std::vector<int> &factors, std::vector<int> &primes, std::vector<int> &powers) {
  primes.clear();
  for (int factor : factors) {
    int rest = factor;
    for (int p = 2; p <= rest / p; ++p) {
      if (rest % p != 0) continue;
      primes.push_back(p);
      while (rest % p == 0) rest /= p;
    }
    if (rest > 1) primes.push_back(rest);
  }
  std::sort(primes.begin(), primes.end());
  primes.erase(std::unique(primes.begin(), primes.end()), primes.end());
  powers.assign(factors.size() * primes.size(), 0);
  for (size_t i = 0; i < factors.size(); ++i) {
    for (size_t j = 0; j < primes.size(); ++j) {
      for (int rest = factors[i]; rest % primes[j] == 0; rest /= primes[j]) ++powers[i * primes.size() + j];
    }
  }
}

// The matrix A = Pᵀ P of the factors' prime exponents (P: primes by factors), inverted in
// place by Gauss-Jordan elimination; false when it is singular (the factors are dependent).
bool invert_gram_matrix(const std::vector<int> &powers, size_t factors, size_t primes, std::vector<double> &inverse) {
  const size_t n = factors;
  std::vector<double> a(n * n, 0.0);
  double largest = 0.0;
  for (size_t i = 0; i < n; ++i) {
    for (size_t k = 0; k < n; ++k) {
      for (size_t j = 0; j < primes; ++j) a[i * n + k] += double(powers[i * primes + j]) * powers[k * primes + j];
      largest = std::max(largest, std::fabs(a[i * n + k]));
    }
  }
  inverse.assign(n * n, 0.0);
  for (size_t i = 0; i < n; ++i) inverse[i * n + i] = 1.0;
  for (size_t col = 0; col < n; ++col) {
    size_t pivot = col;
    for (size_t row = col + 1; row < n; ++row) {
      if (std::fabs(a[row * n + col]) > std::fabs(a[pivot * n + col])) pivot = row;
    }
    if (!(std::fabs(a[pivot * n + col]) > kSingularPivot * largest)) return false;
    for (size_t k = 0; k < n; ++k) {
      std::swap(a[col * n + k], a[pivot * n + k]);
      std::swap(inverse[col * n + k], inverse[pivot * n + k]);
    }
    double scale = 1.0 / a[col * n + col];
    for (size_t k = 0; k < n; ++k) {
      a[col * n + k] *= scale;
      inverse[col * n + k] *= scale;
    }
    for (size_t row = 0; row < n; ++row) {
      double f = a[row * n + col];
      if (row == col || f == 0.0) continue;
      for (size_t k = 0; k < n; ++k) {
        a[row * n + k] -= f * a[col * n + k];
        inverse[row * n + k] -= f * inverse[col * n + k];
      }
    }
  }
  return true;
}

// Each factor's largest exponent magnitude in a ratio whose reduced numerator and
// denominator are at most the max quotient. Prime p's exponent e_p in such a ratio has
// |e_p| ln p <= ln Q; the factors' exponents are a = (PᵀP)⁻¹ Pᵀ e, so |a_i| is at most
// the sum over p of |((PᵀP)⁻¹ Pᵀ)_ip| ln Q / ln p. For factors that share no prime this is
// ln Q / ln m_i itself, taken directly.
std::vector<int> exponent_bounds(const SearchContext &context) {
  const std::vector<int> &factors = context.params.factors;
  const double ln_q = context.params.ln_max_quotient;
  std::vector<int> bounds(factors.size(), 0);
  if (!(ln_q > 0)) return bounds;
  if (factors_pairwise_coprime(factors)) {
    for (size_t i = 0; i < factors.size(); ++i) {
      bounds[i] = static_cast<int>(std::floor(ln_q / std::log(double(factors[i])) + kLimitSlack));
    }
    return bounds;
  }
  const size_t n = factors.size();
  const size_t primes = context.primes.size();
  std::vector<double> inverse;
  if (!invert_gram_matrix(context.powers, n, primes, inverse)) return bounds;
  for (size_t i = 0; i < n; ++i) {
    double bound = 0.0;
    for (size_t j = 0; j < primes; ++j) {
      double left = 0.0;  // ((PᵀP)⁻¹ Pᵀ)_ij
      for (size_t k = 0; k < n; ++k) left += inverse[i * n + k] * context.powers[k * primes + j];
      bound += std::fabs(left) * ln_q / std::log(double(context.primes[j]));
    }
    bounds[i] = static_cast<int>(std::floor(bound + kBoundSlack));
  }
  return bounds;
}

// Whether the product of the prime powers of the given sign is at most the max quotient;
// side is the product when the max quotient is held as a whole number.
bool side_within(const SearchContext &context, const std::vector<int> &exponent_of_prime, int sign, uint64_t &side) {
  side = 1;
  if (context.whole_max_quotient == 0) {
    double ln_side = 0.0;
    for (size_t j = 0; j < context.primes.size(); ++j) {
      int e = sign * exponent_of_prime[j];
      if (e > 0) ln_side += e * std::log(double(context.primes[j]));
    }
    return ln_side <= context.params.ln_max_quotient;
  }
  for (size_t j = 0; j < context.primes.size(); ++j) {
    uint64_t p = static_cast<uint64_t>(context.primes[j]);
    for (int e = sign * exponent_of_prime[j]; e > 0; --e) {
      if (side > context.whole_max_quotient / p) return false;
      side *= p;
    }
  }
  return side <= context.whole_max_quotient;
}

// A candidate's reduced numerator and denominator, when the max quotient is a whole number.
struct ReducedRatio {
  uint64_t numerator = 0;
  uint64_t denominator = 0;
};

// Whether the vector in hand, with the last exponent given, is a ratio whose reduced
// numerator and denominator are both at most the max quotient.
bool reduced_within_max_quotient(SearchContext &context, int last_exponent, ReducedRatio &ratio) {
  const size_t primes = context.primes.size();
  std::vector<int> &e = context.prime_scratch;
  e.assign(primes, 0);
  for (int i = 0; i < context.n; ++i) {
    int a = i == context.n - 1 ? last_exponent : decode_exponent(context.exponents[i]);
    if (a == 0) continue;
    for (size_t j = 0; j < primes; ++j) e[j] += a * context.powers[static_cast<size_t>(i) * primes + j];
  }
  return side_within(context, e, +1, ratio.numerator) && side_within(context, e, -1, ratio.denominator);
}

// Whether the target x/y is exactly n/d: its distance is then 0, whatever the logarithms
// round to.
bool hits_target_exactly(const SearchContext &context, const ReducedRatio &ratio) {
  const double x = context.params.x;
  const double y = context.params.y;
  if (context.whole_max_quotient == 0 || x != std::floor(x) || y != std::floor(y) || !(x < kLargestWholeMaxQuotient) ||
      !(y < kLargestWholeMaxQuotient)) {
    return false;
  }
  // n/d is reduced, so x/y equals it when x = k n and y = k d for one whole k.
  const uint64_t whole_x = static_cast<uint64_t>(x);
  const uint64_t whole_y = static_cast<uint64_t>(y);
  return whole_x % ratio.numerator == 0 && whole_y % ratio.denominator == 0 &&
         whole_x / ratio.numerator == whole_y / ratio.denominator;
}

void invert_exponents(SearchContext &context) {
  for (int i = 0; i < context.n; ++i) context.exponents[i] = fold_exponent(-decode_exponent(context.exponents[i]));
}

// The candidate with this last exponent, when its ratio fits; false when it does not.
bool try_complete_candidate(SearchContext &context, int exponent, double partial) {
  const int last = context.n - 1;
  ReducedRatio ratio;
  if (!reduced_within_max_quotient(context, exponent, ratio)) return false;
  double candidate_log = exponent * context.logs[last] + partial;
  context.exponents[last] = fold_exponent(exponent);
  double distance = std::fabs(context.ln_target - candidate_log);
  if (distance < kNearTarget && hits_target_exactly(context, ratio)) distance = 0.0;
  if (!candidate_accepted(context, distance)) return true;
  if (!context.unison_target) {
    accept_candidate(context, distance, candidate_log);
    return true;
  }
  // A comma and its inverse are one interval, listed above 1/1. The search examines one of
  // each pair of inverse vectors (the vector of zeros, whose candidates are powers of the
  // last factor, both ways), so a candidate below 1/1 is listed as its inverse, at the same
  // distance from 1/1; 1/1 itself never.
  if (candidate_log > 0) {
    accept_candidate(context, distance, candidate_log);
  } else if (candidate_log < 0 && !enumerated_all_zero(context)) {
    invert_exponents(context);
    accept_candidate(context, distance, -candidate_log);
    invert_exponents(context);
  }
  return true;
}

}  // namespace

bool factors_pairwise_coprime(const std::vector<int> &factors) {
  for (size_t i = 0; i < factors.size(); ++i) {
    for (size_t k = i + 1; k < factors.size(); ++k) {
      int a = factors[i];
      int b = factors[k];
      while (b != 0) {
        int r = a % b;
        a = b;
        b = r;
      }
      if (a != 1) return false;
    }
  }
  return true;
}

bool factors_multiplicatively_independent(const std::vector<int> &factors) {
  for (int factor : factors) {
    if (factor < 2) return false;
  }
  std::vector<int> primes;
  std::vector<int> powers;
  factor_into_primes(factors, primes, powers);
  if (primes.size() < factors.size()) return false;
  std::vector<double> inverse;
  return invert_gram_matrix(powers, factors.size(), primes.size(), inverse);
}

void start_complete_search(SearchContext &context) {
  factor_into_primes(context.params.factors, context.primes, context.powers);
  context.complete_bound = exponent_bounds(context);
  for (int i = 0; i < context.n; ++i) context.limits[i] = 2 * context.complete_bound[i] + 1;
  double q = std::exp(context.params.ln_max_quotient);
  double whole = std::round(q);
  if (std::fabs(q - whole) > kBoundSlack * q) whole = std::floor(q);
  context.whole_max_quotient = q < kLargestWholeMaxQuotient ? static_cast<uint64_t>(std::max(whole, 0.0)) : 0;
}

bool examine_complete_vector(SearchContext &context) {
  const int last = context.n - 1;
  if (has_negative_zero(context.exponents.data(), last)) return false;
  if (context.unison_target && is_inverse_duplicate(context.exponents.data(), last)) return false;
  double partial = 0.0;
  for (int i = 0; i < last; ++i) partial += decode_exponent(context.exponents[i]) * context.logs[i];
  const double ln_last = context.logs[last];
  const int bound = context.complete_bound[last];
  const double turns = (context.ln_target - partial) / ln_last;
  const int a = static_cast<int>(std::floor(turns));
  if (context.params.range_mode) {
    // Every last exponent whose candidate may lie in the window, in ascending order.
    double reach = std::max(std::fabs(context.params.range_low_cents), std::fabs(context.params.range_high_cents)) *
                   context.ln2 / kCentsPerOctave / ln_last;
    int from = static_cast<int>(std::max(std::floor(turns - reach) - 1, -double(bound)));
    int to = static_cast<int>(std::min(std::ceil(turns + reach) + 1, double(bound)));
    for (int e = from; e <= to; ++e) try_complete_candidate(context, e, partial);
  } else {
    // The nearest fitting candidate below the target and the nearest above, in that order.
    for (int e = std::min(a, bound); e >= -bound && !try_complete_candidate(context, e, partial); --e) {
    }
    for (int e = std::max(a + 1, -bound); e <= bound && !try_complete_candidate(context, e, partial); ++e) {
    }
  }
  context.exponents[last] = fold_exponent(a);
  if (!exact_hit_ends_search(context) || context.best_error > kExactHit) return false;
  context.end = SearchEnd::kExactHit;
  return true;
}
