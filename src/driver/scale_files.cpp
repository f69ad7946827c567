// The scale files as the command line names them. Each file opens, is written whole and
// closes before the next; the first failure is the one reported.
#include "driver/scale_files.h"

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

// Writes text to the named file, or to out for "-"; a problem, or "".
std::string write_named(const std::string &name, const std::string &text, FILE *out) {
  if (name == kStandardStream) {
    std::fwrite(text.data(), 1, text.size(), out);
    return std::fflush(out) == 0 && std::ferror(out) == 0 ? "" : "standard output failed";
  }
  FILE *file = std::fopen(name.c_str(), "wb");  // LF line ends on every platform
  if (file == nullptr) return "cannot write " + name + ": " + std::strerror(errno);
  size_t written = std::fwrite(text.data(), 1, text.size(), file);
  bool ok = written == text.size() && std::fflush(file) == 0;
  ok = std::fclose(file) == 0 && ok;
  return ok ? "" : "cannot write " + name + ": " + std::strerror(errno);
}

}  // namespace

std::string command_line_text(int argc, const char *const *argv) {
  std::string text = "ratiohunt";
  for (int i = 1; i < argc; ++i) text += std::string(" ") + argv[i];
  return text;
}

std::string scale_file_names_problem(const std::string &scl_name, const std::string &kbm_name) {
  if (scl_name == kStandardStream && kbm_name == kStandardStream) {
    return "--scl and --kbm cannot both write to standard output";
  }
  if (!scl_name.empty() && scl_name == kbm_name) return "--scl and --kbm name the same file";
  return "";
}

bool scale_file_on_standard_output(const std::string &scl_name, const std::string &kbm_name) {
  return scl_name == kStandardStream || kbm_name == kStandardStream;
}

std::string write_scale_files(const std::string &command, const std::string &scl_name, const std::string &kbm_name,
                              const ScalaScale &scale, KeyboardMapping mapping, FILE *out) {
  std::string problem;
  if (!scl_name.empty())
    problem = write_named(scl_name, scala_scale_text(scala_file_comments(scl_name, command), scale), out);
  if (problem.empty() && !kbm_name.empty()) {
    mapping.size = static_cast<int>(scale.pitches.size());
    problem = write_named(kbm_name, scala_keyboard_text(scala_file_comments(kbm_name, command), mapping), out);
  }
  return problem;
}
