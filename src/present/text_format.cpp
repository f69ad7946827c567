// printf-style formatting with this tool's number conventions. Each conversion is
// handed to snprintf on its own and then adjusted, so the same bytes come out on every
// platform's C library: exponents widened to three digits, NaN and infinity spelt here.
#include "present/text_format.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// A %g of a double shows every digit of its exact value at this many significant digits,
// so any larger precision prints the same text; clamping keeps a huge precision cheap.
constexpr int kMaxFloatPrecision = 1100;
constexpr int kMinExponentDigits = 3;
// Enough for any %g at the clamped precision (1100 digits and an exponent).
constexpr size_t kConversionBufferSize = 4096;

struct Conversion {
  int precision = -1;  // -1 when absent
  int long_count = 0;  // number of 'l' modifiers: any means long long
  char conversion = '\0';
};

// Pads the exponent of a formatted floating value ("1e+06") to three digits ("1e+006").
void widen_exponent(std::string &text) {
  size_t e = text.find('e');
  if (e == std::string::npos || e + 2 > text.size()) return;
  size_t digits = e + 2;  // after the exponent's sign
  size_t digit_count = text.size() - digits;
  if (digit_count < kMinExponentDigits) text.insert(digits, kMinExponentDigits - digit_count, '0');
}

// NaN and infinity as glibc spells them under %g, whatever the platform's library says.
const char *non_finite_text(double value) {
  if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
  return value < 0 ? "-inf" : "inf";
}

void append_floating(std::string &out, Conversion conv, double value) {
  if (!std::isfinite(value)) {
    out += non_finite_text(value);
    return;
  }
  if (conv.precision > kMaxFloatPrecision) conv.precision = kMaxFloatPrecision;
  char c_format[16];
  char buffer[kConversionBufferSize];
  if (conv.precision >= 0) {
    std::snprintf(c_format, sizeof c_format, "%%.%d%c", conv.precision, conv.conversion);
  } else {
    std::snprintf(c_format, sizeof c_format, "%%%c", conv.conversion);
  }
  int written = std::snprintf(buffer, sizeof buffer, c_format, value);
  if (written < 0) return;
  std::string text(buffer, static_cast<size_t>(written) < sizeof buffer ? static_cast<size_t>(written) : 0);
  widen_exponent(text);
  out += text;
}

void append_integer(std::string &out, const Conversion &conv, va_list &args) {
  // The program's formats use %d for ints and %lld for 64-bit counts.
  long long value = conv.long_count > 0 ? va_arg(args, long long) : va_arg(args, int);
  out += std::to_string(value);
}

// Reads the precision after a '.', "*" taking an int argument; a negative "*" means none.
int read_precision(const char *&cursor, va_list &args) {
  if (*cursor == '*') {
    ++cursor;
    int value = va_arg(args, int);
    return value < 0 ? -1 : value;
  }
  int value = 0;
  while (*cursor >= '0' && *cursor <= '9' && value < 100000) value = value * 10 + (*cursor++ - '0');
  return value;
}

// Parses the conversion after a '%'; false for an incomplete one at the end of the format.
bool parse_conversion(const char *&cursor, va_list &args, Conversion &conv) {
  conv = Conversion{};
  if (*cursor == '.') {
    ++cursor;
    conv.precision = read_precision(cursor, args);
  }
  while (*cursor == 'l' || *cursor == 'L') {
    if (*cursor == 'l') ++conv.long_count;
    ++cursor;
  }
  if (*cursor == '\0') return false;
  conv.conversion = *cursor++;
  return true;
}

}  // namespace

std::string format_text_v(const char *format, va_list caller_args) {
  // A local copy, so the helpers can take it by reference on every platform's va_list.
  va_list args;
  va_copy(args, caller_args);
  std::string out;
  const char *cursor = format;
  while (*cursor != '\0') {
    const char *percent = std::strchr(cursor, '%');
    if (percent == nullptr) {
      out += cursor;
      break;
    }
    out.append(cursor, static_cast<size_t>(percent - cursor));
    cursor = percent + 1;
    Conversion conv;
    if (!parse_conversion(cursor, args, conv)) break;
    switch (conv.conversion) {
      case '%':
        out += '%';
        break;
      case 'd':
      case 'i':
        append_integer(out, conv, args);
        break;
      case 'c':
        out += static_cast<char>(va_arg(args, int));
        break;
      case 's': {
        const char *text = va_arg(args, const char *);
        out += text != nullptr ? text : "(null)";
        break;
      }
      case 'g':
        append_floating(out, conv, va_arg(args, double));
        break;
      default:
        break;  // an unknown conversion writes nothing and takes no argument
    }
  }
  va_end(args);
  return out;
}

std::string format_text(const char *format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = format_text_v(format, args);
  va_end(args);
  return text;
}

std::string ratio_number_text(double value) { return format_text(kRatioNumberFormat, value); }

std::string cents_text(int precision, double cents) { return format_text(kCentsFormat, precision, cents); }
