// The run report: the counts line, in successive mode the accepted sizes in cents and
// their differences from the target, and the closing line with the target in cents.
#include "driver/driver.h"
#include "search/search.h"

void print_report(const RunConfig &config, const SearchState &state, const double *result_log) {
  tee_printf(kReportCountsFormat, static_cast<long long>(state.tested_count), state.found_count);
  double target_cents = state.ln_target * kCentsPerOctave / state.ln2;
  if (!config.range_mode) {
    tee_printf(kReportValuesTitle);
    for (int i = 0; i < state.found_count; ++i) tee_printf(kReportListEntryFormat, config.precision, result_log[i]);
    tee_printf(kReportDiffsTitleFormat, config.precision, target_cents);
    for (int i = 0; i < state.found_count; ++i) {
      tee_printf(kReportListEntryFormat, config.precision, result_log[i] - target_cents);
    }
  }
  tee_printf(kReportClosingFormat, config.x, config.y, target_cents);
}
