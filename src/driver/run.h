// The program's whole run as a callable function, so tests and the fuzzer can run it
// in-process: command line, headers, search, report, key wait.
#pragma once

#include <cstdio>

// The exit statuses, each named for what it tells a script.
constexpr int kExitOk = 0;
// The run's output is incomplete: the results file or standard output failed, or
// memory ran out.
constexpr int kExitOutputIncomplete = 1;
// A bad option or target, or under --format any command line that cannot search.
constexpr int kExitBadCommandLine = 2;
constexpr int kExitSignalBase = 128;  // plus the number of the signal that ended the run

// Runs the program once on argv (program name first) with the given console streams.
// Nothing is carried from one run to the next. Returns the exit status.
int run_ratiohunt(int argc, const char *const *argv, FILE *console_out, FILE *console_in);
