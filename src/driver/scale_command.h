// The scale command, `ratiohunt [OPTIONS] scale ...`: a scale (equal division, degrees on
// the line, or a scale file) made just in a basis, shown as a table or records and
// written as scale and keyboard mapping files.
#pragma once

#include <cstdio>

// Whether the command line's first positional argument, once the options are set
// aside, is the word `scale`.
bool is_scale_command(int argc, const char *const *argv);

// Runs the scale command; returns the exit status (0, 1 when output failed, 2 for bad input).
int run_scale_command(int argc, const char *const *argv, FILE *console_out);
