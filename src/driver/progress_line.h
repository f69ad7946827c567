// The progress line: while a long search runs with standard error on a terminal, one
// line there, rewritten a few times a second, says how far it has come. When the results
// go to the same terminal it is erased before each result and drawn again after it, and
// when their line is not finished (successive mode writes one long line) it stands after
// them on that line, so nothing shown is overwritten; when they go elsewhere it stays.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "search/search.h"

class ProgressLine : public ResultSink {
 public:
  // Passes everything on to inner; draws on terminal (standard error), which is columns
  // wide; results_column tells where the results' unfinished line on it ends (0: none).
  // The results go to results: when that is the terminal too, the line makes way for them.
  ProgressLine(ResultSink &inner, FILE *terminal, int columns, std::function<int()> results_column,
               const SearchParams &search, FILE *results = stdout);
  void approximant(const Approximant &found) override;
  std::unique_ptr<BlockFormatter> block_formatter() override { return inner_.block_formatter(); }
  void formatted(std::string_view bytes, int64_t count) override;
  void progress(const SearchProgress &now) override;
  void finished(const SearchSummary &summary) override;

 private:
  void draw(const std::string &text);
  void erase();
  ResultSink &inner_;
  FILE *terminal_;
  int columns_;
  std::function<int()> results_column_;
  bool results_share_terminal_;
  int drawn_at_column_ = 0;
  bool successive_;
  double time_out_seconds_;
  bool shown_ = false;
  SearchProgress last_;  // what the line says while it is shown
};

// The text of the progress line, without the terminal's control characters: what was
// found first, then the share done and the time left, then the work done, so a narrow
// terminal cuts the least telling part.
std::string progress_text(const SearchProgress &now, bool successive, double time_out_seconds);
// A count as people read it: exact below 1000, else three digits and k, M, G, T, P or E.
std::string count_for_people(int64_t count);
// A time as people read it: in s, min, h, days or years, two digits at most before the
// point (9.8 s, 42 s, 5 min), and counted like count_for_people from 100 years on.
std::string duration_for_people(double seconds);
