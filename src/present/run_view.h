// What every renderer needs to know of a run besides its results: the target, the
// factors, the mode and window, and how numbers are shown.
#pragma once

#include <string>
#include <vector>

#include "search/search.h"

struct RunView {
  std::string target_text;  // the target as typed ("7/6", "700c", "7 6"); empty when not typed
  double x = 1.0;
  double y = 1.0;
  double target_cents = 0.0;
  bool unison_target = false;  // the search's own unison test: commas are asked for
  std::vector<int> factors;
  bool range_mode = false;
  double range_low_cents = 0.0;
  double range_high_cents = 0.0;
  bool complete = false;      // --complete: the summary says so
  double max_quotient = 0.0;  // as the user gave it
  int precision = 0;          // significant digits of sizes in cents in the text output
  bool factor_vals = false;   // records also give tempered_out_by_factor_vals
};

// The view of a search: its target, factors, mode and window, with the max quotient as
// the user gave it and the significant digits of the text output's sizes in cents.
RunView view_of_search(const SearchParams &search, double max_quotient, int precision);
