// The search loop exactly as its steps read: an odometer over every exponent vector,
// one vector at a time. Slow but plain; the fast search must match it byte for byte.
#include "driver/driver.h"
#include "search/search.h"

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

void continue_reference_search(const RunConfig &config, const FactorTable &table, int *exponents, double *result_log,
                               SearchState &state) {
  do {
    if (process_vector(config, table, exponents, result_log, state)) return;
  } while (step_odometer(exponents, table.limits, config.factor_count));
}

void run_reference_search(const RunConfig &config, const FactorTable &table, int *exponents, double *result_log,
                          SearchState &state) {
  for (int i = 0; i < config.factor_count; ++i) exponents[i] = 0;
  if (config.factor_count == 1) {
    run_single_factor_search(config, table, exponents, result_log, state);
    return;
  }
  continue_reference_search(config, table, exponents, result_log, state);
}
