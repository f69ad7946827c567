// The renderers' view of a run, taken from its configuration.
#include "driver/run_config.h"

RunView run_view(const RunConfig &config) {
  RunView view = view_of_search(config.search, config.max_quotient, config.precision);
  view.target_text = config.target.text;
  view.factor_vals = config.options.factor_vals;
  return view;
}
