// The progress line: while a long search runs with standard error on a terminal, one
// line there, rewritten a few times a second, says how far it has come; it is erased
// before any result is shown and when the search ends.
#pragma once

#include <cstdio>
#include <string>

#include "search/search.h"

class ProgressLine : public ResultSink {
 public:
  // Passes everything on to inner; draws on terminal (standard error).
  ProgressLine(ResultSink &inner, FILE *terminal, const SearchParams &search);
  void approximant(const Approximant &found) override;
  void progress(const SearchProgress &now) override;
  void finished(const SearchSummary &summary) override;

 private:
  void draw(const std::string &text);
  void erase();
  ResultSink &inner_;
  FILE *terminal_;
  bool successive_;
  double time_out_seconds_;
  bool shown_ = false;
};

// The text of the progress line, without the terminal's control characters.
std::string progress_text(const SearchProgress &now, bool successive, double time_out_seconds);
