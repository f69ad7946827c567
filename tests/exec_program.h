// For tests that run the built program as a child process: replaces the child with it.
#pragma once

#include <unistd.h>

#include <string>
#include <vector>

// In a forked child: runs the program (RATIOHUNT_BINARY) on args; never returns.
[[noreturn]] inline void exec_program(const std::vector<std::string> &args) {
  std::vector<char *> argv{const_cast<char *>(RATIOHUNT_BINARY)};
  for (const std::string &arg : args) argv.push_back(const_cast<char *>(arg.c_str()));
  argv.push_back(nullptr);
  execv(argv[0], argv.data());
  _exit(127);
}
