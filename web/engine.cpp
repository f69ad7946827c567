// The page's entry into the engine: runs one search from plain parameters and hands each
// accepted approximant, then the summary, to JavaScript as the JSON line `ratiohunt
// --format=json` prints; and lends the page the program's own readers and spellings (the
// target notations, monzo text, numbers, CSV rows, search ends and refusals).
#include <emscripten/emscripten.h>

#include <cctype>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "engine_text.h"
#include "present/approximant_text.h"
#include "present/ratio_reader.h"
#include "present/record_writer.h"
#include "present/records.h"
#include "present/result_sinks.h"
#include "present/search_ends.h"
#include "present/search_refusals.h"
#include "present/text_format.h"
#include "search/search.h"

// Call the JavaScript handlers the worker installed on the module.
EM_JS(void, ratiohunt_emit_line, (const char *line), { Module['onRecordLine'](UTF8ToString(line)); });
EM_JS(void, ratiohunt_emit_progress, (double done_share, double tested, double seconds),
      { Module['onProgress'](done_share, tested, seconds); });

namespace {

// The records of the structured output, and the progress the text output would show.
class PageSink : public RecordSink {
 public:
  explicit PageSink(RunView run) : RecordSink(std::move(run), RecordFormat::kJson, emit_line, emit_line) {}
  void progress(const SearchProgress &now) override {
    ratiohunt_emit_progress(now.done_share, static_cast<double>(now.tested), now.seconds);
  }

 private:
  static void emit_line(const std::string &line) { ratiohunt_emit_line(line.c_str()); }
};

bool is_blank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::string trimmed(const std::string &text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && is_blank(text[first])) ++first;
  while (last > first && is_blank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

// The target field's text as the one word the program reads. The field also takes what old
// links carry, N:D and blanks around the "/"; a blank inside cents or steps it refuses,
// since the program would read two words there.
std::string target_word(const std::string &typed, std::string &problem) {
  std::string text = trimmed(typed);
  if (notation_of(text) == RatioNotation::kMonzo) return text;
  bool has_blank = text.find_first_of(" \t\n\v\f\r") != std::string::npos;
  const std::string cents_sign = "\xC2\xA2";  // ¢ in UTF-8
  bool ends_as_cents = (!text.empty() && text.back() == 'c') ||
                       (text.size() >= cents_sign.size() &&
                        text.compare(text.size() - cents_sign.size(), cents_sign.size(), cents_sign) == 0);
  if (text.find('\\') != std::string::npos || ends_as_cents) {
    if (has_blank) problem = "a blank inside the notation";
    return text;
  }
  size_t colon = text.find(':');
  if (colon != std::string::npos && text.find('/') == std::string::npos) text[colon] = '/';
  size_t slash = text.find('/');
  if (slash == std::string::npos) return text;
  return trimmed(text.substr(0, slash)) + "/" + trimmed(text.substr(slash + 1));
}

const char *notation_name(RatioNotation notation) {
  switch (notation) {
    case RatioNotation::kCents:
      return "cents";
    case RatioNotation::kEqualSteps:
      return "edo";
    case RatioNotation::kMonzo:
      return "monzo";
    case RatioNotation::kNumber:
    case RatioNotation::kNumberPair:
    case RatioNotation::kFraction:
      break;
  }
  return "ratio";
}

SearchParams search_of(double x, double y, const int *factors, int count, double max_quotient) {
  SearchParams search;
  search.x = x;
  search.y = y;
  search.factors.assign(factors, factors + count);
  search.ln_max_quotient = std::log(max_quotient);
  search.threads = 1;  // a page opened from a file cannot have threads
  return search;
}

}  // namespace

extern "C" {

// The target as typed, read as the program reads it: {"x":..,"y":..,"notation":..,"unison":..}
// (notation ratio, cents, edo or monzo; unison by the search's own test), or {"error":..,
// "notation":..} with the program's words for what is wrong.
EMSCRIPTEN_KEEPALIVE const char *ratiohunt_web_read_target(const char *typed) {
  std::string problem;
  std::string word = target_word(typed, problem);
  RatioReading reading = read_ratio(word);
  if (problem.empty()) problem = reading.problem;
  const RatioValue &value = reading.value;
  SearchRefusal refusal = problem.empty() ? target_refusal(value.x, value.y) : SearchRefusal::kNone;
  if (refusal != SearchRefusal::kNone) problem = search_refusal_text(refusal, value.x, value.y, 0);
  std::string notation = json_text(notation_name(notation_of(word)));
  if (!problem.empty()) return returned("{\"error\":" + json_text(problem) + ",\"notation\":" + notation + "}");
  return returned("{\"x\":" + shortest_number_text(value.x) + ",\"y\":" + shortest_number_text(value.y) +
                  ",\"notation\":" + notation +
                  ",\"unison\":" + (is_unison_target(value.x, value.y) ? "true" : "false") + "}");
}

// The exponents as the records' monzo text: [-4 4, -1>.
EMSCRIPTEN_KEEPALIVE const char *ratiohunt_web_monzo_text(const int *exponents, int count) {
  return returned(monzo_text(exponents, count));
}

// A number as the records spell it (digits 0: the shortest text that reads back the same),
// or with this many significant digits, as a size in cents is shown.
EMSCRIPTEN_KEEPALIVE const char *ratiohunt_web_number_text(double value, int digits) {
  if (digits <= 0) return returned(shortest_number_text(value));
  return returned(standard_number_text(kCentsFormat, digits, value));
}

// The CSV `ratiohunt --format=csv` writes for these records of the search of x/y by the
// factors: the header, then a row for each of the rows exponent vectors (count each, one
// after the other) with its size in cents.
EMSCRIPTEN_KEEPALIVE const char *ratiohunt_web_csv(const char *target, double x, double y, const int *factors,
                                                   int count, double max_quotient, const int *exponents,
                                                   const double *cents, int rows) {
  RunView run = view_of_search(search_of(x, y, factors, count, max_quotient), max_quotient, 0);
  run.target_text = target;
  RecordContext context = record_context(std::move(run));
  std::string out = approximant_field_names(context.run) + "\n";
  for (int row = 0; row < rows; ++row) {
    append_approximant_record(context, RecordFormat::kCsv, exponents + static_cast<size_t>(row) * count, cents[row],
                              out);
  }
  return returned(std::move(out));
}

// What the program says of a search that ended as end (a summary's "end") after seconds:
// {"known":..,"message":..}, the message empty for an end that needs none.
EMSCRIPTEN_KEEPALIVE const char *ratiohunt_web_end_text(const char *end, double seconds) {
  const SearchEndText *text = search_end_named(end);
  std::string message = text != nullptr ? search_end_message(*text, seconds) : "";
  return returned(std::string("{\"known\":") + (text != nullptr ? "true" : "false") +
                  ",\"message\":" + json_text(message) + "}");
}

// Runs one search and streams its records through Module.onRecordLine. The target is as
// typed (for the summary's "target"; "" for none) and means x/y; the factors are count
// ints at factors. Returns "", or the program's words for why it cannot start this search.
EMSCRIPTEN_KEEPALIVE const char *ratiohunt_web_search(const char *target, double x, double y, const int *factors,
                                                      int count, double max_quotient, double time_out_seconds,
                                                      int range_mode, double low_cents, double high_cents,
                                                      int every_vector) {
  SearchParams search = search_of(x, y, factors, count, max_quotient);
  int bad_factor = 0;
  SearchRefusal refusal = target_refusal(x, y);
  if (refusal == SearchRefusal::kNone) refusal = factors_refusal(search.factors, bad_factor);
  if (refusal != SearchRefusal::kNone) return returned(search_refusal_text(refusal, x, y, bad_factor));
  if (count < 1) return returned("No factors to look for.\n");
  search.time_out_seconds = time_out_seconds;
  search.range_mode = range_mode != 0;
  search.range_low_cents = low_cents;
  search.range_high_cents = high_cents;
  search.every_vector = every_vector != 0;
  RunView run = view_of_search(search, max_quotient, 0);
  run.target_text = target;
  PageSink sink(std::move(run));
  run_search(search, sink);
  return returned("");
}
}
