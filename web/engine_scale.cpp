// The page's scale: a scale from the form (an equal division, or the degrees as typed, the
// equave last) made just by the program's own code, returned as the records `ratiohunt
// scale --format=json` prints and the scale file and keyboard mapping it writes.
#include <emscripten/emscripten.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine_text.h"
#include "present/basis_reader.h"
#include "present/scala_file.h"
#include "present/scale_source.h"
#include "present/scale_table.h"
#include "theory/scale_just.h"

namespace {

// The panel names its basis; the program's own default is for a command line without one.
const char *const kNoBasis = "give a prime limit (5) or a subgroup (2.3.7)";

const char *refused(const std::string &problem) { return returned("{\"error\":" + json_text(problem) + "}"); }

// The lines of text, each one degree; blank lines are none.
std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// The scale from the equal division when one is given, else from the degrees.
std::string read_source(const std::string &edo, const std::string &degrees, ScaleSource &source) {
  if (!edo.empty()) return scale_of_equal_division(edo, source);
  return scale_of_items(lines_of(degrees), source);
}

}  // namespace

extern "C" {

// The scale of edo ("12", "13<3>") or, when it is "", of the degrees (one a line, the
// equave last) made just in the basis as typed (a prime limit or a subgroup), each number
// given as the options take them (within, max-term, base-note, base-frequency), in at most time_out_seconds
// (as --time-out); command is the command line
// the files' comments show, as if it wrote ratiohunt.scl and ratiohunt.kbm. Returns
// {"records":..,"scl":..,"kbm":..}, or {"error":..} in the program's words.
EMSCRIPTEN_KEEPALIVE const char *ratiohunt_web_scale(const char *edo, const char *degrees, const char *basis,
                                                     const char *within, const char *max_term, const char *base_note,
                                                     const char *base_frequency, double time_out_seconds,
                                                     const char *command) {
  ScaleNumbers numbers;
  std::map<std::string, std::string> values = {
      {"within", within}, {"max-term", max_term}, {"base-note", base_note}, {"base-frequency", base_frequency}};
  std::string problem = read_scale_numbers(values, numbers);
  ScaleSource source;
  if (problem.empty()) problem = read_source(edo, degrees, source);
  JustRules rules;
  TypedBasis typed = read_typed_basis(basis);
  rules.basis = typed.factors;
  rules.within_cents = numbers.within_cents;
  rules.max_term = static_cast<uint64_t>(numbers.max_term);
  rules.threads = 1;  // a page opened from a file cannot have threads
  rules.time_out_seconds = time_out_seconds;
  if (problem.empty()) problem = typed.problem;
  if (problem.empty() && typed.factors.empty()) problem = kNoBasis;
  if (problem.empty()) problem = basis_problem(source.pitches, rules.basis);
  if (!problem.empty()) return refused(problem);
  JustScale just = make_scale_just(source.pitches, rules);
  if (just.end != SearchEnd::kExhausted) return refused(scale_time_out_text(just, source.pitches.size()));
  ScaleSummary summary = scale_summary(source, rules);
  KeyboardMapping mapping;
  mapping.size = static_cast<int>(source.pitches.size());
  mapping.base_note = static_cast<int>(numbers.base_note);
  mapping.base_frequency = numbers.base_frequency;
  std::string scl =
      scala_scale_text(scala_file_comments("ratiohunt.scl", command), just_scala_scale(summary, just.degrees));
  std::string kbm = scala_keyboard_text(scala_file_comments("ratiohunt.kbm", command), mapping);
  return returned("{\"records\":" + json_text(scale_records_json(summary, just.degrees)) +
                  ",\"scl\":" + json_text(scl) + ",\"kbm\":" + json_text(kbm) + "}");
}

// The basis field as the program's option reads it: {"factors":[..],"option":"--limit=7"},
// {"factors":[],"option":""} for an empty field, or {"error":..} in the program's words.
EMSCRIPTEN_KEEPALIVE const char *ratiohunt_web_basis(const char *typed) {
  TypedBasis basis = read_typed_basis(typed);
  if (!basis.problem.empty()) return refused(basis.problem);
  std::string factors;
  for (int factor : basis.factors) factors += (factors.empty() ? "" : ",") + std::to_string(factor);
  return returned("{\"factors\":[" + factors + "],\"option\":" + json_text(basis.option) + "}");
}
}
