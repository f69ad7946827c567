// Integer lattices for temperaments: the Hermite normal form with its unimodular
// transform, integer kernels, saturation and LLL reduction, all in checked 64-bit
// integers. Knows nothing of music; the temperament layer gives the rows their meaning.
#pragma once

#include <vector>

#include "theory/checked_int.h"

// The row-style Hermite normal form H = U A: rows echelon, each pivot positive, entries
// above a pivot in [0, pivot), zero rows last. U is unimodular (one row per row of A).
struct HermiteForm {
  IntMatrix form;
  IntMatrix transform;
  int rank = 0;
};
HermiteForm hermite_form(const IntMatrix &rows, int columns);

// A basis of { v in Z^columns : rows v = 0 }, as rows; saturated (every integer vector of
// the kernel is an integer combination of them). An empty rows gives the identity.
IntMatrix integer_kernel(const IntMatrix &rows, int columns);

// The saturation of the row lattice of independent rows (rational span meets Z^n), in
// Hermite normal form: removes torsion from commas and contorsion from vals.
IntMatrix saturated_hermite(const IntMatrix &rows, int columns);

// The rank of the rows.
int integer_rank(const IntMatrix &rows, int columns);

int64_t dot(const IntVector &a, const IntVector &b);
IntVector add_scaled(const IntVector &a, int64_t factor, const IntVector &b);  // a + factor * b

// LLL with this delta (0.99 in use) in the norm ||embedding * v||, where embedding is a
// real matrix given as rows (one per output coordinate, each as long as v).
IntMatrix lll_reduce(IntMatrix basis, const std::vector<std::vector<double>> &embedding, double delta);

// The point of start + span(directions) with integer coefficients whose cost is least,
// among those with every coordinate at most max_entry in size. lower_bound(v) must never
// exceed cost(v) and is ||embedding * v||; cost is given by the caller. Searches by
// enumeration around the nearest point; gives up after a fixed number of steps with the
// best found. Returns false when none was found.
struct LeastPoint {
  bool found = false;
  IntVector point;
  double cost = 0.0;
};
LeastPoint least_cost_point(const IntVector &start, const IntMatrix &directions,
                            const std::vector<std::vector<double>> &embedding,
                            double (*cost)(const std::vector<double> &), int64_t max_entry, double initial_bound);
