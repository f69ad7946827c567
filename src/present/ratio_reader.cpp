// Reading a ratio: which notation a text is meant to be, then its parts, each with the
// problem a malformed one has.
#include "present/ratio_reader.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "present/primes.h"
#include "search/search.h"

namespace {

const std::string kCentSign = "\xC2\xA2";             // ¢ in UTF-8
const std::string kMonzoAngleClose = "\xE2\x9F\xA9";  // ⟩ in UTF-8
constexpr double kExactLimit = 9007199254740992.0;    // 2^53: integers below it are exact doubles
constexpr const char *kDecimalCharacters = "+-.0123456789eE";
// A monzo entry beyond this takes the value out of the doubles whatever the other entries.
constexpr int64_t kMaxMonzoEntry = 1000000000;

bool ends_with(const std::string &text, const std::string &end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// An optional sign and one or more decimal digits.
bool is_integer_text(const std::string &text) {
  size_t start = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
  if (start == text.size()) return false;
  return text.find_first_not_of("0123456789", start) == std::string::npos;
}

// An integer's digits without '+' or leading zeros, '-' before a negative one ("-0" is
// "0"); "" when the text is no integer.
std::string integer_digits(const std::string &text) {
  if (!is_integer_text(text)) return "";
  bool negative = text[0] == '-';
  size_t first = text.find_first_not_of("+-0");
  if (first == std::string::npos) return "0";
  return (negative ? "-" : "") + text.substr(first);
}

// A decimal number, all of the text (no hexadecimal, inf or nan); false for none.
bool read_decimal(const std::string &text, double &value) {
  if (text.empty() || text.find_first_not_of(kDecimalCharacters) != std::string::npos) return false;
  char *end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return *end == '\0';
}

RatioReading failed(const std::string &problem) {
  RatioReading reading;
  reading.problem = problem;
  return reading;
}

// 2 to the given number of octaves as x, y = 1, unless it leaves the doubles.
RatioReading octaves_above_unison(double octaves) {
  double x = std::exp2(octaves);
  if (std::isinf(x) || std::isnan(x)) return failed("overflows");
  if (x == 0) return failed("underflows to 0");
  RatioReading reading;
  reading.value.x = x;
  return reading;
}

// ---- Cents: a decimal, then c or the cent sign -------------------------------------

// Where the cents mark stands when the text before it could be a decimal, else npos.
// A word that begins with c ("cents") is no notation; the mark alone is one without a number.
size_t cents_mark(const std::string &text) {
  if (text == "c" || text == kCentSign) return 0;
  size_t mark = std::min(text.find('c'), text.find(kCentSign));
  if (mark == 0 || mark == std::string::npos) return std::string::npos;
  return text.find_first_not_of(kDecimalCharacters) < mark ? std::string::npos : mark;
}

RatioReading read_cents(const std::string &text, size_t mark) {
  std::string number = text.substr(0, mark);
  size_t mark_length = text[mark] == 'c' ? 1 : kCentSign.size();
  if (number.empty()) return failed("no number before the cents sign");
  double cents = 0;
  if (!read_decimal(number, cents)) return failed("a number of cents that is not a decimal");
  if (mark + mark_length != text.size()) return failed("trailing text after the cents sign");
  return octaves_above_unison(cents / kCentsPerOctave);
}

// ---- Steps of an equal division: k\N, k\N<P>, k\N<P/Q> ----------------------------

// The equave between < and >, P or P/Q; a problem, or "" with the equave in value.
std::string read_equave(const std::string &text, double &value) {
  if (text.empty()) return "no equave between the angle brackets";
  size_t slash = text.find('/');
  double numerator = 0;
  double denominator = 1;
  if (!read_decimal(text.substr(0, slash), numerator) ||
      (slash != std::string::npos && !read_decimal(text.substr(slash + 1), denominator))) {
    return "an equave that is not a number or a ratio P/Q";
  }
  value = numerator / denominator;
  if (value == 0) return "an equave of 0";
  if (!(value > 0) || !std::isfinite(value)) return "an equave that is not a positive finite ratio";
  if (value == 1) return "an equave of 1, which has no steps";
  return "";
}

RatioReading read_equal_steps(const std::string &text) {
  size_t backslash = text.find('\\');
  std::string steps = text.substr(0, backslash);
  std::string rest = text.substr(backslash + 1);
  size_t open = rest.find('<');
  std::string divisions = rest.substr(0, open);
  double equave = 2;
  if (steps.empty()) return failed("no step count before the backslash");
  if (!is_integer_text(steps)) return failed("a step count that is not an integer");
  if (divisions.empty()) return failed("no division count after the backslash");
  if (!is_integer_text(divisions)) return failed("a division count that is not an integer");
  double n = std::strtod(divisions.c_str(), nullptr);
  if (n == 0) return failed("division count 0");
  if (n < 0) return failed("a negative division count");
  if (open != std::string::npos) {
    size_t close = rest.find('>', open);
    if (close == std::string::npos) return failed("no closing angle bracket after the equave");
    if (close + 1 != rest.size()) return failed("trailing text after the equave");
    std::string problem = read_equave(rest.substr(open + 1, close - open - 1), equave);
    if (!problem.empty()) return failed(problem);
  }
  double k = std::strtod(steps.c_str(), nullptr);
  return octaves_above_unison(k / n * std::log2(equave));
}

// ---- Monzos: [a b c ...> over the primes 2, 3, 5, ... ------------------------------

// The closing bracket's length when the text ends with one, else 0.
size_t monzo_close_length(const std::string &text) {
  if (ends_with(text, kMonzoAngleClose)) return kMonzoAngleClose.size();
  return text.size() > 1 && (text.back() == '>' || text.back() == ']') ? 1 : 0;
}

// The entries between the brackets, apart by blanks and at most one comma, a trailing
// comma allowed; a problem, or "".
std::string split_monzo_entries(const std::string &body, std::vector<std::string> &entries) {
  bool comma_allowed = false;  // only after an entry
  std::string entry;
  for (size_t i = 0; i <= body.size(); ++i) {
    char c = i < body.size() ? body[i] : ' ';
    if (c != ' ' && c != '\t' && c != ',') {
      entry += c;
      continue;
    }
    if (!entry.empty()) {
      entries.push_back(entry);
      entry.clear();
      comma_allowed = true;
    }
    if (c == ',' && !comma_allowed) return "an empty entry between commas";
    if (c == ',') comma_allowed = false;
  }
  return "";
}

// The product of p^e over the entries of one sign, exactly, when it stays below 2^53.
bool exact_side(const std::vector<int64_t> &exponents, const std::vector<int> &primes, int sign, double &product) {
  product = 1;
  for (size_t i = 0; i < exponents.size(); ++i) {
    for (int64_t e = exponents[i] * sign; e > 0; --e) {
      product *= primes[i];
      if (product >= kExactLimit) return false;
    }
  }
  return true;
}

// The entries between the brackets, each an integer from -largest to largest; a problem,
// or "". The problems come in the order of the entries.
std::string read_monzo_entries(const std::string &text, int64_t largest, std::vector<int64_t> &exponents) {
  size_t close_length = monzo_close_length(text);
  if (close_length == 0) return "no closing bracket";
  std::vector<std::string> entries;
  std::string problem = split_monzo_entries(text.substr(1, text.size() - 1 - close_length), entries);
  if (!problem.empty()) return problem;
  if (entries.size() > static_cast<size_t>(kMaxMonzoEntries)) return kMonzoTooLong;
  for (const std::string &entry : entries) {
    if (!is_integer_text(entry)) return "an entry that is not an integer";
    errno = 0;
    int64_t exponent = std::strtoll(entry.c_str(), nullptr, 10);
    // Compared on both sides rather than through llabs, which has no value for the least int64.
    if (errno == ERANGE || exponent > largest || exponent < -largest) return kMonzoEntryOverflows;
    exponents.push_back(exponent);
  }
  return "";
}

RatioReading read_monzo(const std::string &text) {
  std::vector<int64_t> exponents;
  std::string problem = read_monzo_entries(text, kMaxMonzoEntry, exponents);
  if (!problem.empty()) return failed(problem);
  std::vector<int> primes = first_primes(static_cast<int>(exponents.size()));
  double octaves = 0;
  for (size_t i = 0; i < exponents.size(); ++i) {
    octaves += static_cast<double>(exponents[i]) * std::log2(static_cast<double>(primes[i]));
  }
  RatioReading reading;
  if (!exact_side(exponents, primes, 1, reading.value.x) || !exact_side(exponents, primes, -1, reading.value.y)) {
    reading = octaves_above_unison(octaves);
  }
  if (reading.problem.empty()) reading.value.monzo = exponents;
  return reading;
}

// ---- Numbers: N/D, one number, X Y ------------------------------------------------

RatioReading read_fraction(const std::string &text, size_t slash) {
  std::string numerator = text.substr(0, slash);
  std::string denominator = text.substr(slash + 1);
  RatioReading reading;
  if (!reads_wholly_as_number(numerator, reading.value.x) || !reads_wholly_as_number(denominator, reading.value.y)) {
    return failed("both sides must be numbers, as in 7/6");
  }
  reading.value.numerator_digits = integer_digits(numerator);
  reading.value.denominator_digits = integer_digits(denominator);
  return reading;
}

RatioReading read_number(const std::string &text) {
  RatioReading reading;
  if (!reads_wholly_as_number(text, reading.value.x)) return failed("not a number");
  reading.value.numerator_digits = integer_digits(text);
  reading.value.denominator_digits = "1";
  return reading;
}

// Exact digits only when both sides have them.
void keep_digits_of_integers_only(RatioValue &value) {
  if (value.numerator_digits.empty() || value.denominator_digits.empty()) {
    value.numerator_digits.clear();
    value.denominator_digits.clear();
  }
}

}  // namespace

RatioNotation notation_of(const std::string &text) {
  if (text.empty()) return RatioNotation::kNumber;
  if (text[0] == '[' || text[0] == '|') return RatioNotation::kMonzo;
  if (text.find('\\') != std::string::npos) return RatioNotation::kEqualSteps;
  if (cents_mark(text) != std::string::npos) return RatioNotation::kCents;
  if (text.find('/') != std::string::npos) return RatioNotation::kFraction;
  return RatioNotation::kNumber;
}

RatioReading read_ratio(const std::string &text) {
  RatioNotation notation = notation_of(text);
  RatioReading reading;
  switch (notation) {
    case RatioNotation::kMonzo:
      reading = read_monzo(text);
      break;
    case RatioNotation::kEqualSteps:
      reading = read_equal_steps(text);
      break;
    case RatioNotation::kCents:
      reading = read_cents(text, cents_mark(text));
      break;
    case RatioNotation::kFraction:
      reading = read_fraction(text, text.find('/'));
      break;
    case RatioNotation::kNumber:
    case RatioNotation::kNumberPair:
      reading = read_number(text);
      break;
  }
  reading.value.notation = notation;
  reading.value.text = text;
  keep_digits_of_integers_only(reading.value);
  return reading;
}

RatioReading read_exact_ratio(const std::string &text) {
  if (notation_of(text) != RatioNotation::kMonzo) return read_ratio(text);
  RatioReading reading;
  reading.value.notation = RatioNotation::kMonzo;
  reading.value.text = text;
  reading.problem = read_monzo_entries(text, INT64_MAX, reading.value.monzo);
  if (!reading.problem.empty()) reading.value.monzo.clear();
  return reading;
}

RatioValue read_number_pair(const std::string &x_text, const std::string &y_text) {
  RatioValue value;
  value.notation = RatioNotation::kNumberPair;
  value.text = x_text + " " + y_text;
  value.x = read_leading_number(x_text.c_str());
  value.y = read_leading_number(y_text.c_str());
  value.numerator_digits = integer_digits(x_text);
  value.denominator_digits = integer_digits(y_text);
  keep_digits_of_integers_only(value);
  return value;
}

bool reads_wholly_as_number(const std::string &text, double &value) {
  if (text.empty()) return false;
  char *end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return *end == '\0';
}

double read_leading_number(const char *text) {
  char *end = nullptr;
  double value = std::strtod(text, &end);
  return end == text ? 0.0 : value;  // no number at all: 0, never a C library's -0
}
