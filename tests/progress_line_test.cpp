// The progress line: what it says and how its numbers read, and how it is drawn and
// erased on a terminal, at the start of a line or after the results' unfinished line,
// never overwriting them, and left alone while the results go elsewhere.
#include "driver/progress_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace {

SearchProgress two_seconds_in() {
  SearchProgress now;
  now.tested = 123456;
  now.accepted = 3;
  now.seconds = 2.0;
  now.done_share = 0.25;
  now.best_distance = 0.0123456;
  return now;
}

// Writes each result to its file as "<result>", as the text output writes to the console.
class MarkingSink : public ResultSink {
 public:
  explicit MarkingSink(FILE *results) : results_(results) {}
  void approximant(const Approximant & /*found*/) override { std::fputs("<result>", results_); }
  void formatted(std::string_view bytes, int64_t /*count*/) override {
    std::fwrite(bytes.data(), 1, bytes.size(), results_);
  }
  void finished(const SearchSummary & /*summary*/) override {}

 private:
  FILE *results_;
};

std::string contents(FILE *file) {
  std::rewind(file);
  char buffer[1024] = {};
  size_t got = std::fread(buffer, 1, sizeof buffer - 1, file);
  return std::string(buffer, got);
}

// What a progress report, a found approximant and the end write to the terminal; the
// results go to the same terminal, or else to a file of their own.
std::string drawn(int columns, int results_column, bool results_on_terminal = true) {
  FILE *terminal = std::tmpfile();
  FILE *results = results_on_terminal ? terminal : std::tmpfile();
  MarkingSink inner(results);
  SearchParams search;
  search.time_out_seconds = 100;
  ProgressLine line(
      inner, terminal, columns, [results_column] { return results_column; }, search, results);
  line.progress(two_seconds_in());
  const int exponents[] = {1};
  line.approximant(Approximant{exponents, 1, 0.0, 0.0, 0.001});
  std::string text = contents(terminal);
  line.finished(SearchSummary{});
  text += "|end|" + contents(terminal).substr(text.size());
  if (results != terminal) std::fclose(results);
  std::fclose(terminal);
  return text;
}

TEST(ProgressLine, SaysWhatWasFoundFirstAndHowFarTheSearchHasCome) {
  EXPECT_EQ(progress_text(two_seconds_in(), true, 100.0),
            "ratiohunt: 3 found, best 0.01235 cents, 25% done, about 6 s left, 123 k tested in 2 s");
  EXPECT_EQ(progress_text(two_seconds_in(), false, 3.0),  // the time out comes first; no best in range mode
            "ratiohunt: 3 found, 25% done, about 1 s left, 123 k tested in 2 s");
  SearchProgress long_one;  // the comma search of a person at a terminal, 14.8 s into 300
  long_one.tested = 93332923298;
  long_one.accepted = 120332;
  long_one.seconds = 14.8;
  long_one.done_share = 0.0437;
  EXPECT_EQ(progress_text(long_one, false, 300.0),
            "ratiohunt: 120 k found, 4.37% done, about 4.8 min left, 93.3 G tested in 15 s");
  long_one.accepted = 1;
  long_one.best_distance = 2.2737367544323206e-13;
  long_one.done_share = 1e-10;
  EXPECT_EQ(progress_text(long_one, true, 1e30),
            "ratiohunt: 1 found, best 2.274e-13 cents, 0% done, about 4.69 k years left, 93.3 G tested in 15 s");
}

TEST(ProgressLine, CountsAndTimesReadAsPeopleReadThem) {
  EXPECT_EQ(count_for_people(999), "999");
  EXPECT_EQ(count_for_people(1000), "1 k");
  EXPECT_EQ(count_for_people(999499), "999 k");
  EXPECT_EQ(count_for_people(999500), "1 M");  // not "1e+003 k"
  EXPECT_EQ(count_for_people(93332923298), "93.3 G");
  EXPECT_EQ(count_for_people(INT64_MAX), "9.22 E");
  EXPECT_EQ(duration_for_people(0.000001), "0 s");
  EXPECT_EQ(duration_for_people(9.84), "9.8 s");
  EXPECT_EQ(duration_for_people(59.4), "59 s");
  EXPECT_EQ(duration_for_people(60), "1 min");
  EXPECT_EQ(duration_for_people(300), "5 min");
  EXPECT_EQ(duration_for_people(7200), "2 h");
  EXPECT_EQ(duration_for_people(3 * 86400), "3 days");
  EXPECT_EQ(duration_for_people(86400 * 365.25), "1 year");
  EXPECT_EQ(duration_for_people(1e300), "9.22 E years");
}

TEST(ProgressLine, MakesWayForEachResultOnItsTerminalAndComesBackCountingIt) {
  std::string before = "\rratiohunt: 3 found, best 0.01235 cents, 25% done, about 6 s left, 123 k tested in 2 s\033[K";
  std::string after = "\rratiohunt: 4 found, best 1.731 cents, 25% done, about 6 s left, 123 k tested in 2 s\033[K";
  EXPECT_EQ(drawn(200, 0), before + "\r\033[K<result>" + after + "|end|\r\033[K");
}

// Lines the search's workers formatted pass through as a run of results, all counted.
TEST(ProgressLine, MakesWayForLinesFormattedElsewhere) {
  FILE *terminal = std::tmpfile();
  MarkingSink inner(terminal);
  SearchParams search;
  search.time_out_seconds = 100;
  search.range_mode = true;
  ProgressLine line(
      inner, terminal, 200, [] { return 0; }, search, terminal);
  line.progress(two_seconds_in());
  line.formatted("<a>\n<b>\n", 2);
  std::string line_text = "ratiohunt: found, 25% done, about 6 s left, 123 k tested in 2 s\033[K";
  EXPECT_EQ(contents(terminal), "\r" + std::string(line_text).insert(11, "3 ") + "\r\033[K<a>\n<b>\n\r" +
                                    std::string(line_text).insert(11, "5 "));
  std::fclose(terminal);
}

TEST(ProgressLine, StaysWhileTheResultsGoElsewhere) {
  std::string line = "\rratiohunt: 3 found, best 0.01235 cents, 25% done, about 6 s left, 123 k tested in 2 s\033[K";
  EXPECT_EQ(drawn(200, 0, false), line + "|end|\r\033[K");  // erased only when the search ends
}

TEST(ProgressLine, StandsAfterTheResultsUnfinishedLine) {
  std::string text = drawn(80, 30);
  EXPECT_EQ(text.find('\r'), std::string::npos);  // the results on the line stay
  EXPECT_EQ(text.rfind("\0337 ratiohunt: 3 found", 0), 0u);
  size_t end = text.find("\033[K\0338");
  EXPECT_LE(end, 2 + 80u - 30 - 1);  // cut to the room left
  size_t result = text.find("\0337\033[K\0338<result>\0337 ratiohunt: 4 found");
  EXPECT_EQ(result, end + 5);  // erased before the result, drawn again after it
  EXPECT_EQ(text.substr(text.size() - 12), "|end|\0337\033[K\0338");
  EXPECT_EQ(drawn(80, 70), "<result>|end|");  // too little room: nothing is drawn
}

TEST(ProgressLine, NothingInTheFirstSecond) {
  FILE *terminal = std::tmpfile();
  MarkingSink inner(terminal);
  SearchParams search;
  ProgressLine line(
      inner, terminal, 80, [] { return 0; }, search, terminal);
  SearchProgress early = two_seconds_in();
  early.seconds = 0.5;
  line.progress(early);
  line.finished(SearchSummary{});
  EXPECT_EQ(std::ftell(terminal), 0L);
  std::fclose(terminal);
}

}  // namespace
