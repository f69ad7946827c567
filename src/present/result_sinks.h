// The sinks that render a search's results: each accepted approximant and the closing
// summary go to the text renderer or to records, written through the writers they are
// given. They implement the search's ResultSink and know nothing of processes or files.
#pragma once

#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "present/interval_measures.h"
#include "present/records.h"
#include "present/run_view.h"
#include "present/search_ends.h"
#include "present/text_renderer.h"
#include "search/search.h"

// The text output: approximants as they come, then the message of an early end and the report.
class TextSink : public ResultSink {
 public:
  TextSink(RunView run, TextWriter write) : run_(run), renderer_(std::move(run), std::move(write)) {}
  const TextRenderer &renderer() const { return renderer_; }
  void approximant(const Approximant &found) override;
  // Range mode's lines formatted by the search's worker threads (none in successive mode,
  // whose one line of formulas is short): each a pure function of the run and the approximant.
  std::unique_ptr<BlockFormatter> block_formatter() override;
  void formatted(std::string_view bytes, int64_t count) override;
  void finished(const SearchSummary &summary) override;

 private:
  RunView run_;
  TextRenderer renderer_;
};

// The structured output: a CSV header row or nothing first, then a record for each
// approximant as it comes, then the summary: the last JSON line, or for CSV one JSON
// line on its own writer (standard error, for the program). An approximant within the
// exact-hit distance waits for what follows it: when it ends the search as an exact hit,
// its record shows the target's own cents and a distance of exactly 0.
// With gather_bytes above 0, records are gathered and written once that many bytes wait,
// at each progress report and at the end (a reader of a pipe then sees them within a
// report's interval, in a write per batch rather than per record); flush_records() writes
// those waiting at once, for a search that fails.
class RecordSink : public ResultSink {
 public:
  RecordSink(RunView run, RecordFormat format, TextWriter write_records, TextWriter write_summary,
             size_t gather_bytes = 0);
  void approximant(const Approximant &found) override;
  // Records formatted by the search's worker threads: each a pure function of the run and
  // the approximant, so any thread may make it.
  std::unique_ptr<BlockFormatter> block_formatter() override;
  void formatted(std::string_view bytes, int64_t count) override;
  void progress(const SearchProgress &now) override;
  void finished(const SearchSummary &summary) override;
  void flush_records();

 private:
  void write_approximant(const int *exponents, double cents);
  void write_waiting(bool exact_hit);

  RecordContext context_;
  RecordScratch scratch_;  // the sink's own records, made on the thread that calls it
  std::string gathered_;   // records not yet written
  size_t gather_bytes_;
  bool has_waiting_ = false;
  std::vector<int> waiting_exponents_;
  double waiting_cents_ = 0.0;
  RecordFormat format_;
  TextWriter write_records_;
  TextWriter write_summary_;
};
