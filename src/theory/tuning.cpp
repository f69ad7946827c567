// Weighted least squares for the tunings, with Eigen: TE by a QR solve, CTE by the
// Lagrange (KKT) system of the same problem with the first element's constraint.
#include "theory/tuning.h"

#include <Eigen/Dense>
#include <cmath>

namespace {

// V = M W: each mapping column divided by its element's log2 size.
Eigen::MatrixXd weighted_mapping(const IntMatrix &mapping, const std::vector<double> &log2_sizes) {
  Eigen::MatrixXd v(mapping.size(), log2_sizes.size());
  for (size_t r = 0; r < mapping.size(); ++r) {
    for (size_t c = 0; c < log2_sizes.size(); ++c) v(r, c) = static_cast<double>(mapping[r][c]) / log2_sizes[c];
  }
  return v;
}

Tuning tuning_from_generators(const Eigen::VectorXd &g, const IntMatrix &mapping, size_t elements) {
  Tuning t;
  t.generators.assign(g.data(), g.data() + g.size());
  t.map.assign(elements, 0.0);
  for (size_t c = 0; c < elements; ++c) {
    for (size_t r = 0; r < mapping.size(); ++r) t.map[c] += g(r) * static_cast<double>(mapping[r][c]);
  }
  return t;
}

// A tuning that holds the first element just says so exactly: its map's first entry, and
// the period when periods_per_equave of it make that element (0: leave it as computed).
void hold_first_just(Tuning &tuning, double just_first, int64_t periods_per_equave) {
  tuning.map[0] = just_first;
  if (periods_per_equave > 0) tuning.generators[0] = just_first / static_cast<double>(periods_per_equave);
}

}  // namespace

// In weighted terms JW is 1200 for every element, so TE solves Vᵀ g = 1200·1 in least squares.
Tuning te_tuning(const IntMatrix &mapping, const std::vector<double> &log2_sizes) {
  Eigen::MatrixXd a = weighted_mapping(mapping, log2_sizes).transpose();
  Eigen::VectorXd b = Eigen::VectorXd::Constant(a.rows(), kOctaveCents);
  Eigen::VectorXd g = a.colPivHouseholderQr().solve(b);
  return tuning_from_generators(g, mapping, log2_sizes.size());
}

Tuning pote_tuning(const Tuning &te, const IntMatrix &mapping, const std::vector<double> &log2_sizes) {
  double just_first = kOctaveCents * log2_sizes[0];
  double scale = just_first / te.map[0];
  Tuning pote = te;
  for (double &x : pote.map) x *= scale;
  for (double &x : pote.generators) x *= scale;
  hold_first_just(pote, just_first, mapping[0][0]);
  return pote;
}

// Minimise |A g - b|² subject to c·g = J₀ (c: the mapping's first column):
// [AᵀA c; cᵀ 0] [g; λ] = [Aᵀb; J₀].
Tuning cte_tuning(const IntMatrix &mapping, const std::vector<double> &log2_sizes) {
  Eigen::MatrixXd a = weighted_mapping(mapping, log2_sizes).transpose();
  Eigen::VectorXd b = Eigen::VectorXd::Constant(a.rows(), kOctaveCents);
  auto rank = static_cast<Eigen::Index>(mapping.size());
  double just_first = kOctaveCents * log2_sizes[0];
  Eigen::MatrixXd system = Eigen::MatrixXd::Zero(rank + 1, rank + 1);
  system.topLeftCorner(rank, rank) = a.transpose() * a;
  Eigen::VectorXd right(rank + 1);
  right.head(rank) = a.transpose() * b;
  right(rank) = just_first;
  for (Eigen::Index r = 0; r < rank; ++r) {
    system(r, rank) = static_cast<double>(mapping[r][0]);
    system(rank, r) = static_cast<double>(mapping[r][0]);
  }
  Eigen::VectorXd solution = system.fullPivLu().solve(right);
  Tuning cte = tuning_from_generators(solution.head(rank), mapping, log2_sizes.size());
  hold_first_just(cte, just_first, mapping[0][0]);
  return cte;
}

double te_error(const std::vector<double> &tuning_map, const std::vector<double> &log2_sizes) {
  double sum = 0.0;
  for (size_t c = 0; c < log2_sizes.size(); ++c) {
    double weighted = (tuning_map[c] - kOctaveCents * log2_sizes[c]) / log2_sizes[c];
    sum += weighted * weighted;
  }
  return std::sqrt(sum / static_cast<double>(log2_sizes.size()));
}

double te_complexity(const IntMatrix &mapping, const std::vector<double> &log2_sizes) {
  Eigen::MatrixXd v = weighted_mapping(mapping, log2_sizes);
  Eigen::MatrixXd gram = v * v.transpose() / static_cast<double>(log2_sizes.size());
  return std::sqrt(gram.determinant());
}
