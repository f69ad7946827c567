// Numbers in text: each is handed to snprintf on its own and its exponent then written
// with the digits this tool shows, since C libraries differ there (two digits on glibc,
// three on Windows); NaN and infinities are spelt here, as the libraries differ there too.
#include "present/text_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// A %g of a double shows every digit of its exact value at this many significant digits,
// so any larger precision prints the same text; clamping keeps a huge precision cheap.
constexpr int kMaxFloatPrecision = 1100;
constexpr size_t kWidenedExponentDigits = 3;
constexpr size_t kCompactExponentDigits = 1;

// NaN and infinity as glibc spells them under %g, whatever the platform's library says.
const char *non_finite_text(double value) {
  if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
  return value < 0 ? "-inf" : "inf";
}

// Rewrites the exponent of a formatted value ("1e+06", "1e+006") with exactly as many
// digits as it needs, and at least digits_wanted.
void set_exponent_digits(std::string &text, size_t digits_wanted) {
  size_t e = text.find('e');
  if (e == std::string::npos || e + 2 >= text.size()) return;
  size_t first = e + 2;  // after the exponent's sign
  size_t zeros = 0;
  while (first + zeros + 1 < text.size() && text[first + zeros] == '0') ++zeros;
  text.erase(first, zeros);
  size_t digits = text.size() - first;
  if (digits < digits_wanted) text.insert(first, digits_wanted - digits, '0');
}

// snprintf of one double with an optional precision (-1: none), at any length.
std::string c_library_text(const char *format, int precision, double value) {
  char buffer[64];
  int length = precision >= 0 ? std::snprintf(buffer, sizeof buffer, format, precision, value)
                              : std::snprintf(buffer, sizeof buffer, format, value);
  if (length < 0) return "";
  if (static_cast<size_t>(length) < sizeof buffer) return std::string(buffer, static_cast<size_t>(length));
  std::string text(static_cast<size_t>(length) + 1, '\0');
  if (precision >= 0) {
    std::snprintf(&text[0], text.size(), format, precision, value);
  } else {
    std::snprintf(&text[0], text.size(), format, value);
  }
  text.pop_back();
  return text;
}

std::string spelt(const char *format, int precision, double value, size_t exponent_digits) {
  if (!std::isfinite(value)) return non_finite_text(value);
  std::string text = c_library_text(format, precision, value);
  set_exponent_digits(text, exponent_digits);
  return text;
}

}  // namespace

std::string number_text(const char *format, double value) { return spelt(format, -1, value, kWidenedExponentDigits); }

std::string number_text(const char *format, int precision, double value) {
  // A negative precision is as if none were given: %.*g then means %g's six digits.
  constexpr int kDefaultGPrecision = 6;
  int clamped = precision < 0 ? kDefaultGPrecision : std::min(precision, kMaxFloatPrecision);
  return spelt(format, clamped, value, kWidenedExponentDigits);
}

std::string compact_number_text(const char *format, double value) {
  return spelt(format, -1, value, kCompactExponentDigits);
}

std::string standard_number_text(const char *format, int precision, double value) {
  constexpr size_t kStandardExponentDigits = 2;
  return spelt(format, std::max(precision, 0), value, kStandardExponentDigits);
}

std::string ratio_number_text(double value) { return number_text(kRatioNumberFormat, value); }

std::string cents_text(int precision, double cents) { return number_text(kCentsFormat, precision, cents); }
