// The output channel: one formatted-output call, tee_printf, that writes every message
// to the console and, when one is open, to the results file; plus the key wait.
// Formatting is done here conversion by conversion so that numbers look the same on
// every platform: floating exponents always carry at least three digits (1e+006).
#include <cerrno>
#include <cstdarg>
#include <cstring>

#include "driver/driver.h"

namespace {

// The channel of the current run; reset by open_output_channel, so no run sees another's.
struct OutputChannel {
  FILE *console_out = nullptr;
  FILE *console_in = nullptr;
  FILE *results_file = nullptr;
  bool console_is_terminal = false;
};
OutputChannel channel;

// Where formatted text goes: a function and its context, so one formatter serves both
// the console/file tee and formatting into a caller's buffer.
struct TextSink {
  void (*write)(void *context, const char *text, size_t length);
  void *context;
  int written;
};

void emit(TextSink &sink, const char *text, size_t length) {
  sink.write(sink.context, text, length);
  sink.written += static_cast<int>(length);
}

// Enough for any conversion at the clamped precision (a %f of 1e308 with 1100 decimals).
constexpr size_t kConversionBufferSize = 4096;

// A %g of a double shows every digit of its exact value at this many significant digits,
// so any larger precision prints the same text; clamping keeps a huge precision cheap.
constexpr int kMaxFloatPrecision = 1100;
constexpr int kMinExponentDigits = 3;

struct Conversion {
  char flags[8];
  int flag_count;
  int width;       // -1 when absent
  int precision;   // -1 when absent
  int long_count;  // number of 'l' modifiers
  char conversion;
};

void write_repeated(TextSink &sink, char c, int count) {
  for (int i = 0; i < count; ++i) emit(sink, &c, 1);
}

bool has_flag(const Conversion &conv, char flag) {
  return std::memchr(conv.flags, flag, static_cast<size_t>(conv.flag_count)) != nullptr;
}

// Writes text padded to the conversion's width: blanks before it, or after it under '-', or
// zeros after its sign under '0' (for numbers).
void write_padded(TextSink &sink, const Conversion &conv, const char *text, size_t length) {
  int padding = conv.width > static_cast<int>(length) ? conv.width - static_cast<int>(length) : 0;
  if (has_flag(conv, '-')) {
    emit(sink, text, length);
    write_repeated(sink, ' ', padding);
    return;
  }
  if (has_flag(conv, '0') && conv.conversion != 's' && conv.conversion != 'c') {
    size_t sign = length > 0 && (text[0] == '-' || text[0] == '+' || text[0] == ' ') ? 1 : 0;
    emit(sink, text, sign);
    write_repeated(sink, '0', padding);
    emit(sink, text + sign, length - sign);
    return;
  }
  write_repeated(sink, ' ', padding);
  emit(sink, text, length);
}

// Pads the exponent of a formatted floating value ("1e+06") to three digits ("1e+006").
size_t widen_exponent(char *text, size_t length, size_t capacity) {
  char *e = static_cast<char *>(std::memchr(text, 'e', length));
  if (e == nullptr) e = static_cast<char *>(std::memchr(text, 'E', length));
  if (e == nullptr || e + 1 >= text + length) return length;
  char *digits = e + 2;  // after the exponent's sign
  size_t digit_count = static_cast<size_t>(text + length - digits);
  if (digit_count >= kMinExponentDigits) return length;
  size_t missing = kMinExponentDigits - digit_count;
  if (length + missing >= capacity) return length;
  std::memmove(digits + missing, digits, digit_count + 1);
  std::memset(digits, '0', missing);
  return length + missing;
}

// Builds the C format of one conversion without its width, with the given length modifier.
void build_c_format(const Conversion &conv, const char *length_modifier, char *out) {
  char *p = out;
  *p++ = '%';
  for (int i = 0; i < conv.flag_count; ++i) *p++ = conv.flags[i];
  if (conv.precision >= 0) p += std::snprintf(p, 16, ".%d", conv.precision);
  p += std::snprintf(p, 8, "%s%c", length_modifier, conv.conversion);
  *p = '\0';
}

// Turns a snprintf result into a length within the buffer (it never fails for our formats,
// but a negative or truncated result must not become an overrun).
size_t clamp_length(int written, size_t capacity) {
  if (written < 0) return 0;
  return static_cast<size_t>(written) < capacity ? static_cast<size_t>(written) : capacity - 1;
}

void write_integer(TextSink &sink, const Conversion &conv, va_list &args) {
  char c_format[48];
  char buffer[kConversionBufferSize];
  int written = 0;
  if (conv.long_count >= 2) {
    build_c_format(conv, "ll", c_format);
    written = std::snprintf(buffer, sizeof buffer, c_format, va_arg(args, long long));
  } else if (conv.long_count == 1) {
    build_c_format(conv, "l", c_format);
    written = std::snprintf(buffer, sizeof buffer, c_format, va_arg(args, long));
  } else {
    build_c_format(conv, "", c_format);
    written = std::snprintf(buffer, sizeof buffer, c_format, va_arg(args, int));
  }
  write_padded(sink, conv, buffer, clamp_length(written, sizeof buffer));
}

// Every floating conversion takes a double, "L" or not: the console platform's long
// double is a double, and the program's formats are written for that.
void write_floating(TextSink &sink, Conversion conv, va_list &args) {
  double value = va_arg(args, double);
  if (conv.precision > kMaxFloatPrecision) conv.precision = kMaxFloatPrecision;
  char c_format[48];
  char buffer[kConversionBufferSize];
  build_c_format(conv, "", c_format);
  size_t length = clamp_length(std::snprintf(buffer, sizeof buffer, c_format, value), sizeof buffer);
  if (conv.conversion != 'f' && conv.conversion != 'F') length = widen_exponent(buffer, length, sizeof buffer);
  write_padded(sink, conv, buffer, length);
}

void write_string(TextSink &sink, const Conversion &conv, const char *text) {
  if (text == nullptr) text = "(null)";
  size_t length = conv.precision >= 0 ? strnlen(text, static_cast<size_t>(conv.precision)) : std::strlen(text);
  write_padded(sink, conv, text, length);
}

// Reads "*" (an int argument) or a decimal number at *cursor; -1 when there is neither.
int read_count(const char *&cursor, va_list &args, bool *from_argument) {
  *from_argument = false;
  if (*cursor == '*') {
    ++cursor;
    *from_argument = true;
    return va_arg(args, int);
  }
  if (*cursor < '0' || *cursor > '9') return -1;
  int value = 0;
  while (*cursor >= '0' && *cursor <= '9' && value < 100000) value = value * 10 + (*cursor++ - '0');
  return value;
}

// Parses the conversion after a '%'; returns false for an incomplete one at the end.
bool parse_conversion(const char *&cursor, va_list &args, Conversion &conv) {
  conv = Conversion{};
  while (std::strchr("-+ #0", *cursor) != nullptr && *cursor != '\0') {
    if (conv.flag_count < static_cast<int>(sizeof conv.flags)) conv.flags[conv.flag_count++] = *cursor;
    ++cursor;
  }
  bool from_argument = false;
  conv.width = read_count(cursor, args, &from_argument);
  if (from_argument && conv.width < 0) {
    if (conv.flag_count < static_cast<int>(sizeof conv.flags)) conv.flags[conv.flag_count++] = '-';
    conv.width = -conv.width;
  }
  conv.precision = -1;
  if (*cursor == '.') {
    ++cursor;
    conv.precision = read_count(cursor, args, &from_argument);
    if (conv.precision < 0 && !from_argument) conv.precision = 0;  // "%.g" means precision 0
  }
  while (*cursor == 'l' || *cursor == 'L' || *cursor == 'h') {
    if (*cursor == 'l') ++conv.long_count;
    ++cursor;
  }
  if (*cursor == '\0') return false;
  conv.conversion = *cursor++;
  return true;
}

int format_to_sink(TextSink &sink, const char *format, va_list caller_args) {
  // A local copy, so the helpers can take it by reference on every platform's va_list.
  va_list args;
  va_copy(args, caller_args);
  const char *cursor = format;
  while (*cursor != '\0') {
    const char *percent = std::strchr(cursor, '%');
    if (percent == nullptr) {
      emit(sink, cursor, std::strlen(cursor));
      break;
    }
    if (percent > cursor) emit(sink, cursor, static_cast<size_t>(percent - cursor));
    cursor = percent + 1;
    Conversion conv;
    if (!parse_conversion(cursor, args, conv)) break;
    switch (conv.conversion) {
      case '%':
        emit(sink, "%", 1);
        break;
      case 'd':
      case 'i':
        write_integer(sink, conv, args);
        break;
      case 'c': {
        char c = static_cast<char>(va_arg(args, int));
        write_padded(sink, conv, &c, 1);
        break;
      }
      case 's':
        write_string(sink, conv, va_arg(args, const char *));
        break;
      case 'e':
      case 'E':
      case 'f':
      case 'F':
      case 'g':
      case 'G':
        write_floating(sink, conv, args);
        break;
      default:
        break;  // an unknown conversion writes nothing and takes no argument
    }
  }
  va_end(args);
  return sink.written;
}

void write_to_console_and_file(void *, const char *text, size_t length) {
  if (channel.console_out != nullptr) std::fwrite(text, 1, length, channel.console_out);
  if (channel.results_file != nullptr) std::fwrite(text, 1, length, channel.results_file);
}

struct BufferCursor {
  char *buffer;
  size_t size;
  size_t used;
};

void write_to_buffer(void *context, const char *text, size_t length) {
  auto *cursor = static_cast<BufferCursor *>(context);
  if (cursor->size == 0) return;
  size_t room = cursor->size - 1 - cursor->used;
  size_t taken = length < room ? length : room;
  std::memcpy(cursor->buffer + cursor->used, text, taken);
  cursor->used += taken;
  cursor->buffer[cursor->used] = '\0';
}

}  // namespace

int tee_printf(const char *format, ...) {
  va_list args;
  va_start(args, format);
  TextSink sink{write_to_console_and_file, nullptr, 0};
  int written = format_to_sink(sink, format, args);
  va_end(args);
  // A terminal sees each message at once; a pipe or file is flushed before key waits.
  if (channel.console_is_terminal) std::fflush(channel.console_out);
  return written;
}

int format_message(char *buffer, size_t size, const char *format, ...) {
  BufferCursor cursor{buffer, size, 0};
  if (size > 0) buffer[0] = '\0';
  va_list args;
  va_start(args, format);
  TextSink sink{write_to_buffer, &cursor, 0};
  int written = format_to_sink(sink, format, args);
  va_end(args);
  return written;
}

void open_output_channel(FILE *console_out, FILE *console_in) {
  channel = OutputChannel{};
  channel.console_out = console_out;
  channel.console_in = console_in;
  channel.console_is_terminal = console_out != nullptr && stream_is_terminal(console_out);
}

void open_results_file(const char *name) {
  channel.results_file = std::fopen(name, "w");
  if (channel.results_file == nullptr) {
    std::fprintf(stderr, "ratiohunt: cannot open results file '%s': %s; writing to the console only\n", name,
                 std::strerror(errno));
  }
}

void wait_for_key() {
  if (channel.console_out != nullptr) std::fflush(channel.console_out);
  if (channel.results_file != nullptr) std::fflush(channel.results_file);
  if (channel.console_in != nullptr) std::fgetc(channel.console_in);
}

void close_output_channel() {
  if (channel.results_file != nullptr) std::fclose(channel.results_file);
  if (channel.console_out != nullptr) std::fflush(channel.console_out);
  channel = OutputChannel{};
}

void write_console_only(const char *text) {
  if (channel.console_out == nullptr) return;
  std::fputs(text, channel.console_out);
  if (channel.console_is_terminal) std::fflush(channel.console_out);
}
