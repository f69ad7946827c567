// The output channel: writes every message to the console and the results file, and
// reads a key from the console's input.
#include "driver/output_channel.h"

#include <cerrno>
#include <cstring>

#include "driver/interrupts.h"
#include "driver/platform.h"

namespace {

// The channel of the current run; reset by open_output_channel, so no run sees another's.
struct OutputChannel {
  FILE *console_out = nullptr;
  FILE *console_in = nullptr;
  FILE *results_file = nullptr;
  bool console_is_terminal = false;
  std::string results_name;
  bool key_waits = true;
  bool flush_each_message = false;
  bool output_lost = false;     // something written did not arrive
  bool console_failed = false;  // standard output cannot be written
  int console_column = 0;       // characters written since the console's last newline
};

constexpr const char *kContinuePrompt = "Press any key to continue";
constexpr const char *kExitPrompt = "\nPress any key to exit";
OutputChannel channel;

// Looks for the last line end from the end: a record or a line ends with one, so a long
// run's output is not read through a second time.
void advance_console_column(const char *text, size_t length) {
  size_t after = 0;  // characters after the last line end
  while (after < length && text[length - after - 1] != '\n') ++after;
  channel.console_column = after < length ? static_cast<int>(after) : channel.console_column + static_cast<int>(after);
}

}  // namespace

void open_output_channel(FILE *console_out, FILE *console_in) {
  channel = OutputChannel{};
  channel.console_out = console_out;
  channel.console_in = console_in;
  channel.console_is_terminal = console_out != nullptr && stream_is_terminal(console_out);
}

void open_results_file(const char *name, FileMode mode) {
  channel.results_name = name;
  channel.results_file = std::fopen(name, mode == FileMode::kBinary ? "wb" : "w");
  if (channel.results_file == nullptr) {
    std::fprintf(stderr, "ratiohunt: cannot open results file '%s': %s; writing to the console only\n", name,
                 std::strerror(errno));
    channel.output_lost = true;
  }
}

namespace {

// A results file that failed is said once, then left alone; the console goes on.
void check_results_file(bool ok) {
  if (ok || channel.results_file == nullptr) return;
  std::fprintf(stderr, "ratiohunt: cannot write results file '%s': %s\n", channel.results_name.c_str(),
               std::strerror(errno));
  std::fclose(channel.results_file);
  channel.results_file = nullptr;
  channel.output_lost = true;
}

// Standard output that fails ends the run's output. A reader that went away (a pipe
// closed while SIGPIPE is ignored; by default its signal ends the program first) ends it
// quietly: no one is left to read a message about it.
void check_console(bool ok) {
  if (ok || channel.console_failed) return;
  int error = errno;
  channel.console_failed = true;
  if (error == EPIPE) return;
  channel.output_lost = true;
  std::fprintf(stderr, "ratiohunt: cannot write standard output: %s\n", std::strerror(error));
}

bool flush_ok(FILE *stream) { return std::fflush(stream) == 0 && std::ferror(stream) == 0; }

}  // namespace

void write_output(const std::string &text) {
  if (channel.console_out != nullptr && !channel.console_failed) {
    std::fwrite(text.data(), 1, text.size(), channel.console_out);
    advance_console_column(text.data(), text.size());
    // A terminal sees each message at once; a pipe or file is flushed before key waits.
    bool flush = channel.console_is_terminal || channel.flush_each_message;
    check_console(std::ferror(channel.console_out) == 0 && (!flush || flush_ok(channel.console_out)));
  }
  if (channel.results_file != nullptr) {
    std::fwrite(text.data(), 1, text.size(), channel.results_file);
    check_results_file(std::ferror(channel.results_file) == 0 &&
                       (!channel.flush_each_message || flush_ok(channel.results_file)));
  }
}

int console_terminal_column() { return channel.console_is_terminal ? channel.console_column : 0; }

bool console_failed() { return channel.console_failed; }

void set_flush_each_message(bool enabled) { channel.flush_each_message = enabled; }

void set_key_waits(bool enabled) { channel.key_waits = enabled; }

void write_console_only(const char *text) {
  if (channel.console_out == nullptr || channel.console_failed) return;
  std::fputs(text, channel.console_out);
  check_console(std::ferror(channel.console_out) == 0 &&
                (!channel.console_is_terminal || flush_ok(channel.console_out)));
}

void flush_outputs() {
  if (channel.console_out != nullptr && !channel.console_failed) check_console(flush_ok(channel.console_out));
  if (channel.results_file != nullptr) check_results_file(flush_ok(channel.results_file));
}

void wait_for_key(KeyPrompt prompt) {
  flush_outputs();
  if (!channel.key_waits || channel.console_in == nullptr || channel.console_failed) return;
  bool show_prompt = stream_is_terminal(channel.console_in) && stream_is_terminal(stderr);
  if (show_prompt) std::fputs(prompt == KeyPrompt::kExit ? kExitPrompt : kContinuePrompt, stderr);
  set_reads_interruptible(true);
  read_key(channel.console_in, stop_flag());
  set_reads_interruptible(false);
  if (show_prompt) std::fputs("\n", stderr);
}

bool close_output_channel() {
  flush_outputs();
  if (channel.results_file != nullptr) check_results_file(std::fclose(channel.results_file) == 0);
  channel.results_file = nullptr;
  bool lost = channel.output_lost;
  channel = OutputChannel{};
  return !lost;
}
