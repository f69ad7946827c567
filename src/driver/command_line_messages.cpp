// The texts about the command line: the help page, the version, the two usage pages,
// the argument errors and the run header that opens a results file's run with the date
// and the command line.
#include <cstdio>

#include "driver/command_line.h"
#include "driver/defaults.h"
#include "driver/options.h"
#include "driver/output_channel.h"
#include "driver/platform.h"
#include "present/records.h"
#include "present/search_refusals.h"
#include "present/text_format.h"

#ifndef RATIOHUNT_VERSION
#define RATIOHUNT_VERSION "unknown"
#endif

namespace {

// The help fits one screen: at most 24 lines of at most 79 characters. The defaults it
// names and its option lines come from where they are defined.
std::string help_page() {
  const std::string factors = std::to_string(kDefaultFactors[0]) + " " + std::to_string(kDefaultFactors[1]) + " " +
                              std::to_string(kDefaultFactors[2]);
  return "Usage: ratiohunt [OPTION]... [\"(FILE)\"] TARGET [MAXQ [PREC [TIMEOUT]]]\n"
         "                 [-1 | -2 LOW HIGH] [M]...\n"
         "Finds approximations of TARGET by products of powers M1^a1 * M2^a2 * ...\n"
         "  TARGET         7/6 or 7 6; cents '700c'; EDO steps '7\\12'; monzo '[-4 4 -1>'\n"
         "  MAXQ PREC TIMEOUT  max quotient " +
         shortest_number_text(kDefaultMaxQuotient) + ", cents digits " + std::to_string(kDefaultPrecision) +
         ", seconds " + shortest_number_text(kDefaultTimeOutSeconds) +
         "\n"
         "  -1 | -2 LOW HIGH   each closer than all before | all LOW to HIGH cents away\n"
         "  M...           integer factors after the mode, the last 2 or more (" +
         factors +
         ")\n"
         "  (FILE)         also write everything to FILE\n"
         "Options, anywhere on the line (-- ends them):\n" +
         option_help_lines() +
         "Example: ratiohunt --limit=13 1/1 -2 0 2   13-limit commas under 2 cents\n"
         "Commands: ratiohunt temper ITEM... | scale SCALE...  (each with --help)\n"
         "Quote ( \\ < > [ | for the shell. Run 'man ratiohunt' for the whole story.\n";
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

constexpr size_t kDateBufferSize = 128;

}  // namespace

void print_usage_pages() {
  write_console_only(kUsagePage1);
  wait_for_key(KeyPrompt::kContinue);
  write_console_only(kUsagePage2);
  wait_for_key(KeyPrompt::kExit);
}

void print_usage_pages_to_stderr() {
  std::fputs(kUsagePage1, stderr);
  std::fputs(kUsagePage2, stderr);
}

std::string argument_error_text(ProblemKind kind, const SearchParams &search, int bad_factor) {
  SearchRefusal refusal = SearchRefusal::kNone;
  switch (kind) {
    case ProblemKind::kZeroTarget:
      refusal = SearchRefusal::kZeroTarget;
      break;
    case ProblemKind::kBadRatio:
      refusal = SearchRefusal::kBadRatio;
      break;
    case ProblemKind::kBadFactor:
      refusal = SearchRefusal::kBadFactor;
      break;
    case ProblemKind::kLastFactorOne:
      refusal = SearchRefusal::kLastFactorOne;
      break;
    case ProblemKind::kNone:
    case ProblemKind::kShowUsage:
    case ProblemKind::kBadOption:
    case ProblemKind::kBadTarget:
      break;
  }
  return search_refusal_text(refusal, search.x, search.y, bad_factor);
}

void print_run_header(int argc, const char *const *argv) {
  char date[kDateBufferSize];
  std::string header;
  if (format_local_date(date, sizeof date)) header += std::string(date) + "\n";
  header += "command line:\n";
  for (int i = 1; i < argc; ++i) header += std::string(" ") + argv[i];
  write_output(header + "\n\n");
}

void print_help() { write_console_only(help_page().c_str()); }

void print_version() { write_console_only("ratiohunt " RATIOHUNT_VERSION "\n"); }

void print_option_error(const std::string &error) {
  std::fputs(("ratiohunt: " + error + "\nTry 'ratiohunt --help'.\n").c_str(), stderr);
}
