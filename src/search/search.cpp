// Search set-up and the pieces both search loops share: the denominator bound, the
// acceptance rules of the two modes, recording an accepted approximant, the time out,
// the examination of one exponent vector, and the one-factor search.
#include "search/search.h"

#include <cmath>

#include "driver/driver.h"
#include "present/present.h"

void start_search(const RunConfig &config, FactorTable &table, SearchState &state) {
  double ratio = config.x / config.y;
  state.ln_target = std::log(ratio);
  state.ln2 = std::log(2.0);
  state.unison_target = std::fabs(ratio - 1) < kUnisonTolerance;
  state.best_error = state.unison_target ? kUnisonBestError : std::fabs(state.ln_target) + kUnisonTolerance;
  state.tested_count = 0;
  state.found_count = 0;
  state.timed_out = false;
  state.start_ms = process_clock_ms();
  for (int i = 0; i < config.factor_count; ++i) {
    table.logs[i] = table.values[i] == 0 ? 0.0 : std::log(static_cast<double>(table.values[i]));
  }
}

bool denominator_within_max_quotient(double ln_max_quotient, const double *logs, const int *exponents, int count) {
  double ln_denominator = 0.0;
  for (int i = 0; i < count; ++i) {
    if (is_denominator_slot(exponents[i])) ln_denominator += exponent_magnitude(exponents[i]) * logs[i];
  }
  return ln_denominator <= ln_max_quotient;
}

bool candidate_accepted(const RunConfig &config, const SearchState &state, double distance) {
  if (config.range_mode) {
    double cents = distance * kCentsPerOctave / state.ln2;
    return config.range_low_cents < cents && cents < config.range_high_cents;
  }
  return distance + kExactHit < state.best_error;
}

void accept_candidate(const RunConfig &config, const FactorTable &table, const int *exponents, double distance,
                      double candidate_log, double *result_log, SearchState &state) {
  if (config.range_mode) {
    print_monzo(table.values, exponents, config.factor_count);
  } else {
    print_ratio_form(table.values, exponents, config.factor_count);
  }
  state.best_error = distance;
  double cents = candidate_log * kCentsPerOctave / state.ln2;
  if (state.found_count < kResultLogCapacity) result_log[state.found_count++] = cents;
  if (config.range_mode) {
    tee_printf(kRangeLineEndFormat, config.precision, cents);
  } else {
    tee_printf(kSuccessiveSeparator);
  }
}

bool time_out_reached(const RunConfig &config, const SearchState &state) {
  int64_t elapsed_ms = process_clock_ms() - state.start_ms;
  return config.time_out_seconds * 1000.0 < static_cast<double>(elapsed_ms);
}

bool time_out_passed(const RunConfig &config, SearchState &state) {
  if (!time_out_reached(config, state)) return false;
  tee_printf(kTimeOutFormat, static_cast<double>(process_clock_ms() - state.start_ms) * 0.001, 0);
  state.timed_out = true;
  return true;
}

void run_single_factor_search(const RunConfig &config, const FactorTable &table, int *exponents, double *result_log,
                              SearchState &state) {
  // With nothing to enumerate there is one vector: the solved exponent's two candidates.
  // 1/1 (exponent 0) is no candidate here, as it never is in the enumerated search.
  state.tested_count = 1;
  double ln_factor = table.logs[0];
  int a = static_cast<int>(std::floor(state.ln_target / ln_factor));
  for (int exponent = a; exponent <= a + 1; ++exponent) {
    if (exponent == 0) continue;
    exponents[0] = fold_exponent(exponent);
    if (!denominator_within_max_quotient(config.ln_max_quotient, table.logs, exponents, 1)) continue;
    double candidate_log = exponent * ln_factor;
    double distance = std::fabs(state.ln_target - candidate_log);
    if (candidate_accepted(config, state, distance)) {
      accept_candidate(config, table, exponents, distance, candidate_log, result_log, state);
    }
  }
}

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

bool is_inverse_duplicate(const int *exponents, int enumerated) {
  for (int i = 0; i < enumerated; ++i) {
    if (exponents[i] != 0) return is_denominator_slot(exponents[i]);
  }
  return false;
}

namespace {

// The sum of the enumerated exponents times their logarithms, in slot order from 0.0.
double enumerated_log(const FactorTable &table, const int *exponents, int enumerated) {
  double partial = 0.0;
  for (int i = 0; i < enumerated; ++i) partial += decode_exponent(exponents[i]) * table.logs[i];
  return partial;
}

// The largest exponent of the last factor whose candidate does not pass the target.
int solve_last_exponent(const FactorTable &table, const SearchState &state, double partial, int last) {
  return static_cast<int>(std::floor((state.ln_target - partial) / table.logs[last]));
}

bool skipped_vector(const SearchState &state, const int *exponents, int last) {
  return has_negative_zero(exponents, last) || (state.unison_target && is_inverse_duplicate(exponents, last));
}

}  // namespace

bool examine_vector(const RunConfig &config, const FactorTable &table, int *exponents, double *result_log,
                    SearchState &state) {
  const int n = config.factor_count;
  const int last = n - 1;
  const double ln_last = table.logs[last];
  double partial = enumerated_log(table, exponents, last);
  int a = solve_last_exponent(table, state, partial, last);
  double candidate_log = a * ln_last + partial;
  exponents[last] = fold_exponent(a);
  double distance = std::fabs(state.ln_target - candidate_log);
  if (skipped_vector(state, exponents, last)) return false;

  if (denominator_within_max_quotient(config.ln_max_quotient, table.logs, exponents, n) &&
      candidate_accepted(config, state, distance)) {
    accept_candidate(config, table, exponents, distance, candidate_log, result_log, state);
  }
  // The second candidate's denominator is never larger than the first's; when it fails too,
  // the vector is done without the exact-hit test.
  exponents[last] = fold_exponent(a + 1);
  if (!denominator_within_max_quotient(config.ln_max_quotient, table.logs, exponents, n)) return false;
  candidate_log = (a + 1) * ln_last + partial;
  distance = std::fabs(state.ln_target - candidate_log);
  if (candidate_accepted(config, state, distance)) {
    accept_candidate(config, table, exponents, distance, candidate_log, result_log, state);
  }
  return state.best_error <= kExactHit;
}

int solved_last_slot(const RunConfig &config, const FactorTable &table, const SearchState &state,
                     const int *exponents) {
  const int last = config.factor_count - 1;
  int a = solve_last_exponent(table, state, enumerated_log(table, exponents, last), last);
  return fold_exponent(skipped_vector(state, exponents, last) ? a : a + 1);
}

bool process_vector(const RunConfig &config, const FactorTable &table, int *exponents, double *result_log,
                    SearchState &state) {
  if (!passes_gate(table.values, exponents, config.factor_count)) return false;
  ++state.tested_count;
  if (state.tested_count % kClockCheckEvery == 0 && time_out_passed(config, state)) return true;
  return examine_vector(config, table, exponents, result_log, state);
}
