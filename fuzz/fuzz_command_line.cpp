// Fuzz target: the whole program on a fuzzed command line. The input is the arguments,
// one per line (the format of the end-to-end cases, which seed the corpus). The run's
// time out is bounded by rewriting the command line, never by changing the program,
// and a results file name loses its slashes so every file lands in the working folder.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "driver/run.h"

namespace {

constexpr size_t kMaxArguments = 256;
constexpr double kMaxTimeOutSeconds = 0.01;
const char *const kTimeOutText = "0.01";
const char *const kDefaultTexts[] = {"1000000", "5"};  // max quotient and precision as the program defaults them

std::vector<std::string> split_arguments(const uint8_t *data, size_t size) {
  std::vector<std::string> args;
  std::string current;
  for (size_t i = 0; i < size && args.size() < kMaxArguments; ++i) {
    if (data[i] == '\n') {
      args.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  if (!current.empty() && args.size() < kMaxArguments) args.push_back(current);
  return args;
}

// Puts a time out of at most kMaxTimeOutSeconds into the command line where the program
// will read it: the third optional number, inserting the two before it at their
// defaults when they are missing, so every other argument reads as it did.
void bound_time_out(std::vector<std::string> &args) {
  size_t index = !args.empty() && args[0][0] == '(' ? 1 : 0;
  index += 2;                       // x and y
  if (index > args.size()) return;  // too few arguments: the usage pages, no search
  size_t taken = 0;
  while (taken < 3 && index < args.size() && read_int_argument(args[index].c_str()) >= 0) {
    ++taken;
    ++index;
  }
  if (taken == 3) {
    if (!(read_number_argument(args[index - 1].c_str()) <= kMaxTimeOutSeconds)) args[index - 1] = kTimeOutText;
    return;
  }
  std::vector<std::string> missing(kDefaultTexts + taken, kDefaultTexts + 2);
  missing.push_back(kTimeOutText);
  args.insert(args.begin() + static_cast<std::ptrdiff_t>(index), missing.begin(), missing.end());
}

void keep_results_file_here(std::vector<std::string> &args) {
  if (args.empty() || args[0][0] != '(') return;
  for (char &c : args[0]) {
    if (c == '/' || c == '\\') c = '_';
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static FILE *sink = std::fopen("/dev/null", "w");
  static FILE *keys = std::fopen("/dev/null", "r");  // every key wait sees end of input
  std::vector<std::string> args = split_arguments(data, size);
  keep_results_file_here(args);
  bound_time_out(args);
  std::vector<const char *> argv{"ratiohunt"};
  for (const std::string &arg : args) argv.push_back(arg.c_str());
  run_ratiohunt(static_cast<int>(argv.size()), argv.data(), sink, keys);
  return 0;
}
