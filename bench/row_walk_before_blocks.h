// The row walk as it stood before whole blocks, planes and threads, kept for the
// benchmarks to measure the search against.
#pragma once

#include "search/search.h"

SearchSummary run_row_walk_before_blocks(const SearchParams &params, ResultSink &sink);
