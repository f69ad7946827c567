// The usual names of well-known commas and small intervals of the 3-, 5- and 7-limit
// (81/80 is the syntonic comma), for the structured output and the web page.
#pragma once

#include <cstdint>
#include <vector>

struct NamedInterval {
  uint64_t numerator;  // reduced, above the denominator
  uint64_t denominator;
  const char *name;
};

// Every named interval, in no particular order.
const std::vector<NamedInterval> &named_intervals();

// The name of the approximant with these signed exponents of the factors, matched on its
// reduced ratio in either orientation (80/81 is the syntonic comma too); null for none.
const char *interval_name(const int *factors, const int *exponents, int count);
