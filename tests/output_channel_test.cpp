// The output channel: long messages written whole, the same bytes to the console and
// the results file, and runs in one process that share nothing.
#include "driver/output_channel.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "harness.h"

namespace {

TEST(OutputChannel, LongMessagesAreWrittenInFull) {
  std::string long_text(5000, 'x');
  std::string out = capture_output([&] { write_output("[" + long_text + "]"); });
  EXPECT_EQ(out, "[" + long_text + "]");
}

TEST(OutputChannel, ResultsFileGetsTheSameBytes) {
  std::string path = testing::TempDir() + "ratiohunt_tee_test.txt";
  std::string console = capture_output([&] {
    write_console_only("usage text\n");
    open_results_file(path.c_str(), FileMode::kText);
    write_output("1e+006 and 100%\n");
  });
  EXPECT_EQ(console, "usage text\n1e+006 and 100%\n");
  FILE *file = std::fopen(path.c_str(), "r");
  ASSERT_NE(file, nullptr);
  char buffer[64] = {};
  size_t got = std::fread(buffer, 1, sizeof buffer - 1, file);
  std::fclose(file);
  std::remove(path.c_str());
  EXPECT_EQ(std::string(buffer, got), "1e+006 and 100%\n");
}

TEST(OutputChannel, RunsInOneProcessShareNothing) {
  std::string path = testing::TempDir() + "ratiohunt_first_run.txt";
  std::string fresh = capture_run({"7", "6"});
  capture_run({"(" + path + ")", "3", "2"});
  EXPECT_EQ(capture_run({"7", "6"}), fresh);  // no header, no file left open from the run before
  FILE *file = std::fopen(path.c_str(), "r");
  ASSERT_NE(file, nullptr);
  std::string text(8192, '\0');
  text.resize(std::fread(&text[0], 1, text.size(), file));
  std::fclose(file);
  std::remove(path.c_str());
  EXPECT_NE(text.find("3/2 = 701.955000865 cents "), std::string::npos);
  EXPECT_EQ(text.find("7/6"), std::string::npos);
}

TEST(OutputChannel, UnopenableResultsFileLeavesTheConsoleAlone) {
  std::string console = capture_output([] {
    open_results_file("/nonexistent-folder/out.txt", FileMode::kText);
    write_output("still here");
  });
  EXPECT_EQ(console, "still here");
}

}  // namespace
