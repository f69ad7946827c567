// The text output for people: the search header, each accepted approximant as a ratio
// formula (successive mode) or a monzo line (range mode), the time-out message, and the
// closing report with the sizes in cents.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "present/run_view.h"
#include "present/search_ends.h"

// Receives the text in the order it is to appear.
using TextWriter = std::function<void(const std::string &text)>;

// The size of one write of a long output: records gathered for a pipe, or a piece of a
// long run of lines.
constexpr size_t kWritePieceBytes = size_t{64} << 10;

// Writes whole lines of text through write in pieces of about kWritePieceBytes, each
// ending at a line end: a run of lines the search's workers made may be tens of megabytes,
// and a copy of it all would double the memory it holds.
void write_lines_in_pieces(const TextWriter &write, std::string_view lines);

// The report lists the sizes of this many approximants; later ones are shown but not listed.
constexpr int kResultLogCapacity = 1000;

// One approximant's line in range mode, line end included, appended to out: the monzo
// line and its size in cents. It depends on nothing but its arguments, so any thread may
// write one.
void append_range_line(const RunView &run, const int *exponents, double cents, std::string &out);

class TextRenderer {
 public:
  TextRenderer(RunView run, TextWriter write);

  // "Successive approx. to 7/6 in form:" (or the range header), the factor list and the
  // max quotient line.
  void write_search_header() const;
  // One accepted approximant: its signed exponents in factor order and its size in cents.
  void write_approximant(const int *exponents, double cents);
  // Range mode: `count` approximants' lines made by append_range_line elsewhere (on the
  // search's worker threads), written in place of as many write_approximant calls.
  void write_range_lines(std::string_view lines, int64_t count);
  // The message of a search that ended early (timed out, interrupted by the user, or
  // stopped because standard output could no longer be written) between two rows of
  // stars; nothing for an end that has none.
  void write_end_message(const SearchEndText &end, double seconds) const;
  // The counts, in successive mode the sizes and their differences from the target, and
  // the closing line.
  void write_report(int64_t tested) const;

 private:
  RunView run_;
  TextWriter write_;
  // How many approximants the report counts (at most kResultLogCapacity), and in
  // successive mode their sizes in cents, which range mode's report does not list.
  int64_t logged_ = 0;
  std::vector<double> result_log_;
};
