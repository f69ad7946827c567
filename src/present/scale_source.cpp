// Reading a scale's degrees from an equal division or from the degrees as typed, and its
// rules' numbers. Degrees are kept exact wherever they can be (ratios, decimals, small
// monzos, the steps of an equal division that are ratios), so that "exactly just" is
// decided on integers.
#include "present/scale_source.h"

#include <cmath>
#include <cstdlib>

#include "present/number_formats.h"
#include "present/ratio_reader.h"
#include "present/scala_file.h"
#include "present/text_format.h"

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

}  // namespace

bool rises_above_unison(const ScalePitch &pitch) {
  return pitch.cents > 0 && (!pitch.is_ratio || pitch.numerator > pitch.denominator);
}

std::string read_scale_degree(const std::string &text, ScalePitch &pitch) {
  const std::string what = "'" + text + "' is not a scale degree: ";
  RatioReading reading = read_ratio(text);
  if (!reading.problem.empty()) return what + reading.problem;
  const RatioValue &value = reading.value;
  double ratio = value.x / value.y;
  if (!(ratio > 0) || !std::isfinite(ratio)) return what + "a degree is a positive finite ratio";
  uint64_t numerator = 0;
  uint64_t denominator = 0;
  switch (value.notation) {
    case RatioNotation::kCents:
      pitch = cents_pitch(std::strtod(text.c_str(), nullptr));  // as typed, not through its ratio
      return "";
    case RatioNotation::kMonzo:
      if (is_whole_below_exact_limit(value.x) && is_whole_below_exact_limit(value.y)) {
        pitch = ratio_pitch(static_cast<uint64_t>(value.x), static_cast<uint64_t>(value.y));
        return "";
      }
      break;
    case RatioNotation::kNumber:
    case RatioNotation::kFraction:
    case RatioNotation::kNumberPair:
      if (read_exact_ratio(text, numerator, denominator)) {
        pitch = ratio_pitch(numerator, denominator);
        return "";
      }
      break;
    case RatioNotation::kEqualSteps:
      break;
  }
  pitch = cents_pitch(cents_of_ratio(ratio));
  return "";
}

std::string scale_of_equal_division(const std::string &text, ScaleSource &source) {
  const std::string what = "--edo: '" + text + "' is not ";
  size_t open = text.find('<');
  double divisions = 0;
  if (!reads_wholly_as_number(text.substr(0, open), divisions) || divisions != std::floor(divisions) || divisions < 1 ||
      divisions > kMaxEqualDivisions) {
    return what + "a number of steps from 1 to " + std::to_string(kMaxEqualDivisions) + ", with its equave as in 12<2>";
  }
  ScalePitch equave = ratio_pitch(2, 1);
  std::string equave_text = "2/1";
  if (open != std::string::npos) {
    if (text.back() != '>' || text.size() < open + 3) return what + "an equal division: write N or N<P>, as in 13<3>";
    equave_text = text.substr(open + 1, text.size() - open - 2);
    std::string problem = read_scale_degree(equave_text, equave);
    if (!problem.empty()) return "--edo: " + problem;
    if (!(equave.cents > 0)) return what + "an equal division: its equave must be larger than 1/1";
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
  return "";
}

std::string scale_of_items(const std::vector<std::string> &items, ScaleSource &source) {
  if (items.empty()) return "no scale: give the degrees, the equave last";
  for (const std::string &item : items) {
    ScalePitch pitch;
    std::string problem = read_scale_degree(item, pitch);
    if (!problem.empty()) return problem;
    source.pitches.push_back(pitch);
    source.given += (source.given.empty() ? "" : " ") + item;
  }
  if (!rises_above_unison(source.pitches.back())) return "'" + items.back() + "': " + kEquaveAboveUnison;
  source.description = "the scale " + source.given;
  return "";
}

namespace {

constexpr double kMaxScaleTerm = 9007199254740992.0;  // 2^53: every term below it is an exact double
constexpr int kMaxMidiNote = 127;

// A number option's value, when given: the whole text a number, else what it must be.
std::string read_number(const std::map<std::string, std::string> &values, const std::string &name, double &value,
                        const char *what) {
  auto found = values.find(name);
  if (found == values.end()) return "";
  if (!reads_wholly_as_number(found->second, value) || !std::isfinite(value)) {
    return "--" + name + ": '" + found->second + "' is not " + what;
  }
  return "";
}

bool is_whole(double value) { return value == std::floor(value); }

}  // namespace

const char *const kEquaveAboveUnison = "the equave, the last degree, must be larger than 1/1";

std::string read_scale_numbers(const std::map<std::string, std::string> &values, ScaleNumbers &numbers) {
  std::string problem = read_number(values, "within", numbers.within_cents, "a number of cents above 0");
  if (problem.empty() && !(numbers.within_cents > 0))
    problem = "--within: '" + values.at("within") + "' is not above 0";
  if (problem.empty()) problem = read_number(values, "max-term", numbers.max_term, "a whole number from 2 to 2^53");
  if (problem.empty() && (numbers.max_term < 2 || numbers.max_term > kMaxScaleTerm || !is_whole(numbers.max_term))) {
    problem = "--max-term: '" + values.at("max-term") + "' is not a whole number from 2 to 2^53";
  }
  if (problem.empty()) problem = read_number(values, "base-note", numbers.base_note, "a MIDI note from 0 to 127");
  if (problem.empty() && (numbers.base_note < 0 || numbers.base_note > kMaxMidiNote || !is_whole(numbers.base_note))) {
    problem = "--base-note: '" + values.at("base-note") + "' is not a MIDI note from 0 to 127";
  }
  if (problem.empty()) problem = read_number(values, "base-frequency", numbers.base_frequency, "a frequency in Hz");
  if (problem.empty() && !(numbers.base_frequency > 0)) {
    problem = "--base-frequency: '" + values.at("base-frequency") + "' is not a frequency above 0 Hz";
  }
  return problem;
}

std::string basis_problem(const std::vector<ScalePitch> &pitches, const std::vector<int> &basis) {
  for (size_t i = 0; i < pitches.size(); ++i) {
    const ScalePitch &pitch = pitches[i];
    if (!pitch.is_ratio || ratio_in_basis(pitch.numerator, pitch.denominator, basis)) continue;
    std::string which = i + 1 == pitches.size() ? "the equave" : "degree " + std::to_string(i + 1);
    std::string ratio = std::to_string(pitch.numerator) + "/" + std::to_string(pitch.denominator);
    return which.append(" (").append(ratio).append(") is not a ratio of the basis ").append(basis_text(basis));
  }
  return "";
}

ScaleSummary scale_summary(const ScaleSource &source, const JustRules &rules) {
  ScaleSummary summary;
  summary.scale = source.given;
  summary.description = source.description;
  summary.basis = rules.basis;
  summary.within_cents = rules.within_cents;
  summary.max_term = static_cast<double>(rules.max_term);
  return summary;
}

ScalaScale just_scala_scale(const ScaleSummary &summary, const std::vector<JustDegree> &degrees) {
  ScalaScale scale;
  scale.description = made_just_description(summary);
  for (const JustDegree &degree : degrees) {
    scale.pitches.push_back(degree.found ? ratio_pitch(degree.numerator, degree.denominator)
                                         : cents_pitch(degree.target.cents));
  }
  return scale;
}

std::string scale_time_out_text(const JustScale &just, size_t degrees) {
  return "time out at " + number_text(kEndSecondsFormat, just.seconds) + " s with " +
         std::to_string(just.degrees.size()) + " of " + std::to_string(degrees) +
         " degrees made just; nothing is shown or written";
}
