// The search loop exactly as its steps read: an odometer over every exponent vector,
// one vector at a time. Slow but plain; the fast search must match it byte for byte.
#include "search/search_steps.h"

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

void continue_reference_search(SearchContext &context) {
  do {
    if (process_vector(context)) return;
  } while (step_odometer(context.exponents.data(), context.limits.data(), context.n));
}

SearchSummary run_reference_search(const SearchParams &params, ResultSink &sink) {
  const SearchParams effective = effective_params(params);
  SearchContext context{effective, sink};
  start_search(context);
  if (context.n == 1) {
    run_single_factor_search(context);
  } else {
    continue_reference_search(context);
  }
  return finish_search(context);
}
