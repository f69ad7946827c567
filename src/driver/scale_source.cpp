// Reading a scale from a file: the bytes as they are, read by the scale file reader, and
// every problem named by the file and its line.
#include "driver/scale_source.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "present/scala_file.h"

namespace {

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
