// The progress line: what it says, and how it is drawn and erased on a terminal, at the
// start of a line or after the results' unfinished line, never overwriting them.
#include "driver/progress_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

class NullSink : public ResultSink {
  void approximant(const Approximant & /*found*/) override {}
  void finished(const SearchSummary & /*summary*/) override {}
};

SearchProgress two_seconds_in() {
  SearchProgress now;
  now.tested = 123456;
  now.accepted = 3;
  now.seconds = 2.0;
  now.done_share = 0.25;
  now.best_distance = 0.0123456;
  return now;
}

// What a progress report and then a found approximant write to the terminal.
std::string drawn(int columns, int results_column) {
  FILE *terminal = std::tmpfile();
  NullSink inner;
  SearchParams search;
  search.time_out_seconds = 100;
  ProgressLine line(
      inner, terminal, columns, [results_column] { return results_column; }, search);
  line.progress(two_seconds_in());
  const int exponents[] = {1};
  line.approximant(Approximant{exponents, 1, 0.0, 0.0, 0.0});
  std::rewind(terminal);
  char buffer[1024] = {};
  size_t got = std::fread(buffer, 1, sizeof buffer - 1, terminal);
  std::fclose(terminal);
  return std::string(buffer, got);
}

TEST(ProgressLine, SaysHowFarTheSearchHasCome) {
  EXPECT_EQ(progress_text(two_seconds_in(), true, 100.0),
            "ratiohunt: 2 s, 123456 tested, 25% done, about 6 s left, 3 found, best 0.01235 cents");
  EXPECT_EQ(progress_text(two_seconds_in(), false, 3.0),  // the time out comes first; no best in range mode
            "ratiohunt: 2 s, 123456 tested, 25% done, about 1 s left, 3 found");
}

TEST(ProgressLine, DrawnAtTheStartOfAnEmptyLineAndErasedBeforeResults) {
  std::string text = drawn(200, 0);
  EXPECT_EQ(text.rfind("\rratiohunt: 2 s", 0), 0u);
  EXPECT_EQ(text.substr(text.size() - 7), "\033[K\r\033[K");  // drawn, then erased
}

TEST(ProgressLine, StandsAfterTheResultsUnfinishedLine) {
  std::string text = drawn(80, 30);
  EXPECT_EQ(text.find('\r'), std::string::npos);  // the results on the line stay
  EXPECT_EQ(text.rfind("\0337 ratiohunt: ", 0), 0u);
  size_t end = text.find("\033[K\0338");
  EXPECT_LE(end, 2 + 80u - 30 - 1);  // cut to the room left
  EXPECT_EQ(text.substr(text.size() - 7), "\0337\033[K\0338");
  EXPECT_EQ(drawn(80, 70), "");  // too little room: nothing is drawn
}

TEST(ProgressLine, NothingInTheFirstSecond) {
  FILE *terminal = std::tmpfile();
  NullSink inner;
  SearchParams search;
  ProgressLine line(
      inner, terminal, 80, [] { return 0; }, search);
  SearchProgress early = two_seconds_in();
  early.seconds = 0.5;
  line.progress(early);
  line.finished(SearchSummary{});
  EXPECT_EQ(std::ftell(terminal), 0L);
  std::fclose(terminal);
}

}  // namespace
