// Reading a scale's degrees from each source. Degrees are kept exact wherever they can
// be (ratios, decimals, small monzos, the steps of an equal division that are ratios), so
// that "exactly just" is decided on integers.
#include "driver/scale_source.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "present/ratio_reader.h"
#include "present/scala_file.h"

namespace {

constexpr double kExactLimit = 9007199254740992.0;  // 2^53: integers below it are exact doubles
constexpr uint64_t kDecimalBase = 10;

double cents_of_ratio(double ratio) { return std::log2(ratio) * 1200.0; }

// A decimal without sign or exponent (12, 1.5, .5) as an exact fraction; false when it
// is not one or its digits leave 64 bits.
bool read_exact_decimal(const std::string &text, uint64_t &numerator, uint64_t &denominator) {
  numerator = 0;
  denominator = 1;
  bool period = false;
  bool digits = false;
  for (char c : text) {
    if (c == '.' && !period) {
      period = true;
      continue;
    }
    if (c < '0' || c > '9') return false;
    digits = true;
    if (!checked_product(numerator, kDecimalBase, numerator) ||
        numerator > UINT64_MAX - static_cast<uint64_t>(c - '0')) {
      return false;
    }
    numerator += static_cast<uint64_t>(c - '0');
    if (period && !checked_product(denominator, kDecimalBase, denominator)) return false;
  }
  return digits;
}

// A or A/B of exact decimals as one exact ratio; false when it is not one or leaves 64 bits.
bool read_exact_ratio(const std::string &text, uint64_t &numerator, uint64_t &denominator) {
  size_t slash = text.find('/');
  uint64_t a = 0;
  uint64_t a_scale = 1;
  uint64_t b = 1;
  uint64_t b_scale = 1;
  if (!read_exact_decimal(text.substr(0, slash), a, a_scale)) return false;
  if (slash != std::string::npos && !read_exact_decimal(text.substr(slash + 1), b, b_scale)) return false;
  if (a == 0 || b == 0) return false;
  uint64_t common = greatest_common_divisor(a, b);
  a /= common;
  b /= common;
  common = greatest_common_divisor(a_scale, b_scale);
  return checked_product(a, b_scale / common, numerator) && checked_product(b, a_scale / common, denominator);
}

bool is_whole_below_exact_limit(double value) {
  return value >= 1 && value < kExactLimit && value == std::floor(value);
}

// The integer r with r^power == value, if there is one.
bool exact_root(uint64_t value, uint64_t power, uint64_t &root) {
  auto guess =
      static_cast<uint64_t>(std::llround(std::pow(static_cast<double>(value), 1.0 / static_cast<double>(power))));
  for (uint64_t candidate = guess > 0 ? guess - 1 : 0; candidate <= guess + 1; ++candidate) {
    uint64_t product = 1;
    bool fits = true;
    for (uint64_t i = 0; i < power && fits; ++i) fits = checked_product(product, candidate, product);
    if (fits && product == value) {
      root = candidate;
      return true;
    }
  }
  return false;
}

// (n/d)^(k/N) exactly, when it is a ratio whose terms fit.
bool exact_step(uint64_t numerator, uint64_t denominator, uint64_t k, uint64_t divisions, ScalePitch &pitch) {
  uint64_t common = greatest_common_divisor(k, divisions);
  uint64_t power = k / common;
  uint64_t root = divisions / common;
  uint64_t n_root = 0;
  uint64_t d_root = 0;
  if (!exact_root(numerator, root, n_root) || !exact_root(denominator, root, d_root)) return false;
  uint64_t n = 1;
  uint64_t d = 1;
  for (uint64_t i = 0; i < power; ++i) {
    if (!checked_product(n, n_root, n) || !checked_product(d, d_root, d)) return false;
  }
  pitch = ratio_pitch(n, d);
  return true;
}

// Whether a pitch can be a scale's equave: above 1/1, exactly for a ratio, and of a size
// in cents above 0 as every step is measured.
bool rises_above_unison(const ScalePitch &pitch) {
  return pitch.cents > 0 && (!pitch.is_ratio || pitch.numerator > pitch.denominator);
}

const char *const kEquaveAboveUnison = "the equave, the last degree, must be larger than 1/1";

Problem bad_scale(std::string message) { return problem_of(ProblemKind::kBadScale, std::move(message)); }

// The file's bytes as they are; a problem naming the file and the system's reason, or "".
std::string read_whole_file(const std::string &name, std::string &text) {
  FILE *file = std::fopen(name.c_str(), "rb");
  if (file == nullptr) return "cannot read " + name + ": " + std::strerror(errno);
  char buffer[4096];
  for (size_t got = 0; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, got);
  bool failed = std::ferror(file) != 0;
  int reason = errno;
  std::fclose(file);
  return failed ? "cannot read " + name + ": " + std::strerror(reason) : "";
}

}  // namespace

Problem read_scale_degree(const std::string &text, ScalePitch &pitch) {
  const std::string what = "'" + text + "' is not a scale degree: ";
  RatioReading reading = read_ratio(text);
  if (!reading.problem.empty()) return bad_scale(what + reading.problem);
  const RatioValue &value = reading.value;
  double ratio = value.x / value.y;
  if (!(ratio > 0) || !std::isfinite(ratio)) return bad_scale(what + "a degree is a positive finite ratio");
  uint64_t numerator = 0;
  uint64_t denominator = 0;
  switch (value.notation) {
    case RatioNotation::kCents:
      pitch = cents_pitch(std::strtod(text.c_str(), nullptr));  // as typed, not through its ratio
      return no_problem();
    case RatioNotation::kMonzo:
      if (is_whole_below_exact_limit(value.x) && is_whole_below_exact_limit(value.y)) {
        pitch = ratio_pitch(static_cast<uint64_t>(value.x), static_cast<uint64_t>(value.y));
        return no_problem();
      }
      break;
    case RatioNotation::kNumber:
    case RatioNotation::kFraction:
    case RatioNotation::kNumberPair:
      if (read_exact_ratio(text, numerator, denominator)) {
        pitch = ratio_pitch(numerator, denominator);
        return no_problem();
      }
      break;
    case RatioNotation::kEqualSteps:
      break;
  }
  pitch = cents_pitch(cents_of_ratio(ratio));
  return no_problem();
}

Problem scale_of_equal_division(const std::string &text, ScaleSource &source) {
  const std::string what = "--edo: '" + text + "' is not ";
  size_t open = text.find('<');
  double divisions = 0;
  if (!reads_wholly_as_number(text.substr(0, open), divisions) || divisions != std::floor(divisions) || divisions < 1 ||
      divisions > kMaxEqualDivisions) {
    return bad_scale(what + "a number of steps from 1 to " + std::to_string(kMaxEqualDivisions) +
                     ", with its equave as in 12<2>");
  }
  ScalePitch equave = ratio_pitch(2, 1);
  std::string equave_text = "2/1";
  if (open != std::string::npos) {
    if (text.back() != '>' || text.size() < open + 3)
      return bad_scale(what + "an equal division: write N or N<P>, as in 13<3>");
    equave_text = text.substr(open + 1, text.size() - open - 2);
    Problem problem = read_scale_degree(equave_text, equave);
    if (problem) return bad_scale("--edo: " + problem.message);
    if (!(equave.cents > 0)) return bad_scale(what + "an equal division: its equave must be larger than 1/1");
  }
  auto n = static_cast<uint64_t>(divisions);
  source.given = "--edo=" + text;
  source.description =
      std::to_string(n) + " equal divisions of " + (equave.is_ratio ? scala_pitch_text(equave) : equave_text);
  for (uint64_t k = 1; k <= n; ++k) {
    ScalePitch pitch = cents_pitch(equave.cents * static_cast<double>(k) / static_cast<double>(n));
    if (equave.is_ratio) exact_step(equave.numerator, equave.denominator, k, n, pitch);
    source.pitches.push_back(pitch);
  }
  return no_problem();
}

Problem scale_of_items(const std::vector<std::string> &items, ScaleSource &source) {
  for (const std::string &item : items) {
    ScalePitch pitch;
    Problem problem = read_scale_degree(item, pitch);
    if (problem) return problem;
    source.pitches.push_back(pitch);
    source.given += (source.given.empty() ? "" : " ") + item;
  }
  if (!rises_above_unison(source.pitches.back())) return bad_scale("'" + items.back() + "': " + kEquaveAboveUnison);
  source.description = "the scale " + source.given;
  return no_problem();
}

Problem scale_of_file(const std::string &name, ScaleSource &source) {
  std::string text;
  std::string problem = read_whole_file(name, text);
  if (!problem.empty()) return bad_scale(problem);
  ScalaReading reading = read_scala_scale(text);
  if (!reading.ok && reading.line == 0) return bad_scale(name + ": " + reading.problem);  // an empty file
  if (!reading.ok) return bad_scale(name + ":" + std::to_string(reading.line) + ": " + reading.problem);
  if (reading.scale.pitches.empty()) return bad_scale(name + " has no pitches: its count is 0");
  if (!rises_above_unison(reading.scale.pitches.back())) {
    return bad_scale(name + ":" + std::to_string(reading.equave_line) + ": " + kEquaveAboveUnison);
  }
  source.given = "--from-scl=" + name;
  source.description = reading.scale.description.empty() ? name : reading.scale.description;
  source.pitches = reading.scale.pitches;
  return no_problem();
}
