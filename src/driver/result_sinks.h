// Where the search's results go: sinks that hand each accepted approximant and the
// closing summary to a renderer. This is where the search meets the presentation.
#pragma once

#include <utility>

#include "driver/run_config.h"
#include "present/run_view.h"
#include "present/text_renderer.h"
#include "search/search.h"

// The records' name for how a search ended: exhausted, exact_hit, time_out, interrupted
// (by a signal) or output_lost (standard output could not be written).
const char *search_end_name(SearchEnd end);

// The renderers' view of a run.
RunView run_view(const RunConfig &config);

// The text output: approximants as they come, then the time-out message and the report.
class TextSink : public ResultSink {
 public:
  TextSink(const RunConfig &config, TextWriter write) : renderer_(run_view(config), std::move(write)) {}
  const TextRenderer &renderer() const { return renderer_; }
  void approximant(const Approximant &found) override;
  void finished(const SearchSummary &summary) override;

 private:
  TextRenderer renderer_;
};

// The structured output: a CSV header row or nothing first, then a record for each
// approximant as it comes, then the summary: the last JSON line, or for CSV one JSON
// line on its own writer (standard error).
class RecordSink : public ResultSink {
 public:
  RecordSink(const RunConfig &config, TextWriter write_records, TextWriter write_summary);
  void approximant(const Approximant &found) override;
  void finished(const SearchSummary &summary) override;

 private:
  RunView run_;
  OutputFormat format_;
  TextWriter write_records_;
  TextWriter write_summary_;
};
