// A basis as typed: a prime limit ("7", the primes up to it) or a subgroup ("2.3.7", its
// factors in order), read one way for the command line's --limit and --subgroup and the page.
#pragma once

#include <string>
#include <vector>

constexpr int kMinPrimeLimit = 2;
constexpr int kMaxPrimeLimit = 1000;

// The factors a text names, or what is wrong with it: the text quoted and the problem in
// words, as the option's name then leads it ("'1001' is not a whole number from 2 to 1000").
struct BasisReading {
  std::vector<int> factors;
  std::string problem;  // "" when the factors are read
};

// "7": the primes up to a whole number from kMinPrimeLimit to kMaxPrimeLimit.
BasisReading read_prime_limit(const std::string &text);
// "2.3.7": integers of 1 or more between dots, the last 2 or more, as positional factors must be.
BasisReading read_subgroup(const std::string &text);

// A field that names a basis, blanks around it left out: all digits is a prime limit, else
// a subgroup; option is how the command line names it (--limit=7, --subgroup=2.3.7) and
// problem is the program's refusal of that option ("--limit: '1' is not ..."). An empty
// field names no basis: no factors, no option, no problem.
struct TypedBasis {
  std::vector<int> factors;
  std::string option;
  std::string problem;
};
TypedBasis read_typed_basis(const std::string &typed);
