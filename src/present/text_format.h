// printf-style formatting with this tool's number conventions: a floating exponent
// always has at least three digits (1e+006) and NaN and infinities are spelt alike on
// every platform. A conversion it does not implement is refused, never skipped.
#pragma once

#include <cstdarg>
#include <string>

#include "present/number_formats.h"

// Formats like printf. Conversions: %d and %i (%lld for long long), %s, %c, %g (with a
// precision, "*" included) and %%; no flags, widths or other length modifiers. Any other
// conversion, or a '%' that ends the format, throws std::invalid_argument naming it.
std::string format_text(const char *format, ...) __attribute__((format(printf, 1, 2)));
std::string format_text_v(const char *format, va_list args) __attribute__((format(printf, 1, 0)));

// A ratio number (kRatioNumberFormat) and a size in cents (kCentsFormat) as text.
std::string ratio_number_text(double value);
std::string cents_text(int precision, double cents);
