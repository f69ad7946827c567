// The sinks that connect the search to the renderers.
#include "driver/result_sinks.h"

#include <cmath>

RunView run_view(const RunConfig &config) {
  const SearchParams &search = config.search;
  RunView view;
  view.x = search.x;
  view.y = search.y;
  view.target_cents = cents_of_log(std::log(search.x / search.y));
  view.factors = search.factors;
  view.range_mode = search.range_mode;
  view.range_low_cents = search.range_low_cents;
  view.range_high_cents = search.range_high_cents;
  view.max_quotient = config.max_quotient;
  view.precision = config.precision;
  return view;
}

void TextSink::approximant(const Approximant &found) { renderer_.write_approximant(found.exponents, found.cents); }

void TextSink::finished(const SearchSummary &summary) {
  if (summary.end == SearchEnd::kTimeOut) renderer_.write_time_out(summary.seconds);
  renderer_.write_report(summary.tested);
}
