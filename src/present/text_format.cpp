// printf-style formatting with this tool's number conventions. The format is checked
// whole before anything is written; then each conversion is handed to snprintf on its
// own and adjusted, so the same bytes come out on every platform's C library: exponents
// widened to three digits, NaN and infinity spelt here.
#include "present/text_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace {

// A %g of a double shows every digit of its exact value at this many significant digits,
// so any larger precision prints the same text; clamping keeps a huge precision cheap.
constexpr int kMaxFloatPrecision = 1100;
constexpr int kMinExponentDigits = 3;
// Enough for any %g at the clamped precision (1100 digits and an exponent).
constexpr size_t kConversionBufferSize = 4096;

// One conversion of a format, from its '%' to its letter.
struct Conversion {
  int precision = -1;                    // -1 when absent
  bool precision_from_argument = false;  // ".*": an int argument comes first
  int long_count = 0;                    // number of 'l' modifiers: two mean long long
  char conversion = '\0';                // '\0' when the format ends after the '%'
  const char *end = nullptr;             // just after the conversion
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

// Reads the conversion that starts at the '%' at percent, without its arguments.
Conversion parse_conversion(const char *percent) {
  Conversion conv;
  const char *cursor = percent + 1;
  if (*cursor == '.') {
    ++cursor;
    conv.precision = 0;
    if (*cursor == '*') {
      conv.precision_from_argument = true;
      ++cursor;
    }
    while (!conv.precision_from_argument && *cursor >= '0' && *cursor <= '9') {
      if (conv.precision < kMaxFloatPrecision) conv.precision = conv.precision * 10 + (*cursor - '0');
      ++cursor;
    }
  }
  while (*cursor == 'l' && conv.long_count < 3) {
    ++conv.long_count;
    ++cursor;
  }
  conv.conversion = *cursor;
  conv.end = *cursor != '\0' ? cursor + 1 : cursor;
  return conv;
}

// Whether the conversion is one format_text writes: %d and %i bare or with "ll", %g with
// a precision or none, and %s, %c and %% bare.
bool implemented(const Conversion &conv) {
  bool bare_precision = conv.precision < 0 && !conv.precision_from_argument;
  switch (conv.conversion) {
    case 'd':
    case 'i':
      return bare_precision && (conv.long_count == 0 || conv.long_count == 2);
    case 'g':
      return conv.long_count == 0;
    case 's':
    case 'c':
    case '%':
      return bare_precision && conv.long_count == 0;
    default:
      return false;
  }
}

// Throws, before anything is formatted, when a conversion of the format is not implemented.
void refuse_unimplemented(const char *format) {
  for (const char *percent = std::strchr(format, '%'); percent != nullptr;) {
    Conversion conv = parse_conversion(percent);
    if (!implemented(conv)) {
      throw std::invalid_argument("format_text does not implement the conversion \"" + std::string(percent, conv.end) +
                                  "\" in \"" + format + "\"");
    }
    percent = std::strchr(conv.end, '%');
  }
}

void append_conversion(std::string &out, Conversion conv, va_list &args) {
  if (conv.precision_from_argument) {
    int precision = va_arg(args, int);
    conv.precision = precision < 0 ? -1 : std::min(precision, kMaxFloatPrecision);
  }
  switch (conv.conversion) {
    case '%':
      out += '%';
      break;
    case 'd':
    case 'i':
      out += std::to_string(conv.long_count == 2 ? va_arg(args, long long) : va_arg(args, int));
      break;
    case 'c':
      out += static_cast<char>(va_arg(args, int));
      break;
    case 's': {
      const char *text = va_arg(args, const char *);
      out += text != nullptr ? text : "(null)";
      break;
    }
    default:  // 'g'
      append_floating(out, conv, va_arg(args, double));
      break;
  }
}

// Formats a format that refuse_unimplemented has let through.
std::string format_checked(const char *format, va_list caller_args) {
  // A local copy, so the helpers can take it by reference on every platform's va_list.
  va_list args;
  va_copy(args, caller_args);
  std::string out;
  const char *cursor = format;
  for (const char *percent = std::strchr(cursor, '%'); percent != nullptr; percent = std::strchr(cursor, '%')) {
    out.append(cursor, static_cast<size_t>(percent - cursor));
    Conversion conv = parse_conversion(percent);
    append_conversion(out, conv, args);
    cursor = conv.end;
  }
  out += cursor;
  va_end(args);
  return out;
}

}  // namespace

std::string format_text_v(const char *format, va_list args) {
  refuse_unimplemented(format);
  return format_checked(format, args);
}

std::string format_text(const char *format, ...) {
  refuse_unimplemented(format);
  va_list args;
  va_start(args, format);
  std::string text = format_checked(format, args);
  va_end(args);
  return text;
}

std::string ratio_number_text(double value) { return format_text(kRatioNumberFormat, value); }

std::string cents_text(int precision, double cents) { return format_text(kCentsFormat, precision, cents); }
