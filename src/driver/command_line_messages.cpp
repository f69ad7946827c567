// The texts about the command line: the two usage pages, the argument errors and the
// run header that opens a results file's run with the date and the command line.
#include "driver/command_line.h"
#include "driver/output_channel.h"
#include "driver/platform.h"
#include "present/text_format.h"

namespace {

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

constexpr const char *kDateLineFormat = "%s\n";
constexpr size_t kDateBufferSize = 128;
constexpr const char *kCommandLineTitle = "command line:\n";
constexpr const char *kCommandLineArgumentFormat = " %s";
constexpr const char *kHeaderEnd = "\n\n";
constexpr const char *kReadRatioFormat = "Read: ratio to approx %s/%s\n";
constexpr const char *kZeroTargetText = "Denominator and denumerator have to be non zero.\n";
constexpr const char *kBadRatioText = "Ratio to approx has to be positive and finite.\n";
constexpr const char *kBadFactorFormat = "Read: %d as one of the factors to look for, ratio to approx %d/%d\n";
constexpr const char *kBadFactorText = "All factors need to be positive and non zero\n";
constexpr const char *kLastFactorOneFormat = "Read: 1 as the last factor to look for, ratio to approx %d/%d\n";
constexpr const char *kLastFactorOneText = "The last factor needs to be 2 or more\n";
constexpr const char *kSeeUsageText = "Run prog without any args for example of use\n";

void print_read_ratio(const RunConfig &config) {
  tee_printf(kReadRatioFormat, ratio_number_text(config.search.x).c_str(), ratio_number_text(config.search.y).c_str());
}

}  // namespace

void print_usage_pages() {
  write_console_only(kUsagePage1);
  wait_for_key();
  write_console_only(kUsagePage2);
  wait_for_key();
}

void print_argument_error(const ParsedArguments &parsed, const RunConfig &config) {
  switch (parsed.verdict) {
    case ArgumentVerdict::kZeroTarget:
      print_read_ratio(config);
      tee_printf(kZeroTargetText);
      break;
    case ArgumentVerdict::kBadRatio:
      print_read_ratio(config);
      tee_printf(kBadRatioText);
      break;
    case ArgumentVerdict::kBadFactor:
      tee_printf(kBadFactorFormat, parsed.bad_factor_reading, target_as_int(config.search.x),
                 target_as_int(config.search.y));
      tee_printf(kBadFactorText);
      break;
    case ArgumentVerdict::kLastFactorOne:
      tee_printf(kLastFactorOneFormat, target_as_int(config.search.x), target_as_int(config.search.y));
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
