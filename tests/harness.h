// Test and benchmark harness: runs code with the output channel bound to a scratch
// console and returns what it printed; runs a search loop on a command line.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "search/search.h"

std::string capture_output(const std::function<void()> &body);

// Runs the whole program on the given arguments (program name added) with an empty
// console input, and returns its console output.
std::string capture_run(const std::vector<std::string> &args);

// The folded form of signed exponents, as the printers take them.
std::vector<int> fold_all(const std::vector<int> &exponents);

using SearchLoop = void (*)(const RunConfig &, const FactorTable &, int *, double *, SearchState &);

struct SearchOutcome {
  bool arguments_ok;
  SearchState state;
  std::vector<double> result_log;  // the found count's entries
  std::string output;              // empty when the search wrote to a given console
};

// Reads args (program name added) as the command line, sets up the factor table and
// runs the search loop, with its output going to console, or captured when it is null.
SearchOutcome search_with(const std::vector<std::string> &args, SearchLoop loop, FILE *console = nullptr);
