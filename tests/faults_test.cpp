// Faults the program must survive without losing results: full devices, unwritable
// results files, closed standard descriptors, and SIGINT or SIGTERM in mid-search. Each
// runs the built program as a child with the descriptors and signals set up for it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "exec_program.h"

namespace {

constexpr const char *kClosed = "";  // as a path: leave the descriptor closed

// A long comma search: minutes to exhaust, so only a signal or its time out ends it.
const std::vector<std::string> kLongSearch = {"1", "1", "1e60", "5", "30", "-2", "0",  "0.0001",
                                              "2", "3", "5",    "7", "11", "13", "17", "19"};

struct Child {
  pid_t pid = -1;
  std::string folder;  // its working folder, where its results file lands
};

std::string scratch_folder() {
  std::string pattern = testing::TempDir() + "ratiohunt-faults-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  return mkdtemp(buffer.data());
}

// Starts the program with stdin, stdout and stderr opened on the given paths.
Child start(const std::vector<std::string> &args, const std::string &in, const std::string &out,
            const std::string &err) {
  Child child;
  child.folder = scratch_folder();
  child.pid = fork();
  if (child.pid == 0) {
    if (chdir(child.folder.c_str()) != 0) _exit(126);
    // Open everything out of the way first, then put each in its place or leave it closed.
    const std::string *paths[] = {&in, &out, &err};
    int opened[3] = {-1, -1, -1};
    for (int fd = 0; fd <= 2; ++fd) {
      if (*paths[fd] == kClosed) continue;
      int flags = fd == 0 ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC;
      opened[fd] = fcntl(open(paths[fd]->c_str(), flags, 0644), F_DUPFD, 10);
      if (opened[fd] < 0) _exit(126);
    }
    for (int fd = 0; fd <= 2; ++fd) {
      close(fd);
      if (opened[fd] >= 0) dup2(opened[fd], fd);
    }
    exec_program(args);
  }
  return child;
}

// The shell's view of how the child ended: its status, or 128 plus the signal.
int finish(const Child &child) {
  int status = 0;
  waitpid(child.pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string read_text(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The console text after the results file's date line, which only the file has in common.
std::string after_first_line(const std::string &text) { return text.substr(text.find('\n') + 1); }

TEST(Faults, FullDeviceAsStandardOutputFailsTheRun) {
  std::string err = testing::TempDir() + "faults_full_err.txt";
  Child child = start({"3", "2"}, "/dev/null", "/dev/full", err);
  EXPECT_EQ(finish(child), 1);
  EXPECT_EQ(read_text(err), "ratiohunt: cannot write standard output: No space left on device\n");
}

TEST(Faults, LostStandardOutputIsSaidInTheResultsFile) {
  std::string err = testing::TempDir() + "faults_lost_err.txt";
  std::vector<std::string> args = kLongSearch;
  args.insert(args.begin(), "(out.txt)");
  Child child = start(args, "/dev/null", "/dev/full", err);
  EXPECT_EQ(finish(child), 1);
  std::string file = read_text(child.folder + "/out.txt");
  EXPECT_NE(file.find("stopped at "), std::string::npos);  // not "interrupted": no one pressed Ctrl-C
  EXPECT_NE(file.find("values tested, "), std::string::npos);
}

// Standard output a pipe whose reader has gone: the program ends as such a program always
// has, by the broken pipe's signal, or quietly with status 0 when that signal is ignored.
int status_with_a_reader_gone(bool ignore_broken_pipe, const std::string &err) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return -1;
  close(pipe_fds[0]);
  std::string pipe_path = "/dev/fd/" + std::to_string(pipe_fds[1]);
  if (ignore_broken_pipe) signal(SIGPIPE, SIG_IGN);  // inherited across exec
  Child child = start(kLongSearch, "/dev/null", pipe_path, err);
  signal(SIGPIPE, SIG_DFL);
  close(pipe_fds[1]);
  return finish(child);
}

TEST(Faults, AReaderThatWentAwayEndsTheRunQuietly) {
  std::string err = testing::TempDir() + "faults_pipe_err.txt";
  EXPECT_EQ(status_with_a_reader_gone(false, err), 128 + SIGPIPE);
  EXPECT_EQ(read_text(err), "");
  EXPECT_EQ(status_with_a_reader_gone(true, err), 0);
  EXPECT_EQ(read_text(err), "");
}

TEST(Faults, ClosedStandardOutputIsNeverTakenByTheResultsFile) {
  std::string err = testing::TempDir() + "faults_closed_err.txt";
  Child child = start({"(out.txt)", "7", "6"}, "/dev/null", kClosed, err);
  EXPECT_EQ(finish(child), 1);
  std::string file = read_text(child.folder + "/out.txt");
  EXPECT_EQ(file.find("command line:"), file.rfind("command line:"));  // the run once, not twice
  EXPECT_NE(file.find("7/6 = 266.870905604 cents "), std::string::npos);
  EXPECT_NE(read_text(err).find("standard output was closed"), std::string::npos);
}

TEST(Faults, ClosedStandardInputIsAnEmptyOne) {
  std::string out = testing::TempDir() + "faults_stdin_out.txt";
  Child child = start({"7", "6"}, kClosed, out, "/dev/null");
  EXPECT_EQ(finish(child), 0);
  EXPECT_NE(read_text(out).find("7/6 = 266.870905604 cents "), std::string::npos);
}

TEST(Faults, ReadOnlyFolderForTheResultsFile) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write anywhere";
  std::string folder = scratch_folder();
  chmod(folder.c_str(), 0555);
  std::string err = testing::TempDir() + "faults_readonly_err.txt";
  std::string out = testing::TempDir() + "faults_readonly_out.txt";
  Child child = start({"(" + folder + "/out.txt)", "3", "2"}, "/dev/null", out, err);
  EXPECT_EQ(finish(child), 1);
  EXPECT_NE(read_text(err).find("Permission denied"), std::string::npos);
  EXPECT_NE(read_text(out).find("3/2 = 701.955000865 cents "), std::string::npos);  // the console still has it
}

// A signal in mid-search: the search stops, says so, reports, completes the results file
// and the program ends by the signal.
void expect_orderly_end_by(int signal_number) {
  std::string out = testing::TempDir() + "faults_signal_" + std::to_string(signal_number) + "_out.txt";
  std::vector<std::string> args = kLongSearch;
  args.insert(args.begin(), "(out.txt)");
  Child child = start(args, "/dev/null", out, "/dev/null");
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  kill(child.pid, signal_number);
  EXPECT_EQ(finish(child), 128 + signal_number);
  std::string console = read_text(out);
  EXPECT_NE(console.find("interrupted at "), std::string::npos);
  EXPECT_NE(console.find("values tested, "), std::string::npos);
  EXPECT_EQ(console.substr(console.size() - 14), "1/1 = 0 cents ");
  EXPECT_TRUE(after_first_line(read_text(child.folder + "/out.txt")) == after_first_line(console));
}

TEST(Faults, SigintEndsTheSearchWithItsReport) { expect_orderly_end_by(SIGINT); }

TEST(Faults, SigtermEndsTheSearchWithItsReport) { expect_orderly_end_by(SIGTERM); }

TEST(Faults, SecondSigintEndsAtOnce) {
  // Standard output is a pipe no one reads: once it is full, the program blocks in a write
  // and cannot reach the place where it would stop. A second SIGINT ends it all the same.
  int pipe_fds[2];
  ASSERT_EQ(pipe(pipe_fds), 0);
  std::string pipe_path = "/dev/fd/" + std::to_string(pipe_fds[1]);
  Child child = start({"1", "1", "1e12", "5", "30", "-2", "0", "100000", "2", "3", "5", "7"}, "/dev/null", pipe_path,
                      "/dev/null");
  close(pipe_fds[1]);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  kill(child.pid, SIGINT);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  int status = 0;
  EXPECT_EQ(waitpid(child.pid, &status, WNOHANG), 0);  // still blocked in its write
  kill(child.pid, SIGINT);
  EXPECT_EQ(finish(child), 128 + SIGINT);
  close(pipe_fds[0]);
}

}  // namespace
