// A regular temperament from commas or from vals: its mapping in defactored Hermite form,
// period and generators, the commas it tempers out, its TE, POTE and CTE tunings, error,
// complexity and badness, and the equal divisions that support it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "theory/basis.h"
#include "theory/tuning.h"

constexpr int64_t kMaxGeneratorExponent = 20;  // a generator's ratio has exponents no larger
constexpr int64_t kMaxSupportingEdo = 999;     // the supporting EDOs are looked for up to this
constexpr int64_t kMaxConsistencyLimit = 43;   // the odd limits a val's consistency is checked to
constexpr double kCommaReductionDelta = 0.99;  // LLL's delta for the comma basis

// A period or generator: which combination of the mapping's generators it is, the
// simplest interval mapped to it, and its size in each tuning.
struct Generator {
  IntVector in_mapping_generators;  // coefficients over the mapping's rows
  bool has_interval = false;        // false when no interval with exponents <= 20 maps to it
  IntVector interval;               // basis coordinates
  double te = 0.0, pote = 0.0, cte = 0.0;
};

struct ConsistencyLimit {
  int64_t limit = 1;
  bool at_least = false;  // the basis ran out before the val stopped being consistent
};

struct Temperament {
  Basis basis;
  IntMatrix mapping;  // rank rows, defactored Hermite normal form
  Generator period;   // the first row's generator: the first element is periods_per_equave of it
  int64_t periods_per_equave = 1;
  std::vector<Generator> generators;  // the others, each reduced into (0, period/2] in POTE
  IntMatrix commas;                   // an LLL-reduced basis of the commas, each above 1
  Tuning te, pote, cte;
  double te_error = 0.0, te_complexity = 0.0, badness = 0.0;
  std::vector<double> pote_errors;     // cents, per basis element
  bool has_consistency_limit = false;  // rank 1 only
  ConsistencyLimit consistency;
  std::vector<int64_t> edos;  // 1 to 999 whose patent val over the basis tempers out every comma
  int rank() const { return static_cast<int>(mapping.size()); }
};

// The temperament that tempers out these commas (basis coordinates); names are the
// commas as typed, for the errors. Throws TemperamentError or LatticeOverflow.
Temperament temperament_from_commas(const Basis &basis, const IntMatrix &commas, const std::vector<std::string> &names);

// The temperament of the join of these vals. When the line was one EDO number without
// warts, plain_edo is that number and its consistency is that of its patent val over the
// primes up to 43; otherwise 0.
Temperament temperament_from_vals(const Basis &basis, const IntMatrix &vals, const std::vector<std::string> &names,
                                  int64_t plain_edo);

// The patent val of n equal divisions of the octave over the basis: round(n log2 element).
IntVector patent_val(const Basis &basis, int64_t divisions);
// The val with warts: each letter (a the first element) moves its element one step further
// down the list of nearest step counts ("cc": the third nearest). Throws for a wart on the
// first element, one past z or one past the basis.
IntVector warted_val(const Basis &basis, int64_t divisions, const std::string &warts);

// The largest odd limit up to 43 in which the val maps every ratio of odd numbers to its
// nearest step count.
ConsistencyLimit consistency_limit(const Basis &basis, const IntVector &val);
