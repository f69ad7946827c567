// The command line: the positional grammar read into a run configuration, and the texts
// about it (usage pages, argument errors, the run header that echoes it). Reading prints
// nothing, so the run decides what is shown and in what order.
#pragma once

#include "driver/run_config.h"

constexpr double kDefaultMaxQuotient = 1000000.0;
constexpr int kDefaultPrecision = 5;
constexpr double kDefaultTimeOutSeconds = 4.0;
constexpr double kDefaultRangeLowCents = 40.0;
constexpr double kDefaultRangeHighCents = 60.0;
constexpr int kDefaultFactors[] = {2, 3, 5};
constexpr int kRangeModeArgument = -2;

// How reading the command line ended; every verdict but kArgumentsOk ends the run.
enum class ArgumentVerdict { kArgumentsOk, kShowUsage, kZeroTarget, kBadRatio, kBadFactor, kLastFactorOne };

struct ParsedArguments {
  ArgumentVerdict verdict = ArgumentVerdict::kArgumentsOk;
  bool has_results_file = false;  // the first argument is in brackets
  int results_name_length = 0;    // the name starts after the "(" of argv[1]
  int bad_factor_reading = 0;     // the integer reading of a rejected factor
};

// The C library's atoi, but clamped to the int range instead of undefined beyond it.
int read_int_argument(const char *text);
// The C library's strtod: longest valid prefix, 0 when there is no number.
double read_number_argument(const char *text);

// Reads the whole command line into config. Prints nothing.
ParsedArguments read_command_line(int argc, const char *const *argv, RunConfig &config);

// The int a target number shows in the factor messages: truncated, clamped to the int range.
int target_as_int(double value);

// ---- Texts about the command line (command_line_messages.cpp) ----------------------
// Both usage pages on the console only, a key wait after each.
void print_usage_pages();
// The messages of an argument error, through the output channel.
void print_argument_error(const ParsedArguments &parsed, const RunConfig &config);
// The date line and the command line as typed, which open a results file's run.
void print_run_header(int argc, const char *const *argv);
