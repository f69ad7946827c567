// The primes and factorisation into them, in one place for everything that needs them:
// the --limit option, the monzo target notation, the records' measures and comma names.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

// The primes in increasing order: the first count of them, or all up to limit.
std::vector<int> first_primes(int count);
std::vector<int> primes_up_to(int limit);

// The prime factorisation of a value of 1 or more: (prime, multiplicity) in increasing
// order of the primes; none for 1.
std::vector<std::pair<int64_t, int>> prime_powers_of(int64_t value);
