// The output channel: writes every message to the console and the results file, and
// reads a key from the console's input.
#include "driver/output_channel.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>

#include "driver/platform.h"
#include "present/text_format.h"

namespace {

// The channel of the current run; reset by open_output_channel, so no run sees another's.
struct OutputChannel {
  FILE *console_out = nullptr;
  FILE *console_in = nullptr;
  FILE *results_file = nullptr;
  bool console_is_terminal = false;
  bool key_waits = true;
  bool flush_each_message = false;
};

constexpr const char *kContinuePrompt = "Press any key to continue";
constexpr const char *kExitPrompt = "\nPress any key to exit";
OutputChannel channel;

}  // namespace

void open_output_channel(FILE *console_out, FILE *console_in) {
  channel = OutputChannel{};
  channel.console_out = console_out;
  channel.console_in = console_in;
  channel.console_is_terminal = console_out != nullptr && stream_is_terminal(console_out);
}

void open_results_file(const char *name, bool binary) {
  channel.results_file = std::fopen(name, binary ? "wb" : "w");
  if (channel.results_file == nullptr) {
    std::fprintf(stderr, "ratiohunt: cannot open results file '%s': %s; writing to the console only\n", name,
                 std::strerror(errno));
  }
}

void write_output(const std::string &text) {
  if (channel.console_out != nullptr) std::fwrite(text.data(), 1, text.size(), channel.console_out);
  if (channel.results_file != nullptr) std::fwrite(text.data(), 1, text.size(), channel.results_file);
  // A terminal sees each message at once; a pipe or file is flushed before key waits.
  if (channel.console_is_terminal || channel.flush_each_message) std::fflush(channel.console_out);
  if (channel.flush_each_message && channel.results_file != nullptr) std::fflush(channel.results_file);
}

void set_flush_each_message(bool enabled) { channel.flush_each_message = enabled; }

void set_key_waits(bool enabled) { channel.key_waits = enabled; }

void tee_printf(const char *format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = format_text_v(format, args);
  va_end(args);
  write_output(text);
}

void write_console_only(const char *text) {
  if (channel.console_out == nullptr) return;
  std::fputs(text, channel.console_out);
  if (channel.console_is_terminal) std::fflush(channel.console_out);
}

void wait_for_key(KeyPrompt prompt) {
  if (channel.console_out != nullptr) std::fflush(channel.console_out);
  if (channel.results_file != nullptr) std::fflush(channel.results_file);
  if (!channel.key_waits || channel.console_in == nullptr) return;
  if (!stream_is_terminal(channel.console_in)) {
    std::fgetc(channel.console_in);
    return;
  }
  bool show_prompt = stream_is_terminal(stderr);
  if (show_prompt) std::fputs(prompt == KeyPrompt::kExit ? kExitPrompt : kContinuePrompt, stderr);
  read_terminal_key(channel.console_in);
  if (show_prompt) std::fputs("\n", stderr);
}

void close_output_channel() {
  if (channel.results_file != nullptr) std::fclose(channel.results_file);
  if (channel.console_out != nullptr) std::fflush(channel.console_out);
  channel = OutputChannel{};
}
