// The command line: the positional grammar read into a run configuration, and the texts
// about it (usage pages, argument errors, the run header that echoes it). Reading prints
// nothing, so the run decides what is shown and in what order.
#pragma once

#include <string>

#include "driver/problem.h"
#include "driver/run_config.h"
#include "present/search_refusals.h"  // target_as_int

constexpr int kRangeModeArgument = -2;

struct ParsedArguments {
  Problem problem;                // what ends the run before a search; none when it may search
  bool has_results_file = false;  // the first positional argument is in brackets
  std::string results_name;       // inside the brackets; empty for "()"
};

// The C library's atoi, but clamped to the int range instead of undefined beyond it.
int read_int_argument(const std::string &text);

// Reads the whole command line into config: options first, wherever they stand, then the
// positional arguments. Prints nothing. With --help or --version nothing else is read.
ParsedArguments read_command_line(int argc, const char *const *argv, RunConfig &config);

// ---- Texts about the command line (command_line_messages.cpp) ----------------------
// Both usage pages on the console only, a key wait after each.
void print_usage_pages();
// Both usage pages on standard error, with no key wait (the structured output's way).
void print_usage_pages_to_stderr();
// The lines that tell an argument error (a zero target, a bad factor, ...), as read so far
// into search; bad_factor is the rejected factor's reading.
std::string argument_error_text(ProblemKind kind, const SearchParams &search, int bad_factor);
// The date line and the command line as typed, which open a results file's run.
void print_run_header(int argc, const char *const *argv);
// The one-page help on the console.
void print_help();
// "ratiohunt X.Y.Z" on the console.
void print_version();
// What is wrong with an option or the target, and where to look, on stderr.
void print_option_error(const std::string &error);
