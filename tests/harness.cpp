// Binds the output channel to a temporary file for one piece of code and reads it back,
// and sets up searches from command lines the way the program does.
#include "harness.h"

namespace {

std::string read_back(FILE *file) {
  std::string text;
  std::fflush(file);
  std::rewind(file);
  char buffer[4096];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  std::fclose(file);
  return text;
}

std::vector<const char *> program_argv(const std::vector<std::string> &args) {
  std::vector<const char *> argv{"ratiohunt"};
  for (const std::string &arg : args) argv.push_back(arg.c_str());
  return argv;
}

}  // namespace

std::string capture_output(const std::function<void()> &body) {
  FILE *console = std::tmpfile();
  open_output_channel(console, nullptr);
  body();
  close_output_channel();
  return read_back(console);
}

std::string capture_run(const std::vector<std::string> &args) {
  FILE *console = std::tmpfile();
  FILE *keys = std::tmpfile();  // empty: every key wait sees end of input
  std::vector<const char *> argv = program_argv(args);
  run_ratiohunt(static_cast<int>(argv.size()), argv.data(), console, keys);
  std::fclose(keys);
  return read_back(console);
}

std::vector<int> fold_all(const std::vector<int> &exponents) {
  std::vector<int> folded;
  for (int e : exponents) folded.push_back(fold_exponent(e));
  return folded;
}

SearchOutcome search_with(const std::vector<std::string> &args, SearchLoop loop, FILE *console) {
  std::vector<const char *> argv = program_argv(args);
  size_t n = argv.size() + kMinArrayEntries;
  std::vector<int> values(n), limits(n), exponents(n);
  std::vector<double> logs(n);
  SearchOutcome outcome{};
  outcome.result_log.assign(kResultLogCapacity, 0.0);
  RunConfig config{};
  ParsedArguments parsed = read_command_line(static_cast<int>(argv.size()), argv.data(), config, values.data());
  outcome.arguments_ok = parsed.verdict == ArgumentVerdict::kArgumentsOk;
  if (!outcome.arguments_ok) return outcome;
  FactorTable table{values.data(), logs.data(), limits.data()};
  fill_factor_table(config, table);
  auto search = [&] {
    start_search(config, table, outcome.state);
    loop(config, table, exponents.data(), outcome.result_log.data(), outcome.state);
  };
  if (console == nullptr) {
    outcome.output = capture_output(search);
  } else {
    open_output_channel(console, nullptr);
    search();
    close_output_channel();
  }
  outcome.result_log.resize(static_cast<size_t>(outcome.state.found_count));
  return outcome;
}
