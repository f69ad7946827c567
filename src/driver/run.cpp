// One run of the program from its command line to its teardown: allocation of the
// per-run arrays, the argument checks, the headers, the search and the report.
// Every path waits for one key and returns 0, and frees all it allocated.
#include <cstdlib>
#include <string>

#include "driver/driver.h"
#include "search/search.h"

namespace {

struct RunArrays {
  int *factor_values;
  int *exponents;
  double *factor_logs;
  int *factor_limits;
  double *result_log;
  int entries;
};

bool allocate_run_arrays(int argc, RunArrays &arrays) {
  arrays.entries = argc > kMinArrayEntries ? argc : kMinArrayEntries;
  size_t n = static_cast<size_t>(arrays.entries);
  arrays.factor_values = static_cast<int *>(std::calloc(n, sizeof(int)));
  arrays.exponents = static_cast<int *>(std::calloc(n, sizeof(int)));
  arrays.factor_logs = static_cast<double *>(std::calloc(n, sizeof(double)));
  arrays.factor_limits = static_cast<int *>(std::calloc(n, sizeof(int)));
  arrays.result_log = static_cast<double *>(std::calloc(kResultLogCapacity, sizeof(double)));
  return arrays.factor_values != nullptr && arrays.exponents != nullptr && arrays.factor_logs != nullptr &&
         arrays.factor_limits != nullptr && arrays.result_log != nullptr;
}

void free_run_arrays(RunArrays &arrays) {
  std::free(arrays.factor_logs);
  std::free(arrays.factor_values);
  std::free(arrays.factor_limits);
  std::free(arrays.exponents);
  std::free(arrays.result_log);
  arrays = RunArrays{};
}

void report_out_of_memory(const RunArrays &arrays) {
  double bytes = 20.0 * arrays.entries + sizeof(double) * kResultLogCapacity;
  tee_printf(kOutOfMemoryFormat, bytes / 1024);
  wait_for_key();
}

void run_with_arrays(int argc, const char *const *argv, RunArrays &arrays) {
  RunConfig config{};
  ParsedArguments parsed = read_command_line(argc, argv, config, arrays.factor_values);
  if (parsed.verdict == ArgumentVerdict::kShowUsage) {
    print_usage_pages();
    return;
  }
  if (parsed.has_results_file) {
    std::string name(argv[1] + 1, static_cast<size_t>(parsed.results_name_length));
    if (!name.empty()) open_results_file(name.c_str());
    print_run_header(argc, argv);
  }
  if (parsed.verdict != ArgumentVerdict::kArgumentsOk) {
    print_argument_error(parsed, config);
    wait_for_key();
    return;
  }
  FactorTable table{arrays.factor_values, arrays.factor_logs, arrays.factor_limits};
  fill_factor_table(config, table);
  SearchState state{};
  start_search(config, table, state);
  print_search_header(config, table.values);
  run_search(config, table, arrays.exponents, arrays.result_log, state);
  print_report(config, state, arrays.result_log);
  wait_for_key();
}

}  // namespace

int run_ratiohunt(int argc, const char *const *argv, FILE *console_out, FILE *console_in) {
  open_output_channel(console_out, console_in);
  RunArrays arrays{};
  if (allocate_run_arrays(argc, arrays)) {
    run_with_arrays(argc, argv, arrays);
  } else {
    report_out_of_memory(arrays);
  }
  free_run_arrays(arrays);
  close_output_channel();
  return 0;
}
