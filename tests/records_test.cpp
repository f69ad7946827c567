// The structured output: JSON Lines and CSV records, read back with a real parser, agree
// record for record with the text output of the same search; numbers round-trip.
#include "present/records.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"

namespace {

std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The monzo lines of a text run, "[-4 4, -1> = 81 : 80 = 21.506".
std::vector<std::string> monzo_lines(const std::string &text) {
  std::vector<std::string> monzos;
  for (const std::string &line : lines_of(text)) {
    if (!line.empty() && line[0] == '[') monzos.push_back(line);
  }
  return monzos;
}

// The integers of a text monzo line before its size, "[-4 4, -1> = 81 : 80 = 21.506":
// the exponents, then numerator and denominator, whatever the line groups them by.
std::vector<std::string> integers_before_size(const std::string &line) {
  std::string text = line.substr(0, line.rfind(" = "));
  for (char &c : text) {
    if (c == '[' || c == '>' || c == ',' || c == ':' || c == '=') c = ' ';
  }
  std::vector<std::string> integers;
  std::istringstream in(text);
  for (std::string integer; in >> integer;) integers.push_back(integer);
  return integers;
}

// The same integers of a JSON record.
std::vector<std::string> record_integers(const nlohmann::json &record) {
  std::vector<std::string> integers;
  for (const nlohmann::json &exponent : record["exponents"]) integers.push_back(std::to_string(exponent.get<int>()));
  integers.push_back(record["numerator"]);
  integers.push_back(record["denominator"]);
  return integers;
}

const std::vector<std::string> kCommaSearch = {"1/1", "1e9", "5", "10", "-2", "0", "12", "2", "3", "5", "7"};

std::vector<std::string> json_args_of(std::vector<std::string> args) {
  args.insert(args.begin(), "--format=json");
  return args;
}

TEST(Records, JsonAgreesWithTheTextRecordForRecord) {
  std::vector<std::string> json_lines = lines_of(capture_run(json_args_of(kCommaSearch)));
  std::vector<std::string> text = monzo_lines(capture_run(kCommaSearch));
  ASSERT_GT(text.size(), 20u);
  ASSERT_EQ(json_lines.size(), text.size() + 1);
  int named = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    nlohmann::json record = nlohmann::json::parse(json_lines[i]);
    EXPECT_EQ(record["type"], "approximant");
    EXPECT_EQ(integers_before_size(text[i]), record_integers(record)) << text[i];
    double text_cents = std::strtod(text[i].substr(text[i].rfind(" = ") + 3).c_str(), nullptr);
    EXPECT_NEAR(record["cents"].get<double>(), text_cents, 1e-3 * std::abs(text_cents) + 1e-9);
    EXPECT_EQ(record["distance_cents"].get<double>(), record["cents"].get<double>());  // the target is 1/1
    named += record["name"].is_string() ? 1 : 0;
  }
  EXPECT_GT(named, 5);
  nlohmann::json summary = nlohmann::json::parse(json_lines.back());
  EXPECT_EQ(summary["type"], "summary");
  EXPECT_EQ(summary["records"], text.size());
  EXPECT_EQ(summary["mode"], "range");
  EXPECT_EQ(summary["end"], "exhausted");
  EXPECT_EQ(summary["window_cents"], nlohmann::json::array({0.0, 12.0}));
}

TEST(Records, CsvHasTheSameRowsWithQuotingWhereNeeded) {
  std::vector<std::string> csv_args = kCommaSearch;
  csv_args.insert(csv_args.begin(), "--format=csv");
  std::vector<std::string> rows = lines_of(capture_run(csv_args));
  std::vector<std::string> text = monzo_lines(capture_run(kCommaSearch));
  ASSERT_EQ(rows.size(), text.size() + 1);
  EXPECT_EQ(rows[1].substr(0, rows[1].find(',')).find(' '), rows[1].find(' '));  // exponents joined by blanks
  for (size_t i = 1; i < rows.size(); ++i) {
    std::string numerator = text[i - 1].substr(text[i - 1].find("> = ") + 4);
    numerator = numerator.substr(0, numerator.find(' '));
    EXPECT_NE(rows[i].find("," + numerator + ","), std::string::npos) << rows[i];
  }
}

TEST(Records, NumbersAreShortestRoundTripDecimals) {
  for (double value : {0.1, 21.506289596715803, 1e300, -2.5e-320, 1.0 / 3.0, 1200.0}) {
    std::string text = shortest_number_text(value);
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
  }
  EXPECT_EQ(shortest_number_text(0.1), "0.1");
  EXPECT_EQ(shortest_number_text(1200.0), "1200");
  EXPECT_EQ(shortest_number_text(1.0 / 0.0), "null");
}

TEST(Records, NonFiniteNumbersBecomeNull) {
  RunView run;
  run.factors = {2, 3};
  run.range_mode = true;
  run.range_high_cents = 1.0 / 0.0;
  nlohmann::json summary = nlohmann::json::parse(json_summary_record(run, RunTotals{}));
  EXPECT_TRUE(summary["window_cents"][1].is_null());
  const int exponents[] = {-1, 1};
  EXPECT_EQ(csv_approximant_row(run, factorise_factors(run.factors), exponents, 701.955),
            "-1 1,3,2,701.955,701.955,,3/2,-1 1,3,2.584962500721156,3,");
}

}  // namespace
