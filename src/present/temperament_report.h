// A temperament shown to people as a few aligned lines and to scripts as one JSON object
// ("type":"temperament"); the numbers come from the theory layer unchanged.
#pragma once

#include <string>

#include "theory/temperament.h"

constexpr int kTemperamentFormatVersion = 1;

// The text: basis and rank, mapping, commas, period and generators with their sizes,
// the tunings and their errors, error, complexity, badness and the supporting EDOs.
std::string temperament_text(const Temperament &temperament);

// One JSON object on one line, with a line end.
std::string temperament_json(const Temperament &temperament);

// The interval with these basis coordinates as a reduced ratio n/d, exactly; past 2000
// digits, as its monzo over the basis's primes ([1000000000 -1 0>).
std::string basis_ratio_text(const Basis &basis, const IntVector &coordinates);
