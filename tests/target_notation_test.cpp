// The target notations against the table the page's parser is tested with too, and the
// texts that are no notation and are read as numbers or N/D.
#include "driver/target_notation.h"

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

TEST(TargetNotation, ReadsEveryRowOfTheSharedTable) {
  nlohmann::json table = notation_table();
  ASSERT_GE(table["cases"].size(), 30u);
  for (const nlohmann::json &row : table["cases"]) {
    std::string input = row["input"];
    TargetNotation notation = read_target_notation(input);
    EXPECT_TRUE(notation.is_notation) << input;
    if (row.contains("error")) {
      EXPECT_NE(notation.problem.find(row["error"].get<std::string>()), std::string::npos)
          << input << ": '" << notation.problem << "'";
      continue;
    }
    EXPECT_EQ(notation.problem, "") << input;
    EXPECT_TRUE(within_relative(notation.x, row["x"])) << input << ": x " << notation.x;
    EXPECT_TRUE(within_relative(notation.y, row["y"])) << input << ": y " << notation.y;
  }
}

TEST(TargetNotation, OtherTextsAreNoNotation) {
  for (const char *text : {"7", "-7", "7/6", "1.5", "1e20", "0x1c", "abc", "inf", "nan", "", "(file)", "cents"}) {
    EXPECT_FALSE(read_target_notation(text).is_notation) << text;
  }
}

TEST(TargetNotation, ExpandsIntoNumeralsThatReadBackExactly) {
  std::vector<std::string> positional = {"(r.txt)", "7\\12", "-1", "2", "3"};
  std::string target_text;
  std::string error;
  ASSERT_TRUE(expand_target_notation(positional, 1, target_text, error));
  EXPECT_EQ(error, "");
  EXPECT_EQ(target_text, "7\\12");
  EXPECT_EQ(positional, (std::vector<std::string>{"(r.txt)", "1.4983070768766815", "1", "-1", "2", "3"}));
  EXPECT_EQ(std::strtod(positional[1].c_str(), nullptr), std::exp2(7.0 / 12.0));
  positional = {"[1 2"};
  ASSERT_TRUE(expand_target_notation(positional, 0, target_text, error));
  EXPECT_EQ(error, "'[1 2' is not a target: no closing bracket");
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

TEST(TargetNotation, NotationsGiveTheRecordsOfWhatTheyMean) {
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
