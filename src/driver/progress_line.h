// The progress line: while a long search runs with standard error on a terminal, one
// line there, rewritten a few times a second, says how far it has come; it is erased
// before any result is shown and when the search ends. When the results share the
// terminal and their line is not finished (successive mode writes one long line), the
// progress stands after them on that line, so nothing shown is overwritten.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "search/search.h"

class ProgressLine : public ResultSink {
 public:
  // Passes everything on to inner; draws on terminal (standard error), which is columns
  // wide; results_column tells where the results' unfinished line on it ends (0: none).
  ProgressLine(ResultSink &inner, FILE *terminal, int columns, std::function<int()> results_column,
               const SearchParams &search);
  void approximant(const Approximant &found) override;
  void progress(const SearchProgress &now) override;
  void finished(const SearchSummary &summary) override;

 private:
  void draw(const std::string &text);
  void erase();
  ResultSink &inner_;
  FILE *terminal_;
  int columns_;
  std::function<int()> results_column_;
  int drawn_at_column_ = 0;
  bool successive_;
  double time_out_seconds_;
  bool shown_ = false;
};

// The text of the progress line, without the terminal's control characters.
std::string progress_text(const SearchProgress &now, bool successive, double time_out_seconds);
