// Temperaments: the exact lattice work (mapping, comma basis, generator preimages) and
// the tunings built on it.
#include "theory/temperament.h"

#include <algorithm>
#include <cmath>

#include "theory/lattice.h"
#include "theory/temperament_error.h"

namespace {

constexpr double kLargestPeriodCount = 1e15;  // a generator this many periods away has no useful tuning

bool is_zero(const IntVector &v) {
  return std::all_of(v.begin(), v.end(), [](int64_t x) { return x == 0; });
}

// The first item that is a combination of the ones before it, or -1.
int first_dependent(const IntMatrix &rows, int columns) {
  for (size_t i = 1; i <= rows.size(); ++i) {
    IntMatrix head(rows.begin(), rows.begin() + static_cast<long>(i));
    if (integer_rank(head, columns) < static_cast<int>(i)) return static_cast<int>(i) - 1;
  }
  return -1;
}

std::string joined_before(const std::vector<std::string> &names, int index) {
  std::string text;
  for (int i = 0; i < index; ++i) text += (i == 0 ? "" : ", ") + names[i];
  return text;
}

// Each prime's log2 times its exponent: intervals in this embedding have the Tenney
// height as their L1 norm, bounded below by the L2 norm the lattice algorithms use.
std::vector<std::vector<double>> tenney_embedding(const Basis &basis) {
  std::vector<std::vector<double>> rows(basis.primes.size(), std::vector<double>(basis.elements.size(), 0.0));
  for (size_t p = 0; p < basis.primes.size(); ++p) {
    for (size_t e = 0; e < basis.elements.size(); ++e) {
      rows[p][e] = std::log2(static_cast<double>(basis.primes[p])) * static_cast<double>(basis.element_monzos[e][p]);
    }
  }
  return rows;
}

double l1_norm(const std::vector<double> &v) {
  double sum = 0.0;
  for (double x : v) sum += std::fabs(x);
  return sum;
}

double log2_size(const Basis &basis, const IntVector &interval) {
  double size = 0.0;
  for (size_t e = 0; e < interval.size(); ++e) size += static_cast<double>(interval[e]) * basis.log2_sizes[e];
  return size;
}

IntMatrix reduced_commas(const Basis &basis, const IntMatrix &mapping) {
  IntMatrix commas = lll_reduce(integer_kernel(mapping, static_cast<int>(basis.elements.size())),
                                tenney_embedding(basis), kCommaReductionDelta);
  for (IntVector &comma : commas) {
    if (log2_size(basis, comma) < 0) {
      for (int64_t &x : comma) x = checked_neg(x);
    }
  }
  return commas;
}

double size_in(const Tuning &tuning, const IntVector &in_generators) {
  double cents = 0.0;
  for (size_t i = 0; i < in_generators.size(); ++i)
    cents += static_cast<double>(in_generators[i]) * tuning.generators[i];
  return cents;
}

// Generator i taken modulo the period and, past half of it, to its complement, so that
// its POTE size lies in (0, P/2].
IntVector reduced_generator(const Tuning &pote, size_t i) {
  IntVector in_generators(pote.generators.size(), 0);
  double period = pote.generators[0];
  double periods = std::floor(pote.generators[i] / period);
  if (!(std::fabs(periods) < kLargestPeriodCount)) {
    throw TemperamentError(
        "the tuning puts a generator beyond any reasonable size; the mapping is too extreme to tune");
  }
  double rest = pote.generators[i] - periods * period;
  auto whole = static_cast<int64_t>(periods);
  if (rest > period / 2) {
    in_generators[i] = -1;
    in_generators[0] = checked_add(whole, 1);
  } else {
    in_generators[i] = 1;
    in_generators[0] = checked_neg(whole);
  }
  return in_generators;
}

// The preimages: with H = U Mᵀ and M defactored, H's top block is the identity, so the
// first rank rows of U map to the unit vectors.
IntMatrix generator_preimages(const IntMatrix &mapping, size_t elements) {
  IntMatrix transposed(elements, IntVector(mapping.size(), 0));
  for (size_t r = 0; r < mapping.size(); ++r) {
    for (size_t c = 0; c < elements; ++c) transposed[c][r] = mapping[r][c];
  }
  HermiteForm h = hermite_form(transposed, static_cast<int>(mapping.size()));
  return IntMatrix(h.transform.begin(), h.transform.begin() + static_cast<long>(mapping.size()));
}

Generator make_generator(const Temperament &t, const IntMatrix &preimages, const IntVector &in_generators) {
  Generator g;
  g.in_mapping_generators = in_generators;
  IntVector start(t.basis.elements.size(), 0);
  for (size_t i = 0; i < in_generators.size(); ++i) start = add_scaled(start, in_generators[i], preimages[i]);
  double any_bound = 0.0;
  for (double size : t.basis.log2_sizes) any_bound += static_cast<double>(kMaxGeneratorExponent) * size;
  LeastPoint least =
      least_cost_point(start, t.commas, tenney_embedding(t.basis), l1_norm, kMaxGeneratorExponent, any_bound + 1.0);
  g.has_interval = least.found;
  g.interval = least.point;
  g.te = size_in(t.te, in_generators);
  g.pote = size_in(t.pote, in_generators);
  g.cte = size_in(t.cte, in_generators);
  return g;
}

std::vector<int64_t> supporting_edos(const Basis &basis, const IntMatrix &commas) {
  std::vector<int64_t> edos;
  for (int64_t n = 1; n <= kMaxSupportingEdo; ++n) {
    IntVector val = patent_val(basis, n);
    if (std::all_of(commas.begin(), commas.end(), [&](const IntVector &c) { return dot(val, c) == 0; })) {
      edos.push_back(n);
    }
  }
  return edos;
}

Temperament finish(const Basis &basis, const IntMatrix &mapping) {
  Temperament t;
  t.basis = basis;
  t.mapping = mapping;
  size_t elements = basis.elements.size();
  if (std::all_of(mapping.begin(), mapping.end(), [](const IntVector &row) { return row[0] == 0; })) {
    throw TemperamentError("the temperament maps the basis element " + std::to_string(basis.elements[0]) +
                           " to a unison, so no tuning can hold it just");
  }
  t.periods_per_equave = mapping[0][0];
  t.commas = reduced_commas(basis, mapping);
  t.te = te_tuning(mapping, basis.log2_sizes);
  t.pote = pote_tuning(t.te, mapping, basis.log2_sizes);
  t.cte = cte_tuning(mapping, basis.log2_sizes);
  t.te_error = te_error(t.te.map, basis.log2_sizes);
  t.te_complexity = te_complexity(mapping, basis.log2_sizes);
  t.badness = t.te_error * t.te_complexity / kOctaveCents;
  for (size_t e = 0; e < elements; ++e) t.pote_errors.push_back(t.pote.map[e] - kOctaveCents * basis.log2_sizes[e]);
  IntMatrix preimages = generator_preimages(mapping, elements);
  IntVector period(mapping.size(), 0);
  period[0] = 1;
  t.period = make_generator(t, preimages, period);
  for (size_t i = 1; i < mapping.size(); ++i)
    t.generators.push_back(make_generator(t, preimages, reduced_generator(t.pote, i)));
  t.edos = supporting_edos(basis, t.commas);
  if (mapping.size() == 1) {
    t.has_consistency_limit = true;
    t.consistency = consistency_limit(basis, mapping[0]);
  }
  return t;
}

// The k-th nearest integer to x, k from 0: alternately on the side of the nearest and the other.
int64_t nearest_step_count(double x, int k) {
  auto nearest = static_cast<int64_t>(std::llround(x));
  bool nearest_is_below = static_cast<double>(nearest) <= x;
  int64_t away = (k + 1) / 2;
  if (k % 2 == 0) return nearest_is_below ? nearest - away : nearest + away;
  return nearest_is_below ? nearest + away : nearest - away;
}

}  // namespace

Temperament temperament_from_commas(const Basis &basis, const IntMatrix &commas,
                                    const std::vector<std::string> &names) {
  auto columns = static_cast<int>(basis.elements.size());
  for (size_t i = 0; i < commas.size(); ++i) {
    if (is_zero(commas[i])) throw TemperamentError("the comma " + names[i] + " is a unison and tempers out nothing");
  }
  int dependent = first_dependent(commas, columns);
  if (dependent >= 0) {
    throw TemperamentError("the comma " + names[dependent] + " is a product of powers of " +
                           joined_before(names, dependent) + "; give independent commas");
  }
  if (static_cast<int>(commas.size()) == columns) {
    throw TemperamentError("the commas temper out every interval of the basis " + basis_text(basis) +
                           " (rank 0); give fewer commas or a larger basis");
  }
  HermiteForm h = hermite_form(integer_kernel(commas, columns), columns);
  return finish(basis, IntMatrix(h.form.begin(), h.form.begin() + h.rank));
}

Temperament temperament_from_vals(const Basis &basis, const IntMatrix &vals, const std::vector<std::string> &names,
                                  int64_t plain_edo) {
  auto columns = static_cast<int>(basis.elements.size());
  for (size_t i = 0; i < vals.size(); ++i) {
    if (vals[i].size() != vals[0].size()) {
      throw TemperamentError("the vals " + names[0] + " and " + names[i] + " have different lengths (" +
                             std::to_string(vals[0].size()) + " and " + std::to_string(vals[i].size()) + ")");
    }
  }
  for (size_t i = 0; i < vals.size(); ++i) {
    if (static_cast<int>(vals[i].size()) != columns) {
      throw TemperamentError("the val " + names[i] + " has " + std::to_string(vals[i].size()) +
                             " entries, but the basis " + basis_text(basis) + " has " + std::to_string(columns) +
                             " elements");
    }
    if (is_zero(vals[i])) throw TemperamentError("the val " + names[i] + " is zero");
  }
  int dependent = first_dependent(vals, columns);
  if (dependent >= 0) {
    throw TemperamentError("the val " + names[dependent] + " is a combination of " + joined_before(names, dependent) +
                           "; give independent vals");
  }
  Temperament t = finish(basis, saturated_hermite(vals, columns));
  if (plain_edo > 0 && t.rank() == 1) {
    Basis primes = make_basis(prime_limit_elements(kMaxConsistencyLimit));
    t.consistency = consistency_limit(primes, patent_val(primes, plain_edo));
  }
  return t;
}

IntVector patent_val(const Basis &basis, int64_t divisions) {
  IntVector val;
  for (double size : basis.log2_sizes) val.push_back(std::llround(static_cast<double>(divisions) * size));
  return val;
}

IntVector warted_val(const Basis &basis, int64_t divisions, const std::string &warts) {
  std::vector<int> counts(basis.elements.size(), 0);
  for (char letter : warts) {
    if (letter < 'a' || letter > 'z')
      throw TemperamentError(std::string("the wart '") + letter + "' is not a letter from a to z");
    size_t element = static_cast<size_t>(letter - 'a');
    if (element == 0) throw TemperamentError("the wart 'a' would move the first element, which defines the division");
    if (element >= basis.elements.size()) {
      throw TemperamentError(std::string("the wart '") + letter + "' is past the basis " + basis_text(basis));
    }
    ++counts[element];
  }
  IntVector val;
  for (size_t e = 0; e < basis.elements.size(); ++e) {
    val.push_back(nearest_step_count(static_cast<double>(divisions) * basis.log2_sizes[e], counts[e]));
  }
  return val;
}

// Odd limits grow one odd number at a time; each new number is checked against every odd
// number below it. A number outside the basis lattice ends the count with "at least".
ConsistencyLimit consistency_limit(const Basis &basis, const IntVector &val) {
  ConsistencyLimit result;
  std::vector<std::pair<int64_t, int64_t>> mapped = {{1, 0}};  // (odd number, steps)
  double divisions = static_cast<double>(val[0]);
  for (int64_t odd = 3; odd <= kMaxConsistencyLimit; odd += 2) {
    PrimeExponents factors;
    int64_t rest = odd;
    for (int64_t p = 3; p <= rest; p += 2) {
      int64_t exponent = 0;
      for (; rest % p == 0; rest /= p) ++exponent;
      if (exponent > 0) factors.emplace_back(p, exponent);
    }
    IntVector coordinates;
    if (!basis_coordinates(basis, factors, coordinates)) {
      result.at_least = true;
      return result;
    }
    int64_t steps = dot(val, coordinates);
    for (const auto &[lower, lower_steps] : mapped) {
      double nearest = std::round(divisions * std::log2(static_cast<double>(odd) / static_cast<double>(lower)) /
                                  basis.log2_sizes[0]);
      if (static_cast<double>(steps - lower_steps) != nearest) return result;
    }
    mapped.emplace_back(odd, steps);
    result.limit = odd;
  }
  return result;
}
