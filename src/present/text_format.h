// The number formats of every text ratiohunt writes: printf-style formatting where a
// floating exponent always has at least three digits (1e+006), NaN and infinities are
// spelt alike on every platform, and "L" on a floating conversion still takes a double.
#pragma once

#include <cstdarg>
#include <string>

// x, y and the target's size in cents wherever a message shows them.
constexpr const char *kRatioNumberFormat = "%.12g";
// A size in cents at the run's precision (an int argument, then the double).
constexpr const char *kCentsFormat = "%.*Lg";

// Formats like printf with the conventions above. Conversions: %d %i (%lld for long long), %s,
// %c, %g (with a precision, "*" included) and %%; no flags or widths; any other
// conversion writes nothing.
std::string format_text(const char *format, ...);
std::string format_text_v(const char *format, va_list args);

// A ratio number (kRatioNumberFormat) and a size in cents (kCentsFormat) as text.
std::string ratio_number_text(double value);
std::string cents_text(int precision, double cents);
