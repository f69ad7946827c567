// Primes by trial division: the lists asked for are short (the primes up to 1000 at most)
// and every value factorised fits in 64 bits, so no sieve is needed.
#include "present/primes.h"

#include <cstddef>

namespace {

// Primes in increasing order while keep_going(the primes so far, the next prime) says so.
template <typename KeepGoing>
std::vector<int> primes_while(KeepGoing keep_going) {
  std::vector<int> primes;
  for (int candidate = 2;; ++candidate) {
    bool prime = true;
    for (size_t i = 0; prime && i < primes.size() && primes[i] * primes[i] <= candidate; ++i) {
      prime = candidate % primes[i] != 0;
    }
    if (!prime) continue;
    if (!keep_going(primes, candidate)) return primes;
    primes.push_back(candidate);
  }
}

}  // namespace

std::vector<int> first_primes(int count) {
  return primes_while([count](const std::vector<int> &primes, int) { return static_cast<int>(primes.size()) < count; });
}

std::vector<int> primes_up_to(int limit) {
  return primes_while([limit](const std::vector<int> &, int next) { return next <= limit; });
}

std::vector<std::pair<int64_t, int>> prime_powers_of(int64_t value) {
  std::vector<std::pair<int64_t, int>> powers;
  int64_t rest = value;
  for (int64_t divisor = 2; divisor <= rest / divisor; divisor += divisor == 2 ? 1 : 2) {
    int count = 0;
    for (; rest % divisor == 0; rest /= divisor) ++count;
    if (count > 0) powers.emplace_back(divisor, count);
  }
  if (rest > 1) powers.emplace_back(rest, 1);
  return powers;
}
