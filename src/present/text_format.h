// Numbers as ratiohunt writes them in text, through the C library's snprintf with the
// formats of present/number_formats.h, spelt the same on every platform: a floating
// exponent always has at least three digits (1e+006), and NaN and infinities are words.
#pragma once

#include <string>

#include "present/number_formats.h"

// A double through a one-conversion %g format ("%g", "%.12g"); the exponent widened to
// three digits, NaN and infinities spelt nan, -nan, inf and -inf.
std::string number_text(const char *format, double value);
// The same through a "%.*g" format with this precision (below 0: as if none was given).
std::string number_text(const char *format, int precision, double value);
// For people reading a line as it changes: an exponent with only the digits it needs
// (2.274e-13, 1.5e-5).
std::string compact_number_text(const char *format, double value);
// Through a "%.*g" format as the C standard spells it, an exponent of two digits or more
// (1.5e-05), as the records spell their numbers: the page's cells.
std::string standard_number_text(const char *format, int precision, double value);

// A ratio number (kRatioNumberFormat) and a size in cents (kCentsFormat) as text.
std::string ratio_number_text(double value);
std::string cents_text(int precision, double cents);
