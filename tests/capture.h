// Test helper: runs code with the output channel bound to a scratch console and returns
// everything it printed.
#pragma once

#include <functional>
#include <string>
#include <vector>

// The folded form of signed exponents, as the printers take them.
std::vector<int> fold_all(const std::vector<int> &exponents);

std::string capture_output(const std::function<void()> &body);

// Runs the whole program on the given arguments (program name added) with an empty
// console input, and returns its console output.
std::string capture_run(const std::vector<std::string> &args);
