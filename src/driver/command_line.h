// The command line: the positional grammar read into a run configuration, and the texts
// about it (usage pages, argument errors, the run header that echoes it). Reading prints
// nothing, so the run decides what is shown and in what order.
#pragma once

#include <string>

#include "driver/run_config.h"

constexpr int kRangeModeArgument = -2;

// How reading the command line ended; every verdict but kArgumentsOk ends the run.
enum class ArgumentVerdict {
  kArgumentsOk,
  kShowUsage,
  kZeroTarget,
  kBadRatio,
  kBadFactor,
  kLastFactorOne,
  kBadOption,  // an unknown or malformed option, or a malformed N/D target
};

struct ParsedArguments {
  ArgumentVerdict verdict = ArgumentVerdict::kArgumentsOk;
  bool has_results_file = false;  // the first positional argument is in brackets
  std::string results_name;       // inside the brackets; empty for "()"
  int bad_factor_reading = 0;     // the integer reading of a rejected factor
  std::string option_error;       // what is wrong, for kBadOption
};

// The C library's atoi, but clamped to the int range instead of undefined beyond it.
int read_int_argument(const std::string &text);

// Reads the whole command line into config: options first, wherever they stand, then the
// positional arguments. Prints nothing. With --help or --version nothing else is read.
ParsedArguments read_command_line(int argc, const char *const *argv, RunConfig &config);

// The int a target number shows in the factor messages: truncated, clamped to the int range.
int target_as_int(double value);

// ---- Texts about the command line (command_line_messages.cpp) ----------------------
// Both usage pages on the console only, a key wait after each.
void print_usage_pages();
// Both usage pages on standard error, with no key wait (the structured output's way).
void print_usage_pages_to_stderr();
// The messages of an argument error such as a zero target or a bad factor.
std::string argument_error_text(const ParsedArguments &parsed, const RunConfig &config);
// The date line and the command line as typed, which open a results file's run.
void print_run_header(int argc, const char *const *argv);
// The one-page help on the console.
void print_help();
// "ratiohunt X.Y.Z" on the console.
void print_version();
// What is wrong with an option, and where to look, on stderr.
void print_option_error(const std::string &error);
