// One run of the program from its command line to its exit status: the options, the
// argument checks, the results file, the search with its results rendered as text or as
// records, the report and the key wait before exit. Text and records share this one path;
// where they differ (where problems are said, key waits, line ends) an OutputStyle says.
#include "driver/run.h"

#include <functional>
#include <new>
#include <string>

#include "driver/command_line.h"
#include "driver/interrupts.h"
#include "driver/options.h"
#include "driver/output_channel.h"
#include "driver/platform.h"
#include "driver/progress_line.h"
#include "driver/scale_command.h"
#include "driver/scale_files.h"
#include "driver/shard_merge.h"
#include "driver/temper_command.h"
#include "present/result_sinks.h"
#include "present/text_format.h"

namespace {

// How a run shows what is not a result. Text is for a person at a console: usage pages
// and argument errors go to the console (and the results file, after its run header) and
// the run waits for a key. Records are for scripts: everything but the records goes to
// standard error, a bad command line exits 2 and writes no file, and nothing waits.
struct OutputStyle {
  bool records = false;
  FileMode file_mode = FileMode::kText;
  // Records go to a pipe or a file, not to a terminal: they are written in batches (and
  // at each progress report, a few times a second), as a write per record would cost the
  // system more than making it.
  bool gather_records = false;
};

OutputStyle output_style(const RunConfig &config, FILE *console_out) {
  OutputStyle style;
  // A shard file is records too: for the merge, never for a person.
  style.records = config.options.format != OutputFormat::kText || config.options.shard > 0;
  style.file_mode = style.records ? FileMode::kBinary : FileMode::kText;
  style.gather_records = style.records && (console_out == nullptr || !stream_is_terminal(console_out));
  return style;
}

// Text says it on the console and in the results file and waits for a key; records say
// it on standard error, where their readers expect whatever is not a record.
int report_out_of_memory(int argc, const OutputStyle &style) {
  // About what a run needs besides its search: the factor arrays (some bytes for each
  // argument, as if there were at least a few) and the result log.
  constexpr double kFactorBytesPerArgument = 20.0;
  constexpr int kFewestArgumentsCounted = 4;
  constexpr double kBytesPerKb = 1024.0;
  double arguments = argc > kFewestArgumentsCounted ? argc : kFewestArgumentsCounted;
  double kb = (kFactorBytesPerArgument * arguments + sizeof(double) * kResultLogCapacity) / kBytesPerKb;
  if (style.records) {
    std::fputs(("ratiohunt: out of memory, " + number_text(kOutOfMemoryKbFormat, kb) + " Kb extra needed\n").c_str(),
               stderr);
  } else {
    write_output("Out of memory, " + number_text(kOutOfMemoryKbFormat, kb) + " Kb extra needed");
    wait_for_key(KeyPrompt::kExit);
  }
  return kExitOutputIncomplete;
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

// Where a run's results come from: the search, or the merge's replay of shards.
using ResultSource = std::function<void(ResultSink &)>;

// Where the records' summary line goes: after the records, or on stderr for CSV, whose
// rows all have the same columns.
TextWriter summary_writer(const RunConfig &config) {
  return config.options.format == OutputFormat::kCsv ? TextWriter(write_to_stderr) : TextWriter(write_results);
}

// Renders what the source hands over: the search header and text, or records.
// write_summary takes the records' summary line.
void render(const RunConfig &config, const OutputStyle &style, const ResultSource &source,
            const TextWriter &write_summary) {
  if (!style.records) {
    TextSink sink(run_view(config), write_results);
    sink.renderer().write_search_header();
    source(sink);
    return;
  }
  bool csv = config.options.format == OutputFormat::kCsv;
  RecordSink sink(run_view(config), csv ? RecordFormat::kCsv : RecordFormat::kJson, write_results, write_summary,
                  style.gather_records ? kWritePieceBytes : 0);
  try {
    source(sink);
  } catch (...) {
    sink.flush_records();  // the records found before the failure are not lost with it
    throw;
  }
  // A source that stops without finishing (a merge whose shard file cannot be read again)
  // has still found the records it gave.
  sink.flush_records();
}

// Searches and renders, or for a shard writes its shard file.
void search_and_render(const RunConfig &config, const OutputStyle &style) {
  if (config.options.shard > 0) {
    if (!write_shard(config, write_results)) {
      write_to_stderr("ratiohunt: shard " + std::to_string(config.options.shard) + "/" +
                      std::to_string(config.options.shards) +
                      " stopped before its last block; its file says where, and the merge will say it too\n");
    }
    return;
  }
  render(
      config, style, [&](ResultSink &sink) { search_into(config, sink); }, summary_writer(config));
}

// The key waits are for a person at a console: not for scripts, pipes or the help.
bool waits_for_keys(const RunConfig &config, const OutputStyle &style, FILE *console_out, FILE *console_in) {
  if (config.options.no_wait || style.records) return false;
  bool piped_from_a_person = console_in != nullptr && stream_is_terminal(console_in) && console_out != nullptr &&
                             !stream_is_terminal(console_out);
  return !piped_from_a_person;
}

void prepare_console(const RunConfig &config, const OutputStyle &style, FILE *console_out, FILE *console_in) {
  set_key_waits(waits_for_keys(config, style, console_out, console_in));
  if (!style.records) return;
  set_binary_mode(console_out);  // LF line ends on every platform
  set_binary_mode(stderr);
  set_flush_each_message(true);  // records for a pipe are read as they come
}

int show_usage(const OutputStyle &style) {
  if (style.records) {
    print_usage_pages_to_stderr();
    return kExitBadCommandLine;
  }
  print_usage_pages();
  return kExitOk;
}

int report_argument_error(const Problem &problem, const OutputStyle &style) {
  if (style.records) {
    write_to_stderr(problem.message);
    return kExitBadCommandLine;
  }
  write_output(problem.message);
  wait_for_key(KeyPrompt::kExit);
  return kExitOk;
}

// Text opens its results file whatever the arguments, with the run's date and command
// line, so that a mistyped run is on file too; records open it only for a search.
void open_results(const ParsedArguments &parsed, const OutputStyle &style, int argc, const char *const *argv) {
  if (!parsed.results_name.empty()) open_results_file(parsed.results_name.c_str(), style.file_mode);
  if (!style.records) print_run_header(argc, argv);
}

// The summary of a merge that stopped at a shard's unwalked block: its end says so and
// names the shards that did not finish.
std::string incomplete_summary(std::string summary, const std::vector<int> &unfinished) {
  const std::string time_out = "\"end\":\"time_out\"";
  size_t at = summary.find(time_out);
  if (at == std::string::npos) return summary;
  std::string shards;
  for (int shard : unfinished) shards += (shards.empty() ? "" : ",") + std::to_string(shard);
  return summary.replace(at, time_out.size(), "\"end\":\"incomplete\",\"unfinished_shards\":[" + shards + "]");
}

// The options that would change the search a merge replays: its shard files hold the query,
// so these belong on the shards' command line, not the merge's. Returns the first given, or "".
std::string search_option_given_to_merge(const RunOptions &options) {
  if (!options.factors_option.empty()) return options.factors_option;
  if (options.complete) return "--complete";
  if (options.every_vector != kDefaultEveryVector) return "--every-vector";
  if (options.has_time_out) return "--time-out";
  return "";
}

// --merge: the positional arguments are shard files; prints what one run of their search
// prints. A shard file that does not belong exits 2 with nothing on stdout; shards that
// did not finish give what one run stopped at their first unwalked block gives, and exit 1.
int run_merge(const RunOptions &options, const std::vector<std::string> &names, FILE *console_out, FILE *console_in,
              OutputStyle &style) {
  const std::string search_option = search_option_given_to_merge(options);
  if (!search_option.empty()) {
    write_to_stderr("ratiohunt: --merge: " + search_option +
                    " changes the search, which the shard files hold; give it to the shards\n");
    return kExitBadCommandLine;
  }
  if (!options.mos_options.empty()) {
    write_to_stderr("ratiohunt: --merge: " + options.mos_options[0] + " means nothing to a merge\n");
    return kExitBadCommandLine;
  }
  MergeInputs inputs;
  if (console_in != nullptr) set_binary_mode(console_in);  // shard files are bytes, LF on every platform
  std::string problem = index_shards(names, console_in, inputs);
  if (problem.empty() && options.shard > 0) problem = "--shard: a merge runs no shard";
  if (!problem.empty()) {
    write_to_stderr("ratiohunt: --merge: " + problem + "\n");
    return kExitBadCommandLine;
  }
  RunConfig config = config_of_shards(inputs);
  config.options = options;
  style = output_style(config, console_out);
  prepare_console(config, style, console_out, console_in);
  set_key_waits(false);  // the merge is for scripts, whatever its format
  MergeOutcome outcome;
  std::string summary;
  render(
      config, style, [&](ResultSink &sink) { outcome = replay_shards(inputs, sink); },
      [&](const std::string &text) { summary += text; });
  if (!outcome.unfinished.empty()) summary = incomplete_summary(summary, outcome.unfinished);
  if (!summary.empty()) summary_writer(config)(summary);
  if (!outcome.problem.empty()) {
    write_to_stderr("ratiohunt: --merge: " + outcome.problem + "\n");
    return kExitBadCommandLine;
  }
  if (!outcome.unfinished.empty()) {
    std::string shards;
    for (int shard : outcome.unfinished) shards += " " + std::to_string(shard);
    write_to_stderr("ratiohunt: --merge: shards that did not finish:" + shards +
                    "; the output stops at the first block they left unwalked\n");
    return kExitOutputIncomplete;
  }
  return kExitOk;
}

// The word that selects a command of its own when it is the first positional argument
// (options may stand before it); the command then gets the options and what follows.
// `scale` has options of its own, so it reads its whole line itself; `temper` is taken
// only when the program's options read without a problem, and not for --version.
bool run_named_command(int argc, const char *const *argv, FILE *console_out, int &status) {
  if (is_scale_command(argc, argv)) {
    status = run_scale_command(argc, argv, console_out);
    return true;
  }
  RunOptions options;
  std::vector<std::string> positional;
  if (take_options(argc, argv, options, positional) || positional.empty()) return false;
  if (positional[0] != kTemperWord || options.show_version) return false;
  std::string search_option = search_only_option(options);
  if (search_option.empty() && options.has_time_out) search_option = "--time-out";
  if (!search_option.empty()) {
    write_to_stderr("ratiohunt: temper: " + search_option + " means nothing to the temper command\n");
    status = kExitBadCommandLine;
    return true;
  }
  status = run_temper_command(options, std::vector<std::string>(positional.begin() + 1, positional.end()),
                              command_line_text(argc, argv), console_out);
  return true;
}

// Runs the program; style tells, as soon as it is known, how the run shows things.
int run_program(int argc, const char *const *argv, FILE *console_out, FILE *console_in, OutputStyle &style) {
  int command_status = kExitOk;
  if (run_named_command(argc, argv, console_out, command_status)) return command_status;
  {
    RunOptions options;
    std::vector<std::string> names;
    if (!take_options(argc, argv, options, names) && options.merge && !options.show_help && !options.show_version) {
      return run_merge(options, names, console_out, console_in, style);
    }
  }
  RunConfig config;
  ParsedArguments parsed = read_command_line(argc, argv, config);
  config.search.interrupt = stop_flag();
  const Problem &problem = parsed.problem;
  if (problem.kind == ProblemKind::kBadOption || problem.kind == ProblemKind::kBadTarget) {
    print_option_error(problem.message);
    return kExitBadCommandLine;
  }
  if (config.options.show_help) {
    print_help();
    return kExitOk;
  }
  if (config.options.show_version) {
    print_version();
    return kExitOk;
  }
  if (config.options.shard > 0 && config.options.format_given) {
    print_option_error("--format: a shard writes its shard file; give --format to the merge");
    return kExitBadCommandLine;
  }
  if (config.options.shard > 0 && config.options.factor_vals) {
    print_option_error("--factor-vals: a shard writes its shard file; give --factor-vals to the merge");
    return kExitBadCommandLine;
  }
  style = output_style(config, console_out);
  prepare_console(config, style, console_out, console_in);
  if (problem.kind == ProblemKind::kShowUsage) return show_usage(style);
  if (parsed.has_results_file && (!problem || !style.records)) open_results(parsed, style, argc, argv);
  if (problem) return report_argument_error(problem, style);
  if (config.options.shard > 0 && !config.options.has_time_out) {
    write_to_stderr("ratiohunt: --shard: the time out is the default " +
                    number_text(kEndSecondsFormat, kDefaultTimeOutSeconds) +
                    " s; a survey needs a larger one, such as --time-out=1e9\n");
  }
  search_and_render(config, style);
  if (!style.records && interrupting_signal() == 0) wait_for_key(KeyPrompt::kExit);
  return kExitOk;
}

}  // namespace

int run_ratiohunt(int argc, const char *const *argv, FILE *console_out, FILE *console_in) {
  open_output_channel(console_out, console_in);
  clear_stop_flag();
  int status = kExitOk;
  OutputStyle style;
  try {
    status = run_program(argc, argv, console_out, console_in, style);
  } catch (const std::bad_alloc &) {
    status = report_out_of_memory(argc, style);
  }
  bool output_complete = close_output_channel();
  if (interrupting_signal() != 0) return kExitSignalBase + interrupting_signal();
  if (!output_complete && status == kExitOk) return kExitOutputIncomplete;
  return status;
}
