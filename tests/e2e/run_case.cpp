// Runs the built binary on one end-to-end case and compares what it wrote, byte for byte.
// A case NAME is a set of files: NAME.args (one argument per line), NAME.out (the whole
// stdout), optionally NAME.err (the whole stderr, else it must be empty), NAME.file.F
// (the file F the run must leave in its working folder; no other file may appear there),
// NAME.in.F (a file F put in the working folder before the run, for the run to read),
// NAME.status (the exit status, else 0), NAME.lf (present when the output has LF line
// ends on every platform, as the structured formats do) and NAME.posix (present when the
// case needs a POSIX system's devices or UTF-8 arguments: skipped, with status 77, under an
// emulator). In expected text, {{DATE}}
// matches a date line and {{ANY}} any text within one line.
// Usage: run_case BINARY CASE_PATH [--crlf] [--emulator PROGRAM]
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kSkipped = 77;  // CTest's SKIP_RETURN_CODE for these tests

bool read_file(const std::string &path, std::string &text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return true;
}

std::vector<std::string> split_lines(const std::string &text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      lines.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  lines.push_back(text.substr(start));  // the text after the last newline, maybe empty
  return lines;
}

std::string line_pattern(const std::string &expected) {
  static const std::string kDate =
      "(1[0-2]|[1-9]) (AM|PM) (Sunday|Monday|Tuesday|Wednesday|Thursday|Friday|Saturday), "
      "(January|February|March|April|May|June|July|August|September|October|November|December) "
      "[0-3][0-9], [0-9]{4} .*";
  std::string pattern;
  for (size_t i = 0; i < expected.size(); ++i) {
    if (expected.compare(i, 8, "{{DATE}}") == 0) {
      pattern += kDate;
      i += 7;
    } else if (expected.compare(i, 7, "{{ANY}}") == 0) {
      pattern += ".*";
      i += 6;
    } else {
      if (std::string("\\^$.|?*+()[]{}").find(expected[i]) != std::string::npos) pattern += '\\';
      pattern += expected[i];
    }
  }
  return pattern;
}

bool line_matches(const std::string &expected, const std::string &actual) {
  if (expected.find("{{") == std::string::npos) return expected == actual;
  return std::regex_match(actual, std::regex(line_pattern(expected)));
}

bool text_matches(const std::string &what, std::string expected, const std::string &actual, bool crlf) {
  if (crlf) {
    std::string converted;
    for (char c : expected) converted += c == '\n' ? std::string("\r\n") : std::string(1, c);
    expected = converted;
  }
  std::vector<std::string> want = split_lines(expected);
  std::vector<std::string> got = split_lines(actual);
  for (size_t i = 0; i < want.size() || i < got.size(); ++i) {
    if (i < want.size() && i < got.size() && line_matches(want[i], got[i])) continue;
    std::cerr << what << " differs at line " << i + 1
              << "\n  expected: " << (i < want.size() ? "[" + want[i] + "]" : "(end of text)")
              << "\n  actual:   " << (i < got.size() ? "[" + got[i] + "]" : "(end of text)") << "\n";
    return false;
  }
  return true;
}

std::set<std::string> files_in(const std::string &folder) {
  std::set<std::string> names;
  if (DIR *dir = opendir(folder.c_str())) {
    while (dirent *entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.insert(name);
    }
    closedir(dir);
  }
  return names;
}

int run_binary(const std::vector<std::string> &command, const std::string &work, const std::string &out_path,
               const std::string &err_path) {
  pid_t child = fork();
  if (child == 0) {
    int in = open("/dev/null", O_RDONLY);
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0 || chdir(work.c_str()) != 0) _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char *> argv;
    for (const std::string &arg : command) argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 3) {
    std::cerr << "usage: run_case BINARY CASE_PATH [--crlf] [--emulator PROGRAM]\n";
    return 2;
  }
  std::string binary = argv[1];
  std::string case_path = argv[2];
  bool crlf = false;
  std::vector<std::string> command;
  for (int i = 3; i < argc; ++i) {
    std::string option = argv[i];
    if (option == "--crlf") crlf = true;
    if (option == "--emulator" && i + 1 < argc) command.push_back(argv[++i]);
  }
  std::string marker;
  if (!command.empty() && read_file(case_path + ".posix", marker)) {
    std::cerr << "needs a POSIX system: skipped under an emulator\n";
    return kSkipped;
  }
  if (binary[0] != '/') binary = std::string(getcwd(nullptr, 0)) + "/" + binary;
  command.push_back(binary);
  std::string args_text;
  if (!read_file(case_path + ".args", args_text)) {
    std::cerr << "cannot read " << case_path << ".args\n";
    return 2;
  }
  std::vector<std::string> args = split_lines(args_text);
  if (!args.empty() && args.back().empty()) args.pop_back();  // the final newline ends the last argument
  command.insert(command.end(), args.begin(), args.end());

  char scratch_template[] = "/tmp/ratiohunt-e2e-XXXXXX";
  std::string scratch = mkdtemp(scratch_template);
  std::string work = scratch + "/work";
  mkdir(work.c_str(), 0755);
  std::string case_folder = case_path.substr(0, case_path.rfind('/') + 1);
  std::string input_prefix = case_path.substr(case_folder.size()) + ".in.";
  std::set<std::string> inputs;
  for (const std::string &name : files_in(case_folder)) {
    if (name.compare(0, input_prefix.size(), input_prefix) != 0) continue;
    std::string input;
    read_file(case_folder + name, input);
    inputs.insert(name.substr(input_prefix.size()));
    std::ofstream(work + "/" + name.substr(input_prefix.size()), std::ios::binary) << input;
  }
  int status = run_binary(command, work, scratch + "/stdout", scratch + "/stderr");

  bool ok = true;
  std::string status_text;
  int expected_status = read_file(case_path + ".status", status_text) ? std::atoi(status_text.c_str()) : 0;
  if (status != expected_status) {
    std::cerr << "exit status " << status << ", expected " << expected_status << "\n";
    ok = false;
  }
  if (read_file(case_path + ".lf", marker)) crlf = false;
  std::string expected;
  std::string actual;
  read_file(case_path + ".out", expected);
  read_file(scratch + "/stdout", actual);
  ok = text_matches("stdout", expected, actual, crlf) && ok;
  if (!read_file(case_path + ".err", expected)) expected.clear();
  read_file(scratch + "/stderr", actual);
  ok = text_matches("stderr", expected, actual, crlf) && ok;

  std::string file_prefix = case_path.substr(case_folder.size()) + ".file.";
  std::set<std::string> produced = files_in(work);
  for (const std::string &name : inputs) produced.erase(name);
  for (const std::string &name : files_in(case_folder)) {
    if (name.compare(0, file_prefix.size(), file_prefix) != 0) continue;
    std::string produced_name = name.substr(file_prefix.size());
    read_file(case_folder + name, expected);
    if (!read_file(work + "/" + produced_name, actual)) {
      std::cerr << "the run left no file " << produced_name << "\n";
      ok = false;
      continue;
    }
    ok = text_matches(produced_name, expected, actual, crlf) && ok;
    produced.erase(produced_name);
  }
  for (const std::string &name : produced) {
    std::cerr << "the run left an unexpected file " << name << "\n";
    ok = false;
  }
  std::string cleanup = "rm -rf '" + scratch + "'";
  if (std::system(cleanup.c_str()) != 0) std::cerr << "could not remove " << scratch << "\n";
  return ok ? 0 : 1;
}
