// What both fuzz targets read: the input as arguments, one per line (the format of the
// end-to-end cases' .args files, which seed their corpora).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline std::vector<std::string> split_fuzz_arguments(const uint8_t *data, size_t size, size_t max_arguments) {
  std::vector<std::string> args;
  std::string current;
  for (size_t i = 0; i < size && args.size() < max_arguments; ++i) {
    if (data[i] == '\n') {
      args.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  if (!current.empty() && args.size() < max_arguments) args.push_back(current);
  return args;
}
