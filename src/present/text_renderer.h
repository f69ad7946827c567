// The text output for people: the search header, each accepted approximant as a ratio
// formula (successive mode) or a monzo line (range mode), the time-out message, and the
// closing report with the sizes in cents.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "search/search.h"

// Receives the text in the order it is to appear.
using TextWriter = std::function<void(const std::string &text)>;

class TextRenderer : public ResultSink {
 public:
  // max_quotient as the user gave it; precision: significant digits of sizes in cents.
  TextRenderer(const SearchParams &search, double max_quotient, int precision, TextWriter write);

  // "Successive approx. to 7/6 in form:" (or the range header), the factor list and the
  // max quotient line.
  void write_search_header() const;
  void approximant(const Approximant &found) override;
  // The time-out message when the search ran out of time, then the report.
  void finished(const SearchSummary &summary) override;

 private:
  const SearchParams &search_;
  double max_quotient_;
  int precision_;
  TextWriter write_;
  std::vector<double> result_log_;  // the sizes in cents of the first accepted approximants
};

// The report keeps the sizes of this many approximants; later ones are printed but not listed.
constexpr int kResultLogCapacity = 1000;
