// The program's whole run as a callable function, so tests and the fuzzer can run it
// in-process: command line, headers, search, report, key wait.
#pragma once

#include <cstdio>

// Runs the program once on argv (program name first) with the given console streams.
// Nothing is carried from one run to the next. Returns the exit status.
int run_ratiohunt(int argc, const char *const *argv, FILE *console_out, FILE *console_in);
