// The Scala formats as their published description gives them. A scale file is comment
// lines beginning with '!' anywhere, a description line, a count and that many pitch
// lines; a keyboard mapping is seven numbers and its map, one a line.
#include "present/scala_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char *kScalaDecimalFormat = "%.6f";  // cents and hertz: a period and six decimals
constexpr uint64_t kMaxScalaTerm = 2147483647;       // 2^31 - 1: larger ratio terms are written as cents
constexpr int kFirstMidiNote = 0;
constexpr int kLastMidiNote = 127;
const char *const kBlanks = " \t";

// The text's lines without their ends (LF or CR LF); a last line without an end counts.
std::vector<std::string> split_lines(const std::string &text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Leading digits read as an unsigned integer at pos, which moves past them; false on none
// or on a value beyond 64 bits (then problem says so).
bool read_term(const std::string &text, size_t &pos, uint64_t &value, std::string &problem) {
  size_t start = pos;
  value = 0;
  for (; pos < text.size() && is_digit(text[pos]); ++pos) {
    uint64_t digit = static_cast<uint64_t>(text[pos] - '0');
    if (value > (UINT64_MAX - digit) / 10) {
      problem = "a ratio term too large";
      return false;
    }
    value = value * 10 + digit;
  }
  return pos > start;
}

// What follows a pitch must not continue it: the end, or anything but a digit, period or slash.
bool pitch_ends_at(const std::string &text, size_t pos) {
  return pos >= text.size() || (!is_digit(text[pos]) && text[pos] != '.' && text[pos] != '/');
}

// One pitch line: "" and the pitch, or what is wrong with it.
std::string read_pitch(const std::string &line, ScalePitch &pitch) {
  size_t start = line.find_first_not_of(kBlanks);
  if (start == std::string::npos) return "an empty pitch line";
  size_t number_end = line.find_first_not_of("+-0123456789.", start);
  std::string number = line.substr(start, number_end == std::string::npos ? std::string::npos : number_end - start);
  if (number.find('.') != std::string::npos) {
    char *end = nullptr;
    errno = 0;
    double cents = std::strtod(number.c_str(), &end);
    if (end == number.c_str() || *end != '\0' || errno == ERANGE || !pitch_ends_at(line, number_end)) {
      return "a pitch in cents that is not a number";
    }
    pitch = cents_pitch(cents);
    return "";
  }
  size_t pos = start;
  bool negative = line[pos] == '-';
  if (line[pos] == '-' || line[pos] == '+') ++pos;
  uint64_t numerator = 0;
  uint64_t denominator = 1;
  std::string problem;
  if (!read_term(line, pos, numerator, problem))
    return problem.empty() ? "a pitch that is not a ratio or cents" : problem;
  if (pos < line.size() && line[pos] == '/') {
    ++pos;
    if (!read_term(line, pos, denominator, problem)) {
      return problem.empty() ? "a ratio with no denominator after the slash" : problem;
    }
  }
  if (!pitch_ends_at(line, pos)) return "a pitch that is not a ratio or cents";
  if (denominator == 0) return "a ratio with denominator 0";
  if (numerator == 0) return "a ratio of 0";
  if (negative) return "a negative ratio";
  pitch = ratio_pitch(numerator, denominator);
  return "";
}

constexpr const char *kCountNotWhole = "a count that is not a whole number";

// The count line: a non-negative integer that fits an int, text after it ignored. A
// problem, or "".
std::string read_count(const std::string &line, int &count) {
  size_t start = line.find_first_not_of(kBlanks);
  if (start == std::string::npos || !is_digit(line[start])) return kCountNotWhole;
  errno = 0;
  char *end = nullptr;
  long value = std::strtol(line.c_str() + start, &end, 10);
  if (!pitch_ends_at(line, static_cast<size_t>(end - line.c_str()))) return kCountNotWhole;
  if (errno == ERANGE || value > INT32_MAX) return "a count that is too large: at most " + std::to_string(INT32_MAX);
  count = static_cast<int>(value);
  return "";
}

ScalaReading failed(int line, const std::string &problem) {
  ScalaReading reading;
  reading.line = line;
  reading.problem = problem;
  return reading;
}

bool is_blank(const std::string &line) { return line.find_first_not_of(kBlanks) == std::string::npos; }

// Text for one line of a file: a line break inside it (from a file name, say) becomes a blank.
std::string one_line(std::string text) {
  for (char &c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

std::string comment_lines(const std::vector<std::string> &comments) {
  std::string text;
  for (const std::string &comment : comments) text += comment.empty() ? "!\n" : "! " + one_line(comment) + "\n";
  return text;
}

}  // namespace

ScalaReading read_scala_scale(const std::string &text) {
  std::vector<std::string> lines = split_lines(text);
  ScalaReading reading;
  enum class Expect { kDescription, kCount, kPitch } expect = Expect::kDescription;
  int count = 0;
  int line_number = 0;
  for (const std::string &line : lines) {
    ++line_number;
    if (!line.empty() && line[0] == '!') continue;
    if (expect == Expect::kDescription) {
      reading.scale.description = line;
      expect = Expect::kCount;
    } else if (expect == Expect::kCount) {
      std::string problem = read_count(line, count);
      if (!problem.empty()) return failed(line_number, problem);
      expect = Expect::kPitch;
    } else if (!is_blank(line)) {
      if (static_cast<int>(reading.scale.pitches.size()) == count) {
        return failed(line_number, "more pitch lines than the count of " + std::to_string(count));
      }
      ScalePitch pitch;
      std::string problem = read_pitch(line, pitch);
      if (!problem.empty()) return failed(line_number, problem);
      reading.scale.pitches.push_back(pitch);
      reading.equave_line = line_number;
    }
  }
  if (expect == Expect::kDescription) return failed(line_number, "no description line");
  if (expect == Expect::kCount) return failed(line_number, "no count line");
  if (static_cast<int>(reading.scale.pitches.size()) != count) {
    return failed(line_number, std::to_string(reading.scale.pitches.size()) + " pitch lines for a count of " +
                                   std::to_string(count));
  }
  reading.ok = true;
  return reading;
}

std::string scala_pitch_text(const ScalePitch &pitch) {
  if (pitch.is_ratio && pitch.numerator <= kMaxScalaTerm && pitch.denominator <= kMaxScalaTerm) {
    return std::to_string(pitch.numerator) + "/" + std::to_string(pitch.denominator);
  }
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, kScalaDecimalFormat, pitch.cents);
  return buffer;
}

std::string scala_scale_text(const std::vector<std::string> &comments, const ScalaScale &scale) {
  std::string text = comment_lines(comments);
  text += one_line(scale.description) + "\n";
  text += std::to_string(scale.pitches.size()) + "\n";
  text += "!\n";
  for (const ScalePitch &pitch : scale.pitches) text += scala_pitch_text(pitch) + "\n";
  return text;
}

std::string scala_keyboard_text(const std::vector<std::string> &comments, const KeyboardMapping &mapping) {
  char frequency[64];
  std::snprintf(frequency, sizeof frequency, kScalaDecimalFormat, mapping.base_frequency);
  std::string text = comment_lines(comments);
  text += "! map size\n" + std::to_string(mapping.size) + "\n";
  text += "! first and last MIDI note mapped\n" + std::to_string(kFirstMidiNote) + "\n" +
          std::to_string(kLastMidiNote) + "\n";
  text += "! middle note, where the 1/1 sounds\n" + std::to_string(mapping.base_note) + "\n";
  text += "! reference note and its frequency in Hz\n" + std::to_string(mapping.base_note) + "\n" + frequency + "\n";
  text += "! scale degree of the formal octave\n" + std::to_string(mapping.size) + "\n";
  text += "! mapping\n";
  for (int degree = 0; degree < mapping.size; ++degree) text += std::to_string(degree) + "\n";
  return text;
}

std::vector<std::string> scala_file_comments(const std::string &path, const std::string &command) {
  if (path == "-") return {command, ""};
  size_t slash = path.find_last_of("/\\");
  return {slash == std::string::npos ? path : path.substr(slash + 1), command, ""};
}
