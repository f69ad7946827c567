// The usual names of well-known commas and small intervals of the 3-, 5- and 7-limit
// (81/80 is the syntonic comma), for the structured output and the web page.
#pragma once

#include <cstdint>
#include <vector>

struct NamedInterval {
  uint64_t numerator;  // reduced, above the denominator
  uint64_t denominator;
  double cents;
  const char *name;
};

// Every named interval, in no particular order.
const std::vector<NamedInterval> &named_intervals();

// The name of the interval with this monzo over the primes (2, 3, 5, ... up to its prime
// limit, as the records' measures give it), in either orientation (80/81 is the syntonic
// comma too); null for none.
const char *comma_name(const std::vector<int64_t> &prime_monzo);
