// The program at a terminal, through a pseudo-terminal: the key wait takes one key
// without Enter and without echo and says so, the terminal's settings come back, a
// person's pipe is not waited for, and a long search shows and then erases its progress.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include "exec_program.h"

namespace {

constexpr int kPatienceMs = 20000;

struct Terminal {
  int master = -1;
  pid_t child = -1;
  std::string screen;  // everything the program wrote to the terminal
};

// Starts the program on a new pseudo-terminal; stdout_path, when given, takes its stdout.
Terminal start(const std::vector<std::string> &args, const char *stdout_path = nullptr) {
  Terminal terminal;
  terminal.child = forkpty(&terminal.master, nullptr, nullptr, nullptr);
  if (terminal.child == 0) {
    if (stdout_path != nullptr) {
      int out = open(stdout_path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(out, 1);
    }
    exec_program(args);
  }
  return terminal;
}

// Reads what the program writes until the screen holds text or it stops writing.
bool read_until(Terminal &terminal, const std::string &text) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPatienceMs);
  while (terminal.screen.find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    pollfd ready{terminal.master, POLLIN, 0};
    if (poll(&ready, 1, 100) <= 0) continue;
    char buffer[4096];
    ssize_t got = read(terminal.master, buffer, sizeof buffer);
    if (got <= 0) return terminal.screen.find(text) != std::string::npos;
    terminal.screen.append(buffer, static_cast<size_t>(got));
  }
  return true;
}

// The exit status, or -1 when the program is still running after the patience.
int wait_for_exit(Terminal &terminal) {
  read_until(terminal, "\x01never\x01");  // drain what is left until the terminal closes
  int status = 0;
  for (int waited = 0; waited < kPatienceMs; waited += 10) {
    if (waitpid(terminal.child, &status, WNOHANG) == terminal.child) {
      close(terminal.master);
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    usleep(10000);
  }
  return -1;
}

// A machine without pseudo-terminals cannot run these tests: they are skipped there.
constexpr const char *kNoPseudoTerminal = "no pseudo-terminal can be opened here";

bool still_running(const Terminal &terminal) {
  int status = 0;
  return waitpid(terminal.child, &status, WNOHANG) == 0;
}

TEST(Terminal, KeyWaitTakesOneKeyWithoutEnterAndRestoresTheTerminal) {
  Terminal terminal = start({"7", "6"});
  if (terminal.child < 0) GTEST_SKIP() << kNoPseudoTerminal;
  ASSERT_TRUE(read_until(terminal, "Press any key to exit")) << terminal.screen;
  EXPECT_NE(terminal.screen.find("7/6 = 266.870905604 cents "), std::string::npos);
  usleep(200000);
  EXPECT_TRUE(still_running(terminal));
  termios during{};
  ASSERT_EQ(tcgetattr(terminal.master, &during), 0);
  EXPECT_EQ(during.c_lflag & (ICANON | ECHO), 0u);                 // one key, no echo
  EXPECT_NE(during.c_lflag & ISIG, 0u);                            // Ctrl-C still interrupts
  ASSERT_EQ(write(terminal.master, "#", 1), 1);                    // no Enter
  ASSERT_TRUE(read_until(terminal, "Press any key to exit\r\n"));  // the line ends once the key is read
  termios after{};
  ASSERT_EQ(tcgetattr(terminal.master, &after), 0);
  EXPECT_EQ(after.c_lflag & (ICANON | ECHO), static_cast<tcflag_t>(ICANON | ECHO));  // restored
  EXPECT_EQ(wait_for_exit(terminal), 0);
  EXPECT_EQ(terminal.screen.find('#'), std::string::npos);  // not echoed
}

TEST(Terminal, CtrlCAtTheKeyWaitEndsByTheSignalWithTheTerminalRestored) {
  Terminal terminal = start({"7", "6"});
  if (terminal.child < 0) GTEST_SKIP() << kNoPseudoTerminal;
  ASSERT_TRUE(read_until(terminal, "Press any key to exit")) << terminal.screen;
  usleep(200000);
  ASSERT_EQ(write(terminal.master, "\x03", 1), 1);                 // the terminal turns it into SIGINT
  ASSERT_TRUE(read_until(terminal, "Press any key to exit\r\n"));  // the line ends once the wait gives up
  termios after{};
  ASSERT_EQ(tcgetattr(terminal.master, &after), 0);
  EXPECT_EQ(after.c_lflag & (ICANON | ECHO), static_cast<tcflag_t>(ICANON | ECHO));
  EXPECT_EQ(wait_for_exit(terminal), 128 + SIGINT);
}

TEST(Terminal, UsagePagesWaitTwice) {
  Terminal terminal = start({});
  if (terminal.child < 0) GTEST_SKIP() << kNoPseudoTerminal;
  ASSERT_TRUE(read_until(terminal, "Press any key to continue")) << terminal.screen;
  EXPECT_EQ(terminal.screen.find("Three optional extra args"), std::string::npos);
  ASSERT_EQ(write(terminal.master, " ", 1), 1);
  ASSERT_TRUE(read_until(terminal, "Press any key to exit")) << terminal.screen;
  EXPECT_NE(terminal.screen.find("Three optional extra args"), std::string::npos);
  ASSERT_EQ(write(terminal.master, " ", 1), 1);
  EXPECT_EQ(wait_for_exit(terminal), 0);
}

TEST(Terminal, APipeFromAPersonIsNotWaitedFor) {
  std::string path = testing::TempDir() + "ratiohunt_terminal_pipe.txt";
  Terminal terminal = start({"7", "6"}, path.c_str());
  if (terminal.child < 0) GTEST_SKIP() << kNoPseudoTerminal;
  EXPECT_EQ(wait_for_exit(terminal), 0);  // no key was pressed
  EXPECT_EQ(terminal.screen.find("Press any key"), std::string::npos);
  unlink(path.c_str());
}

TEST(Terminal, LongSearchShowsProgressThenErasesIt) {
  const std::vector<std::string> search = {"1", "1", "1e60", "5",  "1.6", "-2", "0",  "0.0001",   "2",
                                           "3", "5", "7",    "11", "13",  "17", "19", "--no-wait"};
  Terminal terminal = start(search);
  if (terminal.child < 0) GTEST_SKIP() << kNoPseudoTerminal;
  EXPECT_EQ(wait_for_exit(terminal), 0);
  size_t progress = terminal.screen.find("\rratiohunt: ");
  ASSERT_NE(progress, std::string::npos) << terminal.screen;
  EXPECT_NE(terminal.screen.find("% done", progress), std::string::npos);
  size_t erased = terminal.screen.find("\r\033[K", progress);
  size_t report = terminal.screen.find("values tested");
  EXPECT_LT(erased, report);  // gone before the report

  std::vector<std::string> quiet = search;
  quiet.push_back("--quiet");
  Terminal silent = start(quiet);
  if (silent.child < 0) GTEST_SKIP() << kNoPseudoTerminal;
  EXPECT_EQ(wait_for_exit(silent), 0);
  EXPECT_EQ(silent.screen.find("ratiohunt: "), std::string::npos);
}

}  // namespace
