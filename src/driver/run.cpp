// One run of the program from its command line to its end: the argument checks, the
// run and search headers, the search with its results rendered as text, the report and
// the key wait before exit.
#include "driver/run.h"

#include <new>
#include <string>

#include "driver/command_line.h"
#include "driver/output_channel.h"
#include "driver/result_sinks.h"

namespace {

constexpr const char *kOutOfMemoryFormat = "Out of memory, %g Kb extra needed";

void report_out_of_memory(int argc) {
  // About what a run needs besides its search: the factor arrays and the result log.
  double bytes = 20.0 * (argc > 4 ? argc : 4) + sizeof(double) * kResultLogCapacity;
  tee_printf(kOutOfMemoryFormat, bytes / 1024);
  wait_for_key();
}

void run_search_as_text(const RunConfig &config) {
  TextSink sink(config, write_output);
  sink.renderer().write_search_header();
  run_search(config.search, sink);
}

void run_program(int argc, const char *const *argv) {
  RunConfig config;
  ParsedArguments parsed = read_command_line(argc, argv, config);
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
  run_search_as_text(config);
  wait_for_key();
}

}  // namespace

int run_ratiohunt(int argc, const char *const *argv, FILE *console_out, FILE *console_in) {
  open_output_channel(console_out, console_in);
  try {
    run_program(argc, argv);
  } catch (const std::bad_alloc &) {
    report_out_of_memory(argc);
  }
  close_output_channel();
  return 0;
}
