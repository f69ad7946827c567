// Where the search's results go: sinks that hand each accepted approximant and the
// closing summary to a renderer. This is where the search meets the presentation.
#pragma once

#include <utility>

#include "driver/run_config.h"
#include "present/run_view.h"
#include "present/text_renderer.h"
#include "search/search.h"

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
