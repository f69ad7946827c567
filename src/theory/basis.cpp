// Bases: factorising the elements, checking their independence and solving for an
// interval's coordinates exactly through the Hermite form of the element monzos.
#include "theory/basis.h"

#include <algorithm>
#include <cmath>

#include "theory/lattice.h"
#include "theory/temperament_error.h"

namespace {

std::vector<int64_t> prime_factors(int64_t n) {
  std::vector<int64_t> factors;
  for (int64_t p = 2; p * p <= n; ++p) {
    if (n % p != 0) continue;
    factors.push_back(p);
    while (n % p == 0) n /= p;
  }
  if (n > 1) factors.push_back(n);
  return factors;
}

}  // namespace

std::vector<int64_t> prime_limit_elements(int64_t limit) {
  std::vector<int64_t> primes;
  for (int64_t n = 2; n <= limit; ++n) {
    if (prime_factors(n).size() == 1 && prime_factors(n)[0] == n) primes.push_back(n);
  }
  return primes;
}

Basis make_basis(const std::vector<int64_t> &elements) {
  if (elements.size() > static_cast<size_t>(kMaxBasisElements)) {
    throw TemperamentError("the basis has " + std::to_string(elements.size()) + " elements; at most " +
                           std::to_string(kMaxBasisElements) + " are supported");
  }
  Basis basis;
  basis.elements = elements;
  for (int64_t element : elements) {
    if (element < 2) throw TemperamentError("the basis element " + std::to_string(element) + " is not 2 or more");
    for (int64_t p : prime_factors(element)) basis.primes.push_back(p);
  }
  std::sort(basis.primes.begin(), basis.primes.end());
  basis.primes.erase(std::unique(basis.primes.begin(), basis.primes.end()), basis.primes.end());
  for (int64_t element : elements) {
    IntVector monzo(basis.primes.size(), 0);
    for (size_t i = 0; i < basis.primes.size(); ++i) {
      for (int64_t rest = element; rest % basis.primes[i] == 0; rest /= basis.primes[i]) ++monzo[i];
    }
    basis.element_monzos.push_back(monzo);
    basis.log2_sizes.push_back(std::log2(static_cast<double>(element)));
  }
  if (integer_rank(basis.element_monzos, static_cast<int>(basis.primes.size())) != static_cast<int>(elements.size())) {
    throw TemperamentError("the basis " + basis_text(basis) +
                           " is not independent: an element is a product of powers of the others");
  }
  return basis;
}

// With H = U E (E the element monzos, rows independent), solve y H = v by substitution
// along H's pivots, then check the whole of v and give x = y U.
bool basis_coordinates(const Basis &basis, const PrimeExponents &interval, IntVector &coordinates) {
  IntVector target(basis.primes.size(), 0);
  for (const auto &[prime, exponent] : interval) {
    if (exponent == 0) continue;
    auto at = std::find(basis.primes.begin(), basis.primes.end(), prime);
    if (at == basis.primes.end()) return false;
    target[at - basis.primes.begin()] = exponent;
  }
  int columns = static_cast<int>(basis.primes.size());
  HermiteForm h = hermite_form(basis.element_monzos, columns);
  IntVector y(basis.elements.size(), 0);
  IntVector rest = target;
  size_t row = 0;
  for (int c = 0; c < columns && row < y.size(); ++c) {
    int64_t pivot = h.form[row][c];
    if (pivot == 0) continue;
    if (rest[c] % pivot != 0) return false;
    y[row] = rest[c] / pivot;
    for (int k = 0; k < columns; ++k) rest[k] = checked_sub(rest[k], checked_mul(y[row], h.form[row][k]));
    ++row;
  }
  if (std::any_of(rest.begin(), rest.end(), [](int64_t x) { return x != 0; })) return false;
  coordinates.assign(y.size(), 0);
  for (size_t r = 0; r < y.size(); ++r) coordinates = add_scaled(coordinates, y[r], h.transform[r]);
  return true;
}

IntVector prime_monzo_of(const Basis &basis, const IntVector &coordinates) {
  IntVector monzo(basis.primes.size(), 0);
  for (size_t e = 0; e < coordinates.size(); ++e) monzo = add_scaled(monzo, coordinates[e], basis.element_monzos[e]);
  return monzo;
}

std::string basis_text(const Basis &basis) {
  std::string text;
  for (int64_t element : basis.elements) text += (text.empty() ? "" : ".") + std::to_string(element);
  return text;
}

namespace {

// digits / divisor when it divides exactly, into quotient; false otherwise.
bool divide_numeral(const std::string &digits, int64_t divisor, std::string &quotient) {
  quotient.clear();
  int64_t remainder = 0;
  for (char digit : digits) {
    remainder = remainder * 10 + (digit - '0');
    auto q = static_cast<char>('0' + remainder / divisor);
    if (!quotient.empty() || q != '0') quotient.push_back(q);
    remainder %= divisor;
  }
  if (quotient.empty()) quotient = "0";
  return remainder == 0;
}

}  // namespace

std::string divide_out_primes(const std::string &digits, const std::vector<int64_t> &primes, int64_t sign,
                              PrimeExponents &exponents) {
  std::string rest = digits.substr(std::min(digits.find_first_not_of('0'), digits.size()));
  if (rest.empty()) return "0";
  std::string quotient;
  for (int64_t prime : primes) {
    int64_t exponent = 0;
    while (rest != "1" && divide_numeral(rest, prime, quotient)) {
      rest = quotient;
      ++exponent;
    }
    if (exponent == 0) continue;
    auto at = std::find_if(exponents.begin(), exponents.end(), [prime](const auto &e) { return e.first == prime; });
    if (at == exponents.end()) {
      exponents.emplace_back(prime, 0);
      at = exponents.end() - 1;
    }
    at->second = checked_add(at->second, checked_mul(sign, exponent));
  }
  return rest;
}
