// One run of the program from its command line to its exit status: the options, the
// argument checks, the headers, the search with its results rendered as text or as
// records, the report and the key wait before exit.
#include "driver/run.h"

#include <new>
#include <string>

#include "driver/command_line.h"
#include "driver/interrupts.h"
#include "driver/output_channel.h"
#include "driver/platform.h"
#include "driver/progress_line.h"
#include "driver/result_sinks.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitOutputLost = 1;  // the results file or standard output failed
constexpr int kExitUsage = 2;       // a bad option, or a bad command line under --format
constexpr int kExitBySignal = 128;  // plus the signal's number
constexpr const char *kOutOfMemoryFormat = "Out of memory, %g Kb extra needed";

void report_out_of_memory(int argc) {
  // About what a run needs besides its search: the factor arrays and the result log.
  double bytes = 20.0 * (argc > 4 ? argc : 4) + sizeof(double) * kResultLogCapacity;
  tee_printf(kOutOfMemoryFormat, bytes / 1024);
  wait_for_key(KeyPrompt::kExit);
}

void write_to_stderr(const std::string &text) { std::fputs(text.c_str(), stderr); }

// The run's output: once standard output fails there is no one to show results to, so
// the search is asked to stop.
void write_results(const std::string &text) {
  write_output(text);
  if (console_failed()) request_stop_for_lost_output();
}

// Runs the search with the progress line in front of the sink when it can be seen.
void search_into(const RunConfig &config, ResultSink &sink) {
  if (config.options.quiet || !stream_is_terminal(stderr)) {
    run_search(config.search, sink);
    return;
  }
  // The results' unfinished line counts only when they go to the same terminal.
  bool shared = stream_is_terminal(stdout);
  ProgressLine progress(
      sink, stderr, terminal_columns(stderr), [shared] { return shared ? console_terminal_column() : 0; },
      config.search);
  run_search(config.search, progress);
}

void run_text(const RunConfig &config) {
  TextSink sink(config, write_results);
  sink.renderer().write_search_header();
  search_into(config, sink);
}

void run_records(const RunConfig &config) {
  bool csv = config.options.format == OutputFormat::kCsv;
  RecordSink sink(config, write_results, csv ? TextWriter(write_to_stderr) : TextWriter(write_results));
  search_into(config, sink);
}

// The key waits are for a person at a console: not for scripts, pipes or the help.
bool waits_for_keys(const RunConfig &config, FILE *console_out, FILE *console_in) {
  if (config.options.no_wait || config.options.format != OutputFormat::kText) return false;
  bool piped_from_a_person = console_in != nullptr && stream_is_terminal(console_in) && console_out != nullptr &&
                             !stream_is_terminal(console_out);
  return !piped_from_a_person;
}

// The structured output: no headers, no key waits; every problem goes to stderr.
int run_structured(const RunConfig &config, const ParsedArguments &parsed, FILE *console_out) {
  set_key_waits(false);
  set_binary_mode(console_out);  // LF line ends on every platform
  set_binary_mode(stderr);
  if (parsed.verdict == ArgumentVerdict::kShowUsage) {
    print_usage_pages_to_stderr();
    return kExitUsage;
  }
  if (parsed.verdict != ArgumentVerdict::kArgumentsOk) {
    write_to_stderr(argument_error_text(parsed, config));
    return kExitUsage;
  }
  set_flush_each_message(true);
  if (parsed.has_results_file && !parsed.results_name.empty()) open_results_file(parsed.results_name.c_str(), true);
  run_records(config);
  return kExitOk;
}

int run_program(int argc, const char *const *argv, FILE *console_out, FILE *console_in) {
  RunConfig config;
  ParsedArguments parsed = read_command_line(argc, argv, config);
  config.search.interrupt = stop_flag();
  if (parsed.verdict == ArgumentVerdict::kBadOption) {
    print_option_error(parsed.option_error);
    return kExitUsage;
  }
  if (config.options.show_help) {
    print_help();
    return kExitOk;
  }
  if (config.options.show_version) {
    print_version();
    return kExitOk;
  }
  if (config.options.format != OutputFormat::kText) return run_structured(config, parsed, console_out);
  set_key_waits(waits_for_keys(config, console_out, console_in));
  if (parsed.verdict == ArgumentVerdict::kShowUsage) {
    print_usage_pages();
    return kExitOk;
  }
  if (parsed.has_results_file) {
    if (!parsed.results_name.empty()) open_results_file(parsed.results_name.c_str(), false);
    print_run_header(argc, argv);
  }
  if (parsed.verdict != ArgumentVerdict::kArgumentsOk) {
    write_output(argument_error_text(parsed, config));
    wait_for_key(KeyPrompt::kExit);
    return kExitOk;
  }
  run_text(config);
  if (interrupting_signal() == 0) wait_for_key(KeyPrompt::kExit);
  return kExitOk;
}

}  // namespace

int run_ratiohunt(int argc, const char *const *argv, FILE *console_out, FILE *console_in) {
  open_output_channel(console_out, console_in);
  clear_stop_flag();
  int status = kExitOk;
  try {
    status = run_program(argc, argv, console_out, console_in);
  } catch (const std::bad_alloc &) {
    report_out_of_memory(argc);
  }
  bool output_complete = close_output_channel();
  if (interrupting_signal() != 0) return kExitBySignal + interrupting_signal();
  if (!output_complete && status == kExitOk) return kExitOutputLost;
  return status;
}
