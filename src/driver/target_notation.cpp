// Reading the target notations: which notation a text is meant to be, then its parts,
// each with the problem a malformed one has.
#include "driver/target_notation.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "present/primes.h"

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

// A decimal number, all of the text (no hexadecimal, inf or nan); false for none.
bool read_decimal(const std::string &text, double &value) {
  if (text.empty() || text.find_first_not_of(kDecimalCharacters) != std::string::npos) return false;
  char *end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return *end == '\0';
}

TargetNotation failed(const std::string &problem) {
  TargetNotation notation;
  notation.is_notation = true;
  notation.problem = problem;
  return notation;
}

// 2 to the given number of octaves as the target x, y = 1, unless it leaves the doubles.
TargetNotation octaves_above_unison(double octaves) {
  double x = std::exp2(octaves);
  if (std::isinf(x) || std::isnan(x)) return failed("overflows");
  if (x == 0) return failed("underflows to 0");
  TargetNotation notation;
  notation.is_notation = true;
  notation.x = x;
  return notation;
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

TargetNotation read_cents(const std::string &text, size_t mark) {
  std::string number = text.substr(0, mark);
  size_t mark_length = text[mark] == 'c' ? 1 : kCentSign.size();
  if (number.empty()) return failed("no number before the cents sign");
  double cents = 0;
  if (!read_decimal(number, cents)) return failed("a number of cents that is not a decimal");
  if (mark + mark_length != text.size()) return failed("trailing text after the cents sign");
  return octaves_above_unison(cents / 1200.0);
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

TargetNotation read_equal_steps(const std::string &text) {
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

TargetNotation read_monzo(const std::string &text) {
  size_t close_length = monzo_close_length(text);
  if (close_length == 0) return failed("no closing bracket");
  std::vector<std::string> entries;
  std::string problem = split_monzo_entries(text.substr(1, text.size() - 1 - close_length), entries);
  if (!problem.empty()) return failed(problem);
  if (entries.size() > static_cast<size_t>(kMaxMonzoEntries)) return failed("more than 1000 entries");
  std::vector<int> primes = first_primes(static_cast<int>(entries.size()));
  std::vector<int64_t> exponents;
  double octaves = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!is_integer_text(entries[i])) return failed("an entry that is not an integer");
    errno = 0;
    exponents.push_back(std::strtoll(entries[i].c_str(), nullptr, 10));
    if (errno == ERANGE || std::llabs(exponents[i]) > kMaxMonzoEntry) return failed("an entry that overflows");
    octaves += static_cast<double>(exponents[i]) * std::log2(static_cast<double>(primes[i]));
  }
  TargetNotation notation;
  notation.is_notation = true;
  if (exact_side(exponents, primes, 1, notation.x) && exact_side(exponents, primes, -1, notation.y)) return notation;
  return octaves_above_unison(octaves);
}

}  // namespace

TargetNotation read_target_notation(const std::string &text) {
  if (text.empty()) return TargetNotation{};
  if (text[0] == '[' || text[0] == '|') return read_monzo(text);
  if (text.find('\\') != std::string::npos) return read_equal_steps(text);
  size_t mark = cents_mark(text);
  return mark != std::string::npos ? read_cents(text, mark) : TargetNotation{};
}

bool expand_target_notation(std::vector<std::string> &positional, size_t index, std::string &target_text,
                            std::string &error) {
  const std::string target = positional[index];
  TargetNotation notation = read_target_notation(target);
  if (!notation.is_notation) return false;
  if (!notation.problem.empty()) {
    error = "'" + target + "' is not a target: " + notation.problem;
    return true;
  }
  char x[32];
  char y[32];
  std::snprintf(x, sizeof x, "%.17g", notation.x);
  std::snprintf(y, sizeof y, "%.17g", notation.y);
  target_text = target;
  positional[index] = x;
  positional.insert(positional.begin() + static_cast<std::ptrdiff_t>(index) + 1, y);
  return true;
}
