// The search loop exactly as its steps read: an odometer over every exponent vector,
// one vector at a time. Slow but plain; the fast search must match it byte for byte.
#include <cmath>

#include "driver/driver.h"
#include "search/search.h"

namespace {

// Steps the odometer over slots 0 .. n-2, slot 0 fastest, each slot running through the
// folded values 0 .. its limit. Returns false when the carry leaves slot n-2.
bool step_odometer(int *exponents, const int *limits, int count) {
  int k = 0;
  ++exponents[0];
  while (exponents[k] > limits[k]) {
    exponents[k] = 0;
    ++k;
    if (k >= count - 1) return false;
    ++exponents[k];
  }
  return true;
}

// Only vectors with a non-zero exponent on some factor above 2 are worth evaluating; the
// last slot takes part with whatever the previous evaluation left there.
bool passes_gate(const int *values, const int *exponents, int count) {
  for (int i = 0; i < count; ++i) {
    if (values[i] > 2 && exponents[i] >= 2) return true;
  }
  return false;
}

bool has_negative_zero(const int *exponents, int enumerated) {
  for (int i = 0; i < enumerated; ++i) {
    if (exponents[i] == 1) return true;
  }
  return false;
}

// For a unison target, of two mutually inverse vectors only the one whose first
// non-zero enumerated exponent is positive is examined.
bool is_inverse_duplicate(const int *exponents, int enumerated) {
  for (int i = 0; i < enumerated; ++i) {
    if (exponents[i] != 0) return is_denominator_slot(exponents[i]);
  }
  return false;
}

}  // namespace

void run_reference_search(const RunConfig &config, const FactorTable &table, int *exponents, double *result_log,
                          SearchState &state) {
  const int n = config.factor_count;
  for (int i = 0; i < n; ++i) exponents[i] = 0;
  if (n == 1) {
    run_single_factor_search(config, table, exponents, result_log, state);
    return;
  }
  const int last = n - 1;
  const double ln_last = table.logs[last];
  bool started = false;
  for (;;) {
    if (started && !step_odometer(exponents, table.limits, n)) return;
    started = true;
    if (!passes_gate(table.values, exponents, n)) continue;
    ++state.tested_count;
    if (state.tested_count % kClockCheckEvery == 0 && time_out_passed(config, state)) return;

    // Solve the last exponent: a is the largest whose candidate does not pass the target.
    double partial = 0.0;
    for (int i = 0; i < last; ++i) partial += decode_exponent(exponents[i]) * table.logs[i];
    int a = static_cast<int>(std::floor((state.ln_target - partial) / ln_last));
    double candidate_log = a * ln_last + partial;
    exponents[last] = fold_exponent(a);
    double distance = std::fabs(state.ln_target - candidate_log);
    if (has_negative_zero(exponents, last)) continue;
    if (state.unison_target && is_inverse_duplicate(exponents, last)) continue;

    if (denominator_within_max_quotient(config.ln_max_quotient, table.logs, exponents, n) &&
        candidate_accepted(config, state, distance)) {
      accept_candidate(config, table, exponents, distance, candidate_log, result_log, state);
    }
    exponents[last] = fold_exponent(a + 1);
    if (!denominator_within_max_quotient(config.ln_max_quotient, table.logs, exponents, n)) continue;
    candidate_log = (a + 1) * ln_last + partial;
    distance = std::fabs(state.ln_target - candidate_log);
    if (candidate_accepted(config, state, distance)) {
      accept_candidate(config, table, exponents, distance, candidate_log, result_log, state);
    }
    if (state.best_error <= kExactHit) return;
  }
}

void run_search(const RunConfig &config, const FactorTable &table, int *exponents, double *result_log,
                SearchState &state) {
  run_reference_search(config, table, exponents, result_log, state);
}
