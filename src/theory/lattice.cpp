// The lattice algorithms: Hermite normal form by extended-gcd row operations, kernels
// and saturation from it, LLL reduction and an enumeration for the least point of a coset.
#include "theory/lattice.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

int64_t floor_div(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

void subtract_multiple(IntVector &row, int64_t q, const IntVector &pivot_row) {
  for (size_t c = 0; c < row.size(); ++c) row[c] = checked_sub(row[c], checked_mul(q, pivot_row[c]));
}

std::vector<double> embed(const std::vector<std::vector<double>> &embedding, const IntVector &v) {
  std::vector<double> out(embedding.size(), 0.0);
  for (size_t r = 0; r < embedding.size(); ++r) {
    for (size_t c = 0; c < v.size(); ++c) out[r] += embedding[r][c] * static_cast<double>(v[c]);
  }
  return out;
}

double real_dot(const std::vector<double> &a, const std::vector<double> &b) {
  double sum = 0.0;
  for (size_t i = 0; i < a.size(); ++i) sum += a[i] * b[i];
  return sum;
}

// Gram-Schmidt of the embedded basis: mu[i][j] for j < i and the squared lengths.
struct GramSchmidt {
  std::vector<std::vector<double>> mu;
  std::vector<double> squared;
  std::vector<std::vector<double>> orthogonal;
};
GramSchmidt gram_schmidt(const std::vector<std::vector<double>> &vectors) {
  size_t d = vectors.size();
  GramSchmidt gs{std::vector<std::vector<double>>(d, std::vector<double>(d, 0.0)), std::vector<double>(d, 0.0),
                 vectors};
  for (size_t i = 0; i < d; ++i) {
    for (size_t j = 0; j < i; ++j) {
      gs.mu[i][j] = gs.squared[j] > 0 ? real_dot(vectors[i], gs.orthogonal[j]) / gs.squared[j] : 0.0;
      for (size_t k = 0; k < gs.orthogonal[i].size(); ++k) gs.orthogonal[i][k] -= gs.mu[i][j] * gs.orthogonal[j][k];
    }
    gs.squared[i] = real_dot(gs.orthogonal[i], gs.orthogonal[i]);
  }
  return gs;
}

constexpr int kLllMaxSteps = 100000;            // a guard: LLL ends long before this on any real input
constexpr double kLargestCenter = 1e15;         // coefficients beyond this are never enumerated
constexpr long kEnumerationMaxNodes = 2000000;  // the least-point search stops here with the best found

// Euclid over the rows from pivot_row down: the row with the least non-zero entry in the
// column becomes the pivot and the others are reduced by it to the nearest multiple,
// until only the pivot is left. Taking the least each time keeps the entries small.
void clear_below(HermiteForm &h, size_t pivot_row, size_t column) {
  for (;;) {
    size_t least = pivot_row;
    for (size_t i = pivot_row; i < h.form.size(); ++i) {
      int64_t x = h.form[i][column];
      if (x != 0 && (h.form[least][column] == 0 || std::llabs(x) < std::llabs(h.form[least][column]))) least = i;
    }
    if (h.form[least][column] == 0) return;
    std::swap(h.form[least], h.form[pivot_row]);
    std::swap(h.transform[least], h.transform[pivot_row]);
    bool cleared = true;
    int64_t pivot = h.form[pivot_row][column];
    for (size_t i = pivot_row + 1; i < h.form.size(); ++i) {
      int64_t x = h.form[i][column];
      if (x == 0) continue;
      int64_t q = x / pivot;
      int64_t r = x % pivot;
      if (2 * std::llabs(r) > std::llabs(pivot)) q += ((r < 0) == (pivot < 0)) ? 1 : -1;
      subtract_multiple(h.form[i], q, h.form[pivot_row]);
      subtract_multiple(h.transform[i], q, h.transform[pivot_row]);
      if (h.form[i][column] != 0) cleared = false;
    }
    if (cleared) return;
  }
}

}  // namespace

int64_t dot(const IntVector &a, const IntVector &b) {
  int64_t sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum = checked_add(sum, checked_mul(a[i], b[i]));
  return sum;
}

IntVector add_scaled(const IntVector &a, int64_t factor, const IntVector &b) {
  IntVector out(a);
  for (size_t i = 0; i < out.size(); ++i) out[i] = checked_add(out[i], checked_mul(factor, b[i]));
  return out;
}

// Column by column: Euclid's algorithm over all the rows at once gathers the column's gcd
// into the pivot row and clears the rows below it; then the rows above are reduced modulo the pivot. The
// transform undergoes the same operations, starting from the identity.
HermiteForm hermite_form(const IntMatrix &rows, int columns) {
  HermiteForm h{rows, IntMatrix(rows.size(), IntVector(rows.size(), 0)), 0};
  for (size_t i = 0; i < rows.size(); ++i) h.transform[i][i] = 1;
  size_t pivot_row = 0;
  for (int c = 0; c < columns && pivot_row < rows.size(); ++c) {
    clear_below(h, pivot_row, static_cast<size_t>(c));
    if (h.form[pivot_row][c] == 0) continue;
    if (h.form[pivot_row][c] < 0) {
      for (int64_t &x : h.form[pivot_row]) x = checked_neg(x);
      for (int64_t &x : h.transform[pivot_row]) x = checked_neg(x);
    }
    for (size_t i = 0; i < pivot_row; ++i) {
      int64_t q = floor_div(h.form[i][c], h.form[pivot_row][c]);
      if (q == 0) continue;
      subtract_multiple(h.form[i], q, h.form[pivot_row]);
      subtract_multiple(h.transform[i], q, h.transform[pivot_row]);
    }
    ++pivot_row;
  }
  h.rank = static_cast<int>(pivot_row);
  return h;
}

// With H = U Aᵀ, the rows of U beside H's zero rows are a basis of A's kernel; U being
// unimodular makes that basis saturated.
IntMatrix integer_kernel(const IntMatrix &rows, int columns) {
  IntMatrix transposed(columns, IntVector(rows.size(), 0));
  for (size_t r = 0; r < rows.size(); ++r) {
    for (int c = 0; c < columns; ++c) transposed[c][r] = rows[r][c];
  }
  if (rows.empty()) {
    IntMatrix identity(columns, IntVector(columns, 0));
    for (int i = 0; i < columns; ++i) identity[i][i] = 1;
    return identity;
  }
  HermiteForm h = hermite_form(transposed, static_cast<int>(rows.size()));
  return IntMatrix(h.transform.begin() + h.rank, h.transform.end());
}

IntMatrix saturated_hermite(const IntMatrix &rows, int columns) {
  IntMatrix kernel = integer_kernel(rows, columns);
  IntMatrix saturated = integer_kernel(kernel, columns);
  HermiteForm h = hermite_form(saturated, columns);
  return IntMatrix(h.form.begin(), h.form.begin() + h.rank);
}

int integer_rank(const IntMatrix &rows, int columns) { return hermite_form(rows, columns).rank; }

// The textbook algorithm with exact integer vectors and a floating Gram-Schmidt recomputed
// after each change; bases here have at most 30 vectors.
IntMatrix lll_reduce(IntMatrix basis, const std::vector<std::vector<double>> &embedding, double delta) {
  size_t d = basis.size();
  if (d < 2) return basis;
  auto embedded = [&] {
    std::vector<std::vector<double>> out;
    for (const IntVector &v : basis) out.push_back(embed(embedding, v));
    return out;
  };
  size_t k = 1;
  for (int step = 0; k < d && step < kLllMaxSteps; ++step) {
    GramSchmidt gs = gram_schmidt(embedded());
    for (size_t j = k; j-- > 0;) {
      double q = std::round(gs.mu[k][j]);
      if (q == 0.0) continue;
      basis[k] = add_scaled(basis[k], -static_cast<int64_t>(q), basis[j]);
      gs = gram_schmidt(embedded());
    }
    double mu = gs.mu[k][k - 1];
    if (gs.squared[k] >= (delta - mu * mu) * gs.squared[k - 1]) {
      ++k;
    } else {
      std::swap(basis[k], basis[k - 1]);
      k = std::max<size_t>(k - 1, 1);
    }
  }
  return basis;
}

// Every point within radius R of the target in the embedded norm is visited by the usual
// depth-first enumeration over the Gram-Schmidt levels, last coefficient first. Since the
// norm bounds the cost from below, R shrinks to the best cost found so far.
LeastPoint least_cost_point(const IntVector &start, const IntMatrix &directions,
                            const std::vector<std::vector<double>> &embedding,
                            double (*cost)(const std::vector<double> &), int64_t max_entry, double initial_bound) {
  LeastPoint best;
  double bound = initial_bound;
  auto consider = [&](const IntVector &point) {
    for (int64_t x : point) {
      if (x > max_entry || x < -max_entry) return;
    }
    double c = cost(embed(embedding, point));
    if (!best.found || c < best.cost - 1e-12) {
      best = {true, point, c};
      bound = std::min(bound, c);
    }
  };
  size_t d = directions.size();
  if (d == 0) {
    consider(start);
    return best;
  }
  std::vector<std::vector<double>> vectors;
  for (const IntVector &v : directions) vectors.push_back(embed(embedding, v));
  GramSchmidt gs = gram_schmidt(vectors);
  std::vector<double> target = embed(embedding, start);
  for (double &x : target) x = -x;  // the sum of coefficients times directions nears -start
  std::vector<double> tau(d);
  double outside = real_dot(target, target);
  for (size_t i = 0; i < d; ++i) {
    tau[i] = real_dot(target, gs.orthogonal[i]) / gs.squared[i];
    outside -= tau[i] * tau[i] * gs.squared[i];
  }
  outside = std::max(outside, 0.0);
  std::vector<int64_t> y(d, 0);
  long nodes = 0;
  // level i chooses y[i] given y[i+1..]; partial is the squared distance so far.
  auto descend = [&](auto &self, size_t level, double partial) -> void {
    double center = tau[level];
    for (size_t j = level + 1; j < d; ++j) center -= static_cast<double>(y[j]) * gs.mu[j][level];
    double room = bound * bound * (1 + 1e-9) - outside - partial;
    if (room < 0) return;
    // Nearest values first (the rounded center, then alternately above and below), so the
    // first point reached is the rounded one and the bound shrinks early.
    if (!(std::fabs(center) < kLargestCenter)) return;  // no point there has exponents of any use
    auto nearest = static_cast<int64_t>(std::llround(center));
    bool up_first = static_cast<double>(nearest) <= center;
    bool up_open = true, down_open = true;
    for (int64_t k = 0; (up_open || down_open) && nodes <= kEnumerationMaxNodes; ++k) {
      int64_t step = (k + 1) / 2;
      bool up = (k % 2 == 1) == up_first;
      if (k == 0) up = true;
      if ((up && !up_open) || (!up && !down_open)) continue;
      int64_t value = up ? nearest + step : nearest - step;
      ++nodes;
      double offset = static_cast<double>(value) - center;
      double next = partial + offset * offset * gs.squared[level];
      if (next > bound * bound * (1 + 1e-9) - outside) {
        if (k == 0) return;
        (up ? up_open : down_open) = false;
        continue;
      }
      y[level] = value;
      if (level == 0) {
        IntVector point = start;
        for (size_t j = 0; j < d; ++j) point = add_scaled(point, y[j], directions[j]);
        consider(point);
      } else {
        self(self, level - 1, next);
      }
    }
  };
  descend(descend, d - 1, 0.0);
  return best;
}
