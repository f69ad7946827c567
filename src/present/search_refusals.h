// Why a search cannot start from its target and factors, and the lines the program has
// always printed for each: one table for the command line and the web page's engine.
#pragma once

#include <string>
#include <vector>

enum class SearchRefusal {
  kNone,
  kZeroTarget,     // x or y is 0
  kBadRatio,       // x / y is not positive and finite
  kBadFactor,      // a factor below 1
  kLastFactorOne,  // the last factor is 1: the last exponent is solved by dividing by its logarithm
};

// The first refusal the target x/y meets, before any factor is read.
SearchRefusal target_refusal(double x, double y);
// The first refusal the factors meet (an empty list meets none); bad_factor is the factor
// below 1 that was met.
SearchRefusal factors_refusal(const std::vector<int> &factors, int &bad_factor);

// The lines told for a refusal, each ending in a line end, "Run prog without any args for
// example of use" last; x and y as read, bad_factor for kBadFactor. Empty for kNone.
std::string search_refusal_text(SearchRefusal refusal, double x, double y, int bad_factor);

// A target's x or y as the messages about factors show it: truncated to an int, clamped
// to the ints, NaN as 0.
int target_as_int(double value);
