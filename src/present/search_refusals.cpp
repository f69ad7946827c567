// The refusals of a search's target and factors, and their lines as the program prints them.
#include "present/search_refusals.h"

#include <climits>
#include <cmath>

#include "present/text_format.h"

namespace {

std::string read_ratio_line(double x, double y) {
  return "Read: ratio to approx " + ratio_number_text(x) + "/" + ratio_number_text(y) + "\n";
}

// The target as the messages about factors read it: x and y as ints, then the line end.
std::string target_as_ints(double x, double y) {
  return std::to_string(target_as_int(x)) + "/" + std::to_string(target_as_int(y)) + "\n";
}

}  // namespace

int target_as_int(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(value);
}

SearchRefusal target_refusal(double x, double y) {
  if (x == 0 || y == 0) return SearchRefusal::kZeroTarget;
  double ratio = x / y;
  if (!(ratio > 0) || !std::isfinite(ratio)) return SearchRefusal::kBadRatio;  // no logarithm to search against
  return SearchRefusal::kNone;
}

SearchRefusal factors_refusal(const std::vector<int> &factors, int &bad_factor) {
  for (int factor : factors) {
    if (factor < 1) {
      bad_factor = factor;
      return SearchRefusal::kBadFactor;
    }
  }
  if (!factors.empty() && factors.back() == 1) return SearchRefusal::kLastFactorOne;
  return SearchRefusal::kNone;
}

std::string search_refusal_text(SearchRefusal refusal, double x, double y, int bad_factor) {
  std::string text;
  switch (refusal) {
    case SearchRefusal::kNone:
      return text;
    case SearchRefusal::kZeroTarget:
      text = read_ratio_line(x, y) + "Denominator and denumerator have to be non zero.\n";
      break;
    case SearchRefusal::kBadRatio:
      text = read_ratio_line(x, y) + "Ratio to approx has to be positive and finite.\n";
      break;
    case SearchRefusal::kBadFactor:
      text = "Read: " + std::to_string(bad_factor) + " as one of the factors to look for, ratio to approx " +
             target_as_ints(x, y) + "All factors need to be positive and non zero\n";
      break;
    case SearchRefusal::kLastFactorOne:
      text = "Read: 1 as the last factor to look for, ratio to approx " + target_as_ints(x, y) +
             "The last factor needs to be 2 or more\n";
      break;
  }
  return text + "Run prog without any args for example of use\n";
}
