// Fuzz target: the whole program on a fuzzed command line. The input is the arguments,
// one per line (the format of the end-to-end cases, which seed the corpus). The run's
// time out is bounded by an option put first on the line, never by changing the program,
// and results file names lose their slashes so every file lands in the working folder.
// Under --merge every argument loses them, so that shard files are read only from there
// (never a device that reads forever); standard input is empty.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/run.h"
#include "fuzz_input.h"

namespace {

constexpr size_t kMaxArguments = 256;
const char *const kTimeOutOption = "--time-out=0.01";
const std::string kTimeOutName = "--time-out";

// Options win over the positional time out, so one option first bounds every run. A
// time-out option of the input's own is dropped (with its value when that follows it).
void bound_time_out(std::vector<std::string> &args) {
  std::vector<std::string> kept;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--") {
      kept.insert(kept.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
      break;
    }
    if (args[i].compare(0, kTimeOutName.size(), kTimeOutName) != 0) {
      kept.push_back(args[i]);
    } else if (args[i] == kTimeOutName) {
      ++i;  // its value is the next argument
    }
  }
  kept.insert(kept.begin(), kTimeOutOption);
  args = kept;
}

void keep_files_here(std::vector<std::string> &args) {
  bool merge = std::find(args.begin(), args.end(), "--merge") != args.end();
  for (std::string &arg : args) {
    if (!merge && (arg.empty() || arg[0] != '(')) continue;
    for (char &c : arg) {
      if (c == '/' || c == '\\') c = '_';
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static FILE *sink = std::fopen("/dev/null", "w");
  static FILE *keys = std::fopen("/dev/null", "r");  // every key wait sees end of input
  std::vector<std::string> args = split_fuzz_arguments(data, size, kMaxArguments);
  keep_files_here(args);
  bound_time_out(args);
  std::vector<const char *> argv{"ratiohunt"};
  for (const std::string &arg : args) argv.push_back(arg.c_str());
  run_ratiohunt(static_cast<int>(argv.size()), argv.data(), sink, keys);
  return 0;
}
