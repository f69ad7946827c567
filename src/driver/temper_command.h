// The temperament calculator's command line: "ratiohunt [OPTION]... temper ITEM...",
// items being commas or vals, read into a temperament and shown as text or JSON.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "driver/run_config.h"

constexpr const char *kTemperWord = "temper";

// Runs the command on the positional arguments after the word "temper"; returns the exit
// status. Errors are one line on stderr with status 2 and nothing on stdout. The command
// line is for the comments of the files --mos writes; console_out is standard output.
int run_temper_command(const RunOptions &options, const std::vector<std::string> &arguments,
                       const std::string &command_line, FILE *console_out);
