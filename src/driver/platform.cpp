// The few things that differ between operating systems, one small function each: the
// local date line and whether a stream is a terminal.
#include "driver/platform.h"

#include <ctime>

#ifndef RATIOHUNT_NO_THREADS
#include <thread>
#endif

#ifdef _WIN32
#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#ifdef __linux__
#include <sched.h>
#endif

#include <cerrno>
#endif

namespace {

constexpr const char *kDateAfterHourFormat = "%p %A, %B %d, %Y %Z";
constexpr size_t kDateRestSize = 128;
constexpr int kDefaultColumns = 80;

}  // namespace

bool format_local_date(char *buffer, size_t size) {
  std::time_t now = std::time(nullptr);
  if (now == static_cast<std::time_t>(-1)) return false;
  const std::tm *local = std::localtime(&now);
  if (local == nullptr) return false;
  // The hour on the 12-hour clock without a leading zero, which strftime cannot give portably.
  int hour = local->tm_hour % 12 == 0 ? 12 : local->tm_hour % 12;
  char rest[kDateRestSize];
  if (std::strftime(rest, sizeof rest, kDateAfterHourFormat, local) == 0) return false;
  std::snprintf(buffer, size, "%d %s", hour, rest);
  return true;
}

namespace {

// The cores the process may run on (its CPU affinity: a batch scheduler's share, taskset),
// 0 when the system cannot tell.
int cores_allowed() {
#if defined(_WIN32)
  DWORD_PTR process_mask = 0;
  DWORD_PTR system_mask = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &process_mask, &system_mask)) return 0;
  int count = 0;
  for (; process_mask != 0; process_mask &= process_mask - 1) ++count;
  return count;
#elif defined(__linux__)
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return 0;
  return CPU_COUNT(&allowed);
#else
  return 0;
#endif
}

}  // namespace

int hardware_threads() {
#ifdef RATIOHUNT_NO_THREADS
  return 1;
#else
  int allowed = cores_allowed();
  if (allowed > 0) return allowed;
  unsigned count = std::thread::hardware_concurrency();  // 0 when it cannot be told
  return count > 0 ? static_cast<int>(count) : 1;
#endif
}

bool stream_is_terminal(FILE *stream) {
#ifdef _WIN32
  return _isatty(_fileno(stream)) != 0;
#else
  return isatty(fileno(stream)) != 0;
#endif
}

#ifdef _WIN32

int terminal_columns(FILE *stream) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  if (!GetConsoleScreenBufferInfo(handle, &info)) return kDefaultColumns;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

int read_key(FILE *input, const std::atomic<int> * /*stop*/) {
  return stream_is_terminal(input) ? _getch() : std::fgetc(input);
}

bool guard_standard_descriptors() {
  bool stdout_closed = false;
  for (int fd = 0; fd <= 2; ++fd) {
    if (_get_osfhandle(fd) != -1) continue;
    FILE *stream = fd == 0 ? stdin : fd == 1 ? stdout : stderr;
    std::freopen("NUL", fd == 0 ? "r" : "w", stream);
    stdout_closed = stdout_closed || fd == 1;
  }
  return stdout_closed;
}

void set_binary_mode(FILE *stream) { _setmode(_fileno(stream), _O_BINARY); }

#else

namespace {

constexpr int kStopPollMs = 100;

// Waits until fd can be read; false when *stop was set first.
bool wait_readable(int fd, const std::atomic<int> *stop) {
  while (stop == nullptr || stop->load() == 0) {
    pollfd ready{fd, POLLIN, 0};
    int got = poll(&ready, 1, stop == nullptr ? -1 : kStopPollMs);
    if (got > 0) return true;
    if (got < 0 && errno != EINTR) return true;  // let the read report it
  }
  return false;
}

}  // namespace

int terminal_columns(FILE *stream) {
  winsize size{};
  if (ioctl(fileno(stream), TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return kDefaultColumns;
  return size.ws_col;
}

int read_key(FILE *input, const std::atomic<int> *stop) {
  int fd = fileno(input);
  termios saved{};
  // Not a terminal: what the stream holds already counts, so read it as a stream (the
  // caller makes a signal cut the read short).
  if (!stream_is_terminal(input) || tcgetattr(fd, &saved) != 0) return std::fgetc(input);
  termios raw = saved;
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);  // ISIG stays: Ctrl-C still interrupts
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  tcsetattr(fd, TCSANOW, &raw);
  unsigned char key = 0;
  bool got = wait_readable(fd, stop) && read(fd, &key, 1) == 1;
  tcsetattr(fd, TCSANOW, &saved);
  return got ? key : EOF;
}

bool guard_standard_descriptors() {
  bool stdout_closed = false;
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // open() takes the lowest free descriptor, which is this one.
    if (open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) != fd) continue;
    stdout_closed = stdout_closed || fd == 1;
  }
  return stdout_closed;
}

void set_binary_mode(FILE * /*stream*/) {}

#endif
