// Reading ratios: the notations against the table the page's parser is tested with too,
// N/D and numbers, the exact integers kept, and the records a notation's target gives.
#include "present/ratio_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"

namespace {

nlohmann::json notation_table() {
  std::ifstream in(RATIOHUNT_SOURCE_DIR "/tests/data/target_notations.json");
  return nlohmann::json::parse(in);
}

bool within_relative(double got, double expected) { return std::fabs(got - expected) <= 1e-12 * std::fabs(expected); }

TEST(RatioReader, ReadsEveryNotationOfTheSharedTable) {
  nlohmann::json table = notation_table();
  ASSERT_GE(table["cases"].size(), 30u);
  for (const nlohmann::json &row : table["cases"]) {
    std::string input = row["input"];
    RatioReading reading = read_ratio(input);
    EXPECT_NE(reading.value.notation, RatioNotation::kNumber) << input;
    EXPECT_NE(reading.value.notation, RatioNotation::kFraction) << input;
    if (row.contains("error")) {
      EXPECT_NE(reading.problem.find(row["error"].get<std::string>()), std::string::npos)
          << input << ": '" << reading.problem << "'";
      continue;
    }
    EXPECT_EQ(reading.problem, "") << input;
    EXPECT_EQ(reading.value.text, input);
    EXPECT_TRUE(within_relative(reading.value.x, row["x"])) << input << ": x " << reading.value.x;
    EXPECT_TRUE(within_relative(reading.value.y, row["y"])) << input << ": y " << reading.value.y;
  }
}

TEST(RatioReader, NumbersAndFractionsAreNoNotation) {
  for (const char *text : {"7", "-7", "1.5", "1e20", "0x1c", "abc", "inf", "nan", "", "(file)", "cents"}) {
    EXPECT_EQ(notation_of(text), RatioNotation::kNumber) << text;
  }
  for (const char *text : {"7/6", "7/", "/", "a/b"}) EXPECT_EQ(notation_of(text), RatioNotation::kFraction) << text;
}

TEST(RatioReader, FractionSidesAreWholeNumbers) {
  RatioReading sixteen_thirds = read_ratio("0x10/3");
  EXPECT_EQ(sixteen_thirds.problem, "");
  EXPECT_EQ(sixteen_thirds.value.x, 16.0);
  EXPECT_EQ(sixteen_thirds.value.y, 3.0);
  EXPECT_EQ(read_ratio("-7/6").value.x, -7.0);  // the sign is the caller's to judge
  for (const char *malformed : {"7/", "/6", "7/6/5", "7/x", "/", "7 /6"}) {
    EXPECT_EQ(read_ratio(malformed).problem, "both sides must be numbers, as in 7/6") << malformed;
  }
  EXPECT_EQ(read_ratio("abc").problem, "not a number");
  EXPECT_EQ(read_ratio("2").value.x, 2.0);
}

// Commas and scale degrees of any size keep their integers, past what a double holds.
TEST(RatioReader, KeepsTheExactIntegersOfTheText) {
  RatioValue big = read_ratio("+000123456789012345678901234567890/-0098").value;
  EXPECT_EQ(big.numerator_digits, "123456789012345678901234567890");
  EXPECT_EQ(big.denominator_digits, "-98");
  RatioValue octave = read_ratio("2").value;
  EXPECT_EQ(octave.numerator_digits, "2");
  EXPECT_EQ(octave.denominator_digits, "1");
  EXPECT_EQ(read_ratio("-0/1").value.numerator_digits, "0");
  for (const char *inexact : {"1.5/2", "3/2e0", "0x10/3", "700c", "7\\12", "[-4 4 -1>"}) {
    RatioValue value = read_ratio(inexact).value;
    EXPECT_EQ(value.numerator_digits + value.denominator_digits, "") << inexact;
  }
  RatioValue syntonic = read_ratio("[-4 4 -1>").value;
  EXPECT_EQ(syntonic.monzo, (std::vector<int64_t>{-4, 4, -1}));
  RatioValue huge = read_ratio("[10000 -6309>").value;  // beyond 2^53: x alone, the entries exact
  EXPECT_EQ(huge.y, 1.0);
  EXPECT_EQ(huge.monzo, (std::vector<int64_t>{10000, -6309}));
  EXPECT_TRUE(read_ratio("700c").value.monzo.empty());
}

// Commas are read for their integers alone: a monzo of any size whose entries fit 64 bits.
TEST(RatioReader, ExactReadingKeepsMonzosPastTheDoubles) {
  RatioReading wide = read_exact_ratio("[1 -2000 2000>");
  EXPECT_EQ(wide.problem, "");
  EXPECT_EQ(wide.value.monzo, (std::vector<int64_t>{1, -2000, 2000}));
  EXPECT_EQ(read_ratio("[1 -2000 2000>").problem, "overflows");
  EXPECT_EQ(read_exact_ratio("[9223372036854775807 1>").value.monzo[0], INT64_MAX);
  // The least int64 has no magnitude of its own: it overflows, in either reading.
  for (const char *text : {"[-9223372036854775808 1>", "[99999999999999999999 1>"}) {
    EXPECT_EQ(read_exact_ratio(text).problem, kMonzoEntryOverflows) << text;
    EXPECT_EQ(read_ratio(text).problem, kMonzoEntryOverflows) << text;
  }
  EXPECT_EQ(read_exact_ratio("[1 x 99999999999999999999>").problem, "an entry that is not an integer");
  EXPECT_EQ(read_exact_ratio("+081/80").value.numerator_digits, "81");
  EXPECT_EQ(read_exact_ratio("700c").value.notation, RatioNotation::kCents);
}

// The target X Y reads each word's leading number, as the command line always has.
TEST(RatioReader, NumberPairReadsLeadingNumbers) {
  RatioValue pair = read_number_pair("7", "6");
  EXPECT_EQ(pair.notation, RatioNotation::kNumberPair);
  EXPECT_EQ(pair.text, "7 6");
  EXPECT_EQ(pair.numerator_digits + "/" + pair.denominator_digits, "7/6");
  RatioValue loose = read_number_pair("7x", "abc");
  EXPECT_EQ(loose.x, 7.0);
  EXPECT_EQ(loose.y, 0.0);
  EXPECT_EQ(loose.numerator_digits, "");
  EXPECT_EQ(read_leading_number("0x10"), 16.0);
  EXPECT_TRUE(std::isinf(read_leading_number("1e400")));
  EXPECT_FALSE(std::signbit(read_leading_number("-")));
}

// The records of a JSON run, the summary without its target.
std::vector<std::string> records_but_the_target(const std::string &target, std::vector<std::string> rest) {
  rest.insert(rest.begin(), {"--format=json", target});
  std::vector<std::string> lines;
  std::istringstream in(capture_run(rest));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  nlohmann::json summary = nlohmann::json::parse(lines.back());
  EXPECT_EQ(summary["target"], target);
  summary.erase("target");
  summary.erase("seconds");
  lines.back() = summary.dump();
  return lines;
}

TEST(RatioReader, NotationsGiveTheRecordsOfWhatTheyMean) {
  const std::vector<std::vector<std::string>> same_targets = {
      {"700c", "7\\12", "-1", "2", "3", "5", "7"},
      {"[-4 4 -1>", "81/80", "1e9", "5", "4", "-2", "0", "30", "2", "3", "5"},
      {"0c", "[>", "-2", "0", "20", "2", "3", "5"},  // the unison: a comma search
      {"1200c", "2/1", "-1", "3", "5", "2"},
      {"1\\1", "|1]", "-1", "3", "5", "2"},
  };
  for (const std::vector<std::string> &line : same_targets) {
    std::vector<std::string> rest(line.begin() + 2, line.end());
    std::vector<std::string> first = records_but_the_target(line[0], rest);
    EXPECT_GT(first.size(), 1u) << line[0];
    EXPECT_EQ(first, records_but_the_target(line[1], rest)) << line[0] << " and " << line[1];
  }
}

}  // namespace
