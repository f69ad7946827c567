// Binds the output channel to a temporary file for one piece of code and reads it back,
// and runs searches from command lines the way the program does.
#include "harness.h"

#include <cstdio>

#include "driver/command_line.h"
#include "driver/output_channel.h"
#include "driver/run.h"
#include "present/result_sinks.h"

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

// Keeps every approximant and, when given one, passes everything on to a renderer.
class RecordingSink : public ResultSink {
 public:
  RecordingSink(SearchOutcome &outcome, TextSink *renderer) : outcome_(outcome), renderer_(renderer) {}
  void approximant(const Approximant &found) override {
    outcome_.records.push_back(Record{std::vector<int>(found.exponents, found.exponents + found.count), found.log_size,
                                      found.cents, found.distance});
    if (outcome_.result_log.size() < static_cast<size_t>(kResultLogCapacity))
      outcome_.result_log.push_back(found.cents);
    if (renderer_ != nullptr) renderer_->approximant(found);
  }
  void finished(const SearchSummary &summary) override {
    if (renderer_ != nullptr) renderer_->finished(summary);
  }

 private:
  SearchOutcome &outcome_;
  TextSink *renderer_;
};

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

SearchOutcome search_with(const std::vector<std::string> &args, SearchLoop loop, bool render_text) {
  std::vector<const char *> argv = program_argv(args);
  SearchOutcome outcome;
  RunConfig config;
  ParsedArguments parsed = read_command_line(static_cast<int>(argv.size()), argv.data(), config);
  outcome.arguments_ok = !parsed.problem;
  if (!outcome.arguments_ok) return outcome;
  TextSink renderer(run_view(config), [&outcome](const std::string &text) { outcome.text += text; });
  RecordingSink sink(outcome, render_text ? &renderer : nullptr);
  outcome.summary = loop(config.search, sink);
  return outcome;
}
