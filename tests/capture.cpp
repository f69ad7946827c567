// Binds the output channel to a temporary file for one piece of code and reads it back.
#include "capture.h"

#include <cstdio>

#include "driver/driver.h"
#include "search/search.h"

namespace {

std::string read_back(FILE *file) {
  std::string text;
  std::fflush(file);
  std::rewind(file);
  char buffer[4096];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  std::fclose(file);
  return text;
}

}  // namespace

std::vector<int> fold_all(const std::vector<int> &exponents) {
  std::vector<int> folded;
  for (int e : exponents) folded.push_back(fold_exponent(e));
  return folded;
}

std::string capture_output(const std::function<void()> &body) {
  FILE *console = std::tmpfile();
  open_output_channel(console, nullptr);
  body();
  close_output_channel();
  return read_back(console);
}

std::string capture_run(const std::vector<std::string> &args) {
  FILE *console = std::tmpfile();
  FILE *keys = std::tmpfile();  // empty: every key wait sees end of input
  std::vector<const char *> argv{"ratiohunt"};
  for (const std::string &arg : args) argv.push_back(arg.c_str());
  run_ratiohunt(static_cast<int>(argv.size()), argv.data(), console, keys);
  std::fclose(keys);
  return read_back(console);
}
