// The optimal tunings of a mapping in the Tenney-weighted Euclidean norm: TE, POTE and
// CTE, with the TE error and complexity. Doubles; the mapping itself is exact.
#pragma once

#include <vector>

#include "theory/checked_int.h"

constexpr double kOctaveCents = 1200.0;

// A tuning: cents per basis element (the tuning map) and per generator (mapping row).
struct Tuning {
  std::vector<double> map;
  std::vector<double> generators;
};

// TE: the map g M minimising ||(g M - J) W||, W = diag(1 / log2 element), J = 1200 log2
// element. mapping is in Hermite form, so its first column is the period count alone.
// POTE: TE scaled so the first element is just. CTE: the same minimum with the
// first element held just. The first entry of POTE and CTE is J's, exactly.
Tuning te_tuning(const IntMatrix &mapping, const std::vector<double> &log2_sizes);
Tuning pote_tuning(const Tuning &te, const IntMatrix &mapping, const std::vector<double> &log2_sizes);
Tuning cte_tuning(const IntMatrix &mapping, const std::vector<double> &log2_sizes);

// ||(T - J) W|| / sqrt(n) in cents.
double te_error(const std::vector<double> &tuning_map, const std::vector<double> &log2_sizes);
// sqrt(det(V Vᵀ / n)), V = M W.
double te_complexity(const IntMatrix &mapping, const std::vector<double> &log2_sizes);
