// What one run is asked to do: the search's parameters and how its results are shown.
// The command line fills it; the run reads it.
#pragma once

#include "search/search.h"

struct RunConfig {
  SearchParams search;
  double max_quotient = 0.0;  // as given; the search takes its logarithm
  int precision = 0;          // significant digits of the sizes in cents
};
