// Test and benchmark harness: runs code with the output channel bound to a scratch
// console and returns what it printed; runs a search loop on a command line and keeps
// what it handed to its sink.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "search/search.h"

std::string capture_output(const std::function<void()> &body);

// Runs the whole program on the given arguments (program name added) with an empty
// console input, and returns its console output.
std::string capture_run(const std::vector<std::string> &args);

using SearchLoop = SearchSummary (*)(const SearchParams &, ResultSink &);

// An accepted approximant as the sink received it.
struct Record {
  std::vector<int> exponents;
  double log_size;
  double cents;
  double distance;
};

struct SearchOutcome {
  bool arguments_ok = false;
  SearchSummary summary;
  std::vector<Record> records;
  std::vector<double> result_log;  // the sizes in cents the report lists (at most 1000)
  std::string text;                // the text rendering: approximants, then the report
};

// Reads args (program name added) as the command line and runs the search loop on it.
// Without render_text only the counts and records are kept (for benchmarks).
SearchOutcome search_with(const std::vector<std::string> &args, SearchLoop loop, bool render_text = true);
