// The manual page's examples are real: each names an end-to-end case whose command line
// and expected output the page shows, line for line; its OPTIONS are the option table's.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "driver/options.h"

namespace {

std::vector<std::string> read_lines(const std::string &path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string trim_right(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.pop_back();
  return text;
}

// The page's roff escapes that examples use: \- for a minus sign, \e for a backslash,
// \(aq for an apostrophe.
std::string unescape(const std::string &line) {
  std::string text;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line.compare(i, 4, "\\(aq") == 0) {
      text += '\'';
      i += 3;
    } else if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '-' || line[i + 1] == 'e')) {
      text += line[i + 1] == '-' ? '-' : '\\';
      ++i;
    } else {
      text += line[i];
    }
  }
  return text;
}

// A case's line matches the page's when they are equal, "{{ANY}}" in the case's standing
// for the text that changes from run to run (the seconds a search took).
bool line_matches(const std::string &expected, const std::string &shown) {
  size_t any = expected.find("{{ANY}}");
  if (any == std::string::npos) return expected == shown;
  std::string tail = expected.substr(any + 7);
  return shown.size() >= any + tail.size() && shown.compare(0, any, expected, 0, any) == 0 &&
         shown.compare(shown.size() - tail.size(), tail.size(), tail) == 0;
}

// The words of a shell command line: apart by blanks, a single-quoted part taken as it stands.
std::vector<std::string> shell_words(const std::string &line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false;
  bool in_word = false;
  for (char c : line) {
    if (c == '\'') {
      quoted = !quoted;
      in_word = true;
    } else if (c == ' ' && !quoted) {
      if (in_word) words.push_back(word);
      word.clear();
      in_word = false;
    } else {
      word += c;
      in_word = true;
    }
  }
  if (in_word) words.push_back(word);
  return words;
}

struct Example {
  std::string case_name;
  std::vector<std::string> args;
  std::vector<std::string> output;
};

std::vector<Example> page_examples() {
  std::vector<std::string> page = read_lines(RATIOHUNT_SOURCE_DIR "/docs/ratiohunt.1");
  std::vector<Example> examples;
  const std::string marker = ".\\\" case: ";
  for (size_t i = 0; i < page.size(); ++i) {
    if (page[i].compare(0, marker.size(), marker) != 0) continue;
    Example example;
    example.case_name = page[i].substr(marker.size());
    while (i < page.size() && page[i] != ".EX") ++i;
    for (const std::string &word : shell_words(unescape(page[++i]))) {
      if (word != "$" && word != "ratiohunt" && word != "</dev/null") example.args.push_back(word);
    }
    for (++i; i < page.size() && page[i] != ".EE"; ++i) example.output.push_back(trim_right(unescape(page[i])));
    examples.push_back(example);
  }
  return examples;
}

TEST(ManPage, EveryExampleIsAnEndToEndCase) {
  std::vector<Example> examples = page_examples();
  ASSERT_GE(examples.size(), 3u);
  for (const Example &example : examples) {
    std::string case_path = RATIOHUNT_SOURCE_DIR "/tests/e2e/cases/" + example.case_name;
    std::vector<std::string> args = read_lines(case_path + ".args");
    EXPECT_EQ(example.args, args) << example.case_name;
    std::vector<std::string> expected;
    for (const std::string &line : read_lines(case_path + ".out")) expected.push_back(trim_right(line));
    ASSERT_EQ(example.output.size(), expected.size()) << example.case_name;
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_TRUE(line_matches(expected[i], example.output[i])) << example.case_name << ": " << example.output[i];
    }
  }
}

// The long names of the items in the page's OPTIONS section (the line after each .TP).
std::set<std::string> page_option_names() {
  std::vector<std::string> page = read_lines(RATIOHUNT_SOURCE_DIR "/docs/ratiohunt.1");
  std::set<std::string> names;
  bool in_options = false;
  for (size_t i = 0; i + 1 < page.size(); ++i) {
    if (page[i].compare(0, 4, ".SH ") == 0) in_options = page[i] == ".SH OPTIONS";
    if (!in_options || page[i] != ".TP") continue;
    std::string item = unescape(page[i + 1]);
    size_t start = item.find("--");
    size_t end = item.find_first_not_of("abcdefghijklmnopqrstuvwxyz-", start + 2);
    if (start != std::string::npos)
      names.insert(item.substr(start + 2, end == std::string::npos ? end : end - start - 2));
  }
  return names;
}

TEST(ManPage, OptionsAreTheOptionTable) {
  std::set<std::string> table;
  for (const OptionEntry &option : option_table()) table.insert(option.name);
  EXPECT_EQ(page_option_names(), table);
}

}  // namespace
