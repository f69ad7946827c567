// The texts the engine's exports hand to JavaScript: one buffer that holds the last one
// returned, and a string spelt as a JSON string, as the records spell theirs.
#pragma once

#include <string>
#include <utility>

#include "present/record_writer.h"

// The text an export returns: JavaScript copies it before the next call.
inline const char *returned(std::string text) {
  static std::string kept;
  kept = std::move(text);
  return kept.c_str();
}

inline std::string json_text(const std::string &text) {
  std::string out;
  RecordWriter writer{RecordFormat::kJson, out};
  write_text(writer, text);
  return out;
}
