// The temperament calculator's command line: "ratiohunt [OPTION]... temper ITEM...",
// items being commas or vals, read into a temperament and shown as text or JSON.
#pragma once

#include <string>
#include <vector>

#include "driver/run_config.h"

constexpr const char *kTemperWord = "temper";

// Runs the command on the positional arguments after the word "temper"; returns the exit
// status. Errors are one line on stderr with status 2 and nothing on stdout.
int run_temper_command(const RunOptions &options, const std::vector<std::string> &arguments);
