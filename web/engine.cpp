// The page's entry into the search engine: runs one search from plain parameters and
// hands each accepted approximant, then the summary, to JavaScript as the same JSON line
// that `ratiohunt --format=json` prints, and the search's progress as it goes.
#include <emscripten/emscripten.h>

#include <cmath>
#include <string>
#include <utility>

#include "present/result_sinks.h"
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

}  // namespace

extern "C" {

// Runs one search and streams its records through Module.onRecordLine. The target is as
// typed (for the summary's "target"; "" for none) and means x/y; the factors are count
// ints at factors. Returns 0, or 1 when the parameters cannot start a search.
EMSCRIPTEN_KEEPALIVE int ratiohunt_web_search(const char *target, double x, double y, const int *factors, int count,
                                              double max_quotient, double time_out_seconds, int range_mode,
                                              double low_cents, double high_cents, int every_vector) {
  if (count < 1 || !(x > 0) || !(y > 0) || factors[count - 1] < 2) return 1;
  SearchParams search;
  search.x = x;
  search.y = y;
  search.factors.assign(factors, factors + count);
  search.ln_max_quotient = std::log(max_quotient);
  search.time_out_seconds = time_out_seconds;
  search.range_mode = range_mode != 0;
  search.range_low_cents = low_cents;
  search.range_high_cents = high_cents;
  search.every_vector = every_vector != 0;
  search.threads = 1;  // a page opened from a file cannot have threads
  RunView run = view_of_search(search, max_quotient, 0);
  run.target_text = target;
  PageSink sink(std::move(run));
  run_search(search, sink);
  return 0;
}
}
