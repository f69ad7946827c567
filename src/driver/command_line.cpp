// The command line: reading the positional grammar into the run configuration and the
// factor list, and every text about it (usage pages, argument errors, run and search
// headers). Reading prints nothing, so the driver decides what is shown and in what order.
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "driver/driver.h"
#include "search/search.h"

int read_int_argument(const char *text) {
  long value = std::strtol(text, nullptr, 10);  // strtol clamps to the long range itself
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

double read_number_argument(const char *text) { return std::strtod(text, nullptr); }

int factor_limit(int factor, double ln_max_quotient) {
  double q = ln_max_quotient / std::log(static_cast<double>(factor));
  if (!std::isfinite(q)) return 0;  // a factor 1, or a max quotient of 0 or less
  double limit = 2 * std::floor(q + kLimitSlack);
  // Only a max quotient past the double range could go beyond the int range.
  if (limit > INT_MAX) return INT_MAX - 1;
  if (limit < INT_MIN) return INT_MIN;
  return static_cast<int>(limit);
}

void fill_factor_table(const RunConfig &config, FactorTable &table) {
  for (int i = 0; i < config.factor_count; ++i) {
    table.logs[i] = std::log(static_cast<double>(table.values[i]));
    table.limits[i] = factor_limit(table.values[i], config.ln_max_quotient);
  }
}

int target_as_int(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(value);
}

namespace {

RunConfig default_run_config() {
  RunConfig config{};
  config.max_quotient = kDefaultMaxQuotient;
  config.ln_max_quotient = std::log(kDefaultMaxQuotient);
  config.precision = kDefaultPrecision;
  config.time_out_seconds = kDefaultTimeOutSeconds;
  config.range_mode = false;
  config.range_low_cents = kDefaultRangeLowCents;
  config.range_high_cents = kDefaultRangeHighCents;
  config.factor_count = 0;
  return config;
}

// Takes max quotient, precision and time out, in this order, while each argument reads
// as a non-negative integer; returns the index of the first argument not taken.
int read_optional_numbers(int argc, const char *const *argv, int index, RunConfig &config) {
  for (int taken = 0; taken < 3 && index < argc && read_int_argument(argv[index]) >= 0; ++taken, ++index) {
    if (taken == 0) {
      config.max_quotient = read_number_argument(argv[index]);
      config.ln_max_quotient = std::log(config.max_quotient);
    } else if (taken == 1) {
      config.precision = read_int_argument(argv[index]);
    } else {
      double time_out = read_number_argument(argv[index]);
      // "nan" reads as no number of seconds at all: the default time out stays.
      if (!std::isnan(time_out)) config.time_out_seconds = time_out;
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
  config.range_mode = true;
  if (index < argc) config.range_low_cents = read_number_argument(argv[index++]);
  if (index < argc) config.range_high_cents = read_number_argument(argv[index++]);
  return index;
}

}  // namespace

ParsedArguments read_command_line(int argc, const char *const *argv, RunConfig &config, int *factor_values) {
  ParsedArguments parsed{};
  parsed.verdict = ArgumentVerdict::kArgumentsOk;
  config = default_run_config();
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
  config.x = read_number_argument(argv[index]);
  config.y = read_number_argument(argv[index + 1]);
  index += 2;
  if (config.x == 0 || config.y == 0) {
    parsed.verdict = ArgumentVerdict::kZeroTarget;
    return parsed;
  }
  double ratio = config.x / config.y;
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
    factor_values[config.factor_count++] = factor;
  }
  if (config.factor_count == 0) {  // no factors: the 5-limit search the usage page promises
    for (int factor : kDefaultFactors) factor_values[config.factor_count++] = factor;
  }
  if (factor_values[config.factor_count - 1] == 1) {  // the last exponent is solved by dividing by ln m
    parsed.verdict = ArgumentVerdict::kLastFactorOne;
  }
  return parsed;
}

void print_usage_pages() {
  write_console_only(kUsagePage1);
  wait_for_key();
  write_console_only(kUsagePage2);
  wait_for_key();
}

void print_argument_error(const ParsedArguments &parsed, const RunConfig &config) {
  switch (parsed.verdict) {
    case ArgumentVerdict::kZeroTarget:
      tee_printf(kReadRatioFormat, config.x, config.y);
      tee_printf(kZeroTargetText);
      break;
    case ArgumentVerdict::kBadRatio:
      tee_printf(kReadRatioFormat, config.x, config.y);
      tee_printf(kBadRatioText);
      break;
    case ArgumentVerdict::kBadFactor:
      tee_printf(kBadFactorFormat, parsed.bad_factor_reading, target_as_int(config.x), target_as_int(config.y));
      tee_printf(kBadFactorText);
      break;
    case ArgumentVerdict::kLastFactorOne:
      tee_printf(kLastFactorOneFormat, target_as_int(config.x), target_as_int(config.y));
      tee_printf(kLastFactorOneText);
      break;
    case ArgumentVerdict::kArgumentsOk:
    case ArgumentVerdict::kShowUsage:
      return;
  }
  tee_printf(kSeeUsageText);
}

void print_run_header(int argc, const char *const *argv) {
  char date[kDateBufferSize];
  if (format_local_date(date, sizeof date)) tee_printf(kDateLineFormat, date);
  tee_printf(kCommandLineTitle);
  for (int i = 1; i < argc; ++i) tee_printf(kCommandLineArgumentFormat, argv[i]);
  tee_printf(kHeaderEnd);
}

void print_search_header(const RunConfig &config, const int *factor_values) {
  if (config.range_mode) {
    tee_printf(kRangeHeaderFormat, config.x, config.y, config.range_low_cents, config.range_high_cents);
  } else {
    tee_printf(kSuccessiveHeaderFormat, config.x, config.y);
  }
  for (int j = 0; j < config.factor_count; ++j) {
    if (j > 0) tee_printf(kFactorSeparator);
    if (config.factor_count <= kLetteredFactorsMax) {
      tee_printf(kLetteredFactorFormat, factor_values[j], 'a' + j);
    } else {
      tee_printf(kNumberedFactorFormat, factor_values[j], j);
    }
  }
  tee_printf(kHeaderEnd);
  tee_printf(config.range_mode ? kRangeMaxQuotientFormat : kSuccessiveMaxQuotientFormat, config.max_quotient);
}

const char *const kUsagePage1 =
    "Finds succession of approximants to any ratio, of form\n"
    "m1^a1*m2^a2*m3^a3*...\n"
    "with mi, ni integer\n"
    "\n"
    "Try with mi such that each is either a distinct prime, or has a prime factor\n"
    "that doesn't divide any of the others\n"
    "- then by Kronecker's theorem you can get arbitrarily close approximants\n"
    "to any ratio\n"
    "\n"
    "Format:\n"
    "RATIOHUNT x y -1 m1 m2 ...\n"
    "where x/y is ratio to approximate. Here x, y can also be decimal.\n"
    "\n"
    "Example of use:\n"
    "ratiohunt 7 6\n"
    "\n"
    "- to find successive approx. to 7/6 of form 2^a*3^b*5^c\n"
    "(i.e. successive 5-limit approx)\n"
    "\n"
    "ratiohunt 7 6 -1 2 3 11\n"
    "\n"
    "- to find successive approx. to 7/6 of form 2^a*3^b*11^c\n"
    "\n"
    "Any number of factors to test for can be entered after the -1\n"
    "Factors to be tested can be composite.\n";

const char *const kUsagePage2 =
    "Three optional extra args: time out, max quotient,\n"
    "and precision\n"
    "\n"
    "Example of use:\n"
    "ratiohunt 7 6 1000000 5 4 -1 2 3 5\n"
    "to search up to max quotient = 1000000, show cents values with 5 digits\n"
    "of precision, and time out of 4 seconds (these are the defaults)\n"
    "\n"
    "the -1 can optionally be left out if all three extra args are supplied\n"
    "\n"
    "To search for commas and dieses, use -2 instead of -1 to show as monzos and\n"
    "show oall results found, not just successive approximations\n"
    "in this case next two numbers after the -2 give the cents range to\n"
    "search, e.g. to search for five limit dieses:\n"
    "ratiohunt 1 1 1000000 5 4 -2 40.0 60.0 2 3 5\n"
    "To set output file, do as first argument in brackets:\n"
    "ratiohunt (results.txt) 1 1 1000000 5 4 -2 40.0 60.0 2 3 5\n"
    "- values also output to results.txt. File name can't have spaces.\n";
