// Reading a ratio as typed into one value: N/D, a number, the two numbers X Y, and the
// notations of tuning work (cents 700c, steps of an equal division 7\12, monzos
// [-4 4 -1>). The target, commas and scale degrees are all read here. Reading prints nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int kMaxMonzoEntries = 1000;  // the primes 2 to 7919
// Two of a monzo's problems, which a caller may tell apart from the others.
constexpr const char *kMonzoTooLong = "more than 1000 entries";
constexpr const char *kMonzoEntryOverflows = "an entry that overflows";

enum class RatioNotation {
  kNumber,      // one number: 2, 1.5, 1e3 (y is 1)
  kNumberPair,  // two numbers X and Y, as two words
  kFraction,    // N/D, each side a number
  kCents,       // 700c, 700¢
  kEqualSteps,  // 7\12, 1\13<3>, 3\13<3/2>
  kMonzo,       // [-4 4 -1>, |-4 4 -1], [12 -19,>: exponents of 2, 3, 5, ...
};

struct RatioValue {
  RatioNotation notation = RatioNotation::kNumber;
  std::string text;  // as typed; "X Y" for a pair
  // The ratio x / y. For N/D and X Y each side as written; for a monzo an exact ratio of
  // integers while both stay below 2^53; for the other notations x alone, with y 1.
  double x = 1.0;
  double y = 1.0;
  // The exact integers, when the text has them: the decimal digits of an integer numerator
  // and denominator (of N/D, X Y or a number, whose denominator is "1"), of any size,
  // without leading zeros or '+', with '-' before a negative one. Empty when either side is
  // not an integer (1.5/2, 700c) and for the notations.
  std::string numerator_digits;
  std::string denominator_digits;
  std::vector<int64_t> monzo;  // a monzo's entries, 2's first; empty for the other notations
};

struct RatioReading {
  RatioValue value;
  std::string problem;  // what is wrong with the text ("no closing bracket"); empty when it reads
};

// Which notation text is meant to be, a malformed one included: a word that is none of
// the notations and has no '/' is a number, which read_ratio may still find malformed.
RatioNotation notation_of(const std::string &text);

// Reads one word as a ratio in any notation. A number, and each side of N/D, must be a
// number as a whole (as the C library's strtod reads them: 7, -1.5, 1e3, 0x1c, inf); what
// reads may still be 0, negative or not finite (0/1, -7/6, inf/1): the caller judges that.
RatioReading read_ratio(const std::string &text);

// Reads one word as read_ratio does, for a caller that takes only its exact integers (a
// comma): a monzo's entries may then be any integers of 64 bits but the least, and its
// size is not worked out (x and y stay 1), so that no monzo is too large to read.
RatioReading read_exact_ratio(const std::string &text);

// The ratio X / Y of two words, each read as the longest number it begins with (0 when
// none), as the command line's target X Y has always been read. The caller judges zeros.
RatioValue read_number_pair(const std::string &x_text, const std::string &y_text);

// Whether the whole text reads as a number as strtod reads it (7, -1.5, 1e3, 0x1c, inf,
// nan), and its value.
bool reads_wholly_as_number(const std::string &text, double &value);
// The longest number text begins with, as strtod reads it; 0 when there is none.
double read_leading_number(const char *text);
