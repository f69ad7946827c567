// Reading the command line's positional grammar into the run configuration:
// [(FILE)] X Y [MAXQ [PRECISION [TIMEOUT]]] [MODE [LOW HIGH]] [M1 M2 ...].
#include "driver/command_line.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>

int read_int_argument(const char *text) {
  long value = std::strtol(text, nullptr, 10);  // strtol clamps to the long range itself
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

double read_number_argument(const char *text) { return std::strtod(text, nullptr); }

int target_as_int(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(value);
}

namespace {

RunConfig default_run_config() {
  RunConfig config;
  config.max_quotient = kDefaultMaxQuotient;
  config.precision = kDefaultPrecision;
  config.search.ln_max_quotient = std::log(kDefaultMaxQuotient);
  config.search.time_out_seconds = kDefaultTimeOutSeconds;
  config.search.range_mode = false;
  config.search.range_low_cents = kDefaultRangeLowCents;
  config.search.range_high_cents = kDefaultRangeHighCents;
  return config;
}

// Takes max quotient, precision and time out, in this order, while each argument reads
// as a non-negative integer; returns the index of the first argument not taken.
int read_optional_numbers(int argc, const char *const *argv, int index, RunConfig &config) {
  for (int taken = 0; taken < 3 && index < argc && read_int_argument(argv[index]) >= 0; ++taken, ++index) {
    if (taken == 0) {
      config.max_quotient = read_number_argument(argv[index]);
      config.search.ln_max_quotient = std::log(config.max_quotient);
    } else if (taken == 1) {
      config.precision = read_int_argument(argv[index]);
    } else {
      double time_out = read_number_argument(argv[index]);
      // "nan" reads as no number of seconds at all: the default time out stays.
      if (!std::isnan(time_out)) config.search.time_out_seconds = time_out;
    }
  }
  return index;
}

// A negative argument is the mode; -2 selects range mode and takes up to two cents
// bounds (a bound missing at the end of the line keeps its default).
int read_mode(int argc, const char *const *argv, int index, RunConfig &config) {
  if (index >= argc || read_int_argument(argv[index]) >= 0) return index;
  bool range = read_int_argument(argv[index]) == kRangeModeArgument;
  ++index;
  if (!range) return index;
  config.search.range_mode = true;
  if (index < argc) config.search.range_low_cents = read_number_argument(argv[index++]);
  if (index < argc) config.search.range_high_cents = read_number_argument(argv[index++]);
  return index;
}

}  // namespace

ParsedArguments read_command_line(int argc, const char *const *argv, RunConfig &config) {
  ParsedArguments parsed;
  config = default_run_config();
  SearchParams &search = config.search;
  int index = 1;
  if (argc - index < 2) {
    parsed.verdict = ArgumentVerdict::kShowUsage;
    return parsed;
  }
  if (argv[1][0] == '(') {
    parsed.has_results_file = true;
    int length = static_cast<int>(std::strlen(argv[1] + 1));
    if (length > 0 && argv[1][length] == ')') --length;  // only a final ")" is dropped
    parsed.results_name_length = length;
    index = 2;
    if (argc - index < 2) {  // nothing to approximate: explain instead of reading past the end
      parsed.verdict = ArgumentVerdict::kShowUsage;
      return parsed;
    }
  }
  search.x = read_number_argument(argv[index]);
  search.y = read_number_argument(argv[index + 1]);
  index += 2;
  if (search.x == 0 || search.y == 0) {
    parsed.verdict = ArgumentVerdict::kZeroTarget;
    return parsed;
  }
  double ratio = search.x / search.y;
  if (!(ratio > 0) || !std::isfinite(ratio)) {  // no logarithm to search against
    parsed.verdict = ArgumentVerdict::kBadRatio;
    return parsed;
  }
  index = read_optional_numbers(argc, argv, index, config);
  index = read_mode(argc, argv, index, config);
  for (; index < argc; ++index) {
    int factor = read_int_argument(argv[index]);
    if (factor < 1) {
      parsed.verdict = ArgumentVerdict::kBadFactor;
      parsed.bad_factor_reading = factor;
      return parsed;
    }
    search.factors.push_back(factor);
  }
  if (search.factors.empty()) {  // no factors: the 5-limit search the usage page promises
    search.factors.assign(std::begin(kDefaultFactors), std::end(kDefaultFactors));
  }
  if (search.factors.back() == 1) {  // the last exponent is solved by dividing by ln m
    parsed.verdict = ArgumentVerdict::kLastFactorOne;
  }
  return parsed;
}
