// The output channel: printf conventions of the console platform (three-digit exponents,
// %Lg taking a double), verbatim strings, and the tee to the results file.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "driver/driver.h"
#include "harness.h"

namespace {

std::string format(const char *fmt, double value) {
  char buffer[8192];
  format_message(buffer, sizeof buffer, fmt, value);
  return buffer;
}

std::string format_lg(int precision, double value) {
  char buffer[8192];
  format_message(buffer, sizeof buffer, "%.*Lg", precision, value);
  return buffer;
}

TEST(OutputFormat, FloatingExponentsHaveAtLeastThreeDigits) {
  EXPECT_EQ(format("%g", 1000000.0), "1e+006");
  EXPECT_EQ(format("%.7g", 1000000.0), "1000000");
  EXPECT_EQ(format_lg(5, 0.000015), "1.5e-005");
  EXPECT_EQ(format("%g", 1.23e100), "1.23e+100");
  EXPECT_EQ(format("%.12g", 1e-300), "1e-300");
  EXPECT_EQ(format("%e", 2.5), "2.500000e+000");
  EXPECT_EQ(format_lg(5, 2.2737367544323206e-13), "2.2737e-013");
  EXPECT_EQ(format("%g", 266.870905604), "266.871");
  EXPECT_EQ(format("%g", -1.0 / 0.0), "-inf");
}

TEST(OutputFormat, LgPrecisionEdges) {
  EXPECT_EQ(format_lg(-1, 3.14159265358979), "3.14159");  // negative: as if omitted
  EXPECT_EQ(format_lg(0, 3.14159265358979), "3");         // zero: one digit
  EXPECT_EQ(format_lg(12, 266.8709056037), "266.870905604");
  // A huge precision prints every digit of the double and stops there.
  EXPECT_EQ(format_lg(2000000000, 0.1), "0.1000000000000000055511151231257827021181583404541015625");
  EXPECT_EQ(format_lg(2000000000, 1e300).size(), 301u);
}

TEST(OutputFormat, StringsAndPercentSignsAreVerbatim) {
  char buffer[256];
  format_message(buffer, sizeof buffer, " %s", "1e+06");
  EXPECT_STREQ(buffer, " 1e+06");
  format_message(buffer, sizeof buffer, "%s|%%|%d", "50%d", 7);
  EXPECT_STREQ(buffer, "50%d|%|7");
  format_message(buffer, sizeof buffer, "%lld %d^%c %04d", 5000000000LL, 3, 'b', 42);
  EXPECT_STREQ(buffer, "5000000000 3^b 0042");
}

TEST(OutputFormat, ShortBufferIsCutAndTerminated) {
  char buffer[8];
  int length = format_message(buffer, sizeof buffer, "%s", "abcdefghijkl");
  EXPECT_EQ(length, 12);
  EXPECT_STREQ(buffer, "abcdefg");
}

TEST(OutputChannel, LongMessagesAreWrittenInFull) {
  std::string long_text(5000, 'x');
  std::string out = capture_output([&] { tee_printf("[%s]", long_text.c_str()); });
  EXPECT_EQ(out, "[" + long_text + "]");
}

TEST(OutputChannel, ResultsFileGetsTheSameBytes) {
  std::string path = testing::TempDir() + "ratiohunt_tee_test.txt";
  std::string console = capture_output([&] {
    write_console_only("usage text\n");
    open_results_file(path.c_str());
    tee_printf("%g and %s\n", 1e6, "100%");
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
    open_results_file("/nonexistent-folder/out.txt");
    tee_printf("still here");
  });
  EXPECT_EQ(console, "still here");
}

}  // namespace
