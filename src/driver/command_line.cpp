// Reading the command line into the run configuration: the options (--name[=value],
// -h, -V), taken out wherever they stand, then the positional grammar
// [(FILE)] X Y|N/D [MAXQ [PRECISION [TIMEOUT]]] [MODE [LOW HIGH]] [M1 M2 ...].
#include "driver/command_line.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "driver/defaults.h"
#include "driver/options.h"
#include "driver/platform.h"
#include "driver/target_notation.h"

int read_int_argument(const char *text) {
  long value = std::strtol(text, nullptr, 10);  // strtol clamps to the long range itself
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

double read_number_argument(const char *text) {
  char *end = nullptr;
  double value = std::strtod(text, &end);
  return end == text ? 0.0 : value;  // no number at all: 0, never a C library's -0
}

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

// ---- Positional arguments ----------------------------------------------------------

// Replaces a target written N/D or in a target notation (the first argument after the
// results file) by its x and y, keeping it as typed in target_text. Returns an error
// message for a malformed one, or "".
std::string split_ratio_target(std::vector<std::string> &positional, std::string &target_text) {
  size_t index = !positional.empty() && positional[0][0] == '(' ? 1 : 0;
  if (index >= positional.size()) return "";
  const std::string target = positional[index];
  std::string notation_error;
  if (expand_target_notation(positional, index, target_text, notation_error)) return notation_error;
  size_t slash = target.find('/');
  if (slash == std::string::npos) return "";
  std::string numerator = target.substr(0, slash);
  std::string denominator = target.substr(slash + 1);
  double ignored = 0;
  if (!reads_wholly_as_number(numerator, ignored) || !reads_wholly_as_number(denominator, ignored)) {
    return "'" + target + "' is not a target N/D: both sides must be numbers, as in 7/6";
  }
  target_text = target;
  positional[index] = numerator;
  positional.insert(positional.begin() + static_cast<std::ptrdiff_t>(index) + 1, denominator);
  return "";
}

ParsedArguments read_positional(const std::vector<const char *> &args, RunConfig &config) {
  const int argc = static_cast<int>(args.size());
  const char *const *argv = args.data();
  ParsedArguments parsed;
  SearchParams &search = config.search;
  int index = 1;
  if (argc - index < 2) {
    parsed.verdict = ArgumentVerdict::kShowUsage;
    return parsed;
  }
  if (argv[1][0] == '(') {
    parsed.has_results_file = true;
    std::string name = argv[1] + 1;
    if (!name.empty() && name.back() == ')') name.pop_back();  // only a final ")" is dropped
    parsed.results_name = name;
    index = 2;
    if (argc - index < 2) {  // nothing to approximate: explain instead of reading past the end
      parsed.verdict = ArgumentVerdict::kShowUsage;
      return parsed;
    }
  }
  if (config.target_text.empty()) config.target_text = std::string(argv[index]) + " " + argv[index + 1];
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
  const RunOptions &options = config.options;
  if (!options.named_factors.empty() && !search.factors.empty()) {
    parsed.verdict = ArgumentVerdict::kBadOption;
    parsed.option_error =
        options.factors_option + " names the factors, and so do the arguments after the target; give one of them";
    return parsed;
  }
  if (!options.named_factors.empty()) search.factors = options.named_factors;
  if (search.factors.empty()) {  // no factors: the 5-limit search the usage page promises
    search.factors.assign(std::begin(kDefaultFactors), std::end(kDefaultFactors));
  }
  if (search.factors.back() == 1) {  // the last exponent is solved by dividing by ln m
    parsed.verdict = ArgumentVerdict::kLastFactorOne;
  }
  return parsed;
}

// Options that set what the positional arguments also set win over them.
void apply_search_options(const RunOptions &options, SearchParams &search) {
  search.every_vector = options.every_vector;
  search.complete = options.complete;
  search.threads = options.threads > 0 ? options.threads : hardware_threads();
  if (options.has_time_out) search.time_out_seconds = options.time_out_seconds;
}

}  // namespace

ParsedArguments read_command_line(int argc, const char *const *argv, RunConfig &config) {
  config = default_run_config();
  std::vector<std::string> positional;
  std::string error = take_options(argc, argv, config.options, positional);
  if (error.empty()) error = split_ratio_target(positional, config.target_text);
  if (!error.empty()) {
    ParsedArguments parsed;
    parsed.verdict = ArgumentVerdict::kBadOption;
    parsed.option_error = error;
    return parsed;
  }
  if (config.options.show_help || config.options.show_version) return ParsedArguments{};
  std::vector<const char *> args{argv[0]};
  for (const std::string &arg : positional) args.push_back(arg.c_str());
  ParsedArguments parsed = read_positional(args, config);
  apply_search_options(config.options, config.search);
  if (parsed.verdict == ArgumentVerdict::kArgumentsOk && config.search.complete &&
      !factors_multiplicatively_independent(config.search.factors)) {
    // One ratio would come from many exponent vectors and be listed as many times.
    parsed.verdict = ArgumentVerdict::kBadOption;
    parsed.option_error =
        "--complete: the factors are multiplicatively dependent (a product of powers of some equals "
        "another, or a factor is 1); give independent ones, such as primes";
  }
  return parsed;
}
