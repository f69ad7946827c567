// The few things that differ between operating systems, one small function each: the
// local date line and whether a stream is a terminal.
#include "driver/platform.h"

#include <ctime>

#ifdef _WIN32
#include <conio.h>
#include <fcntl.h>
#include <io.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace {

constexpr const char *kDateAfterHourFormat = "%p %A, %B %d, %Y %Z";
constexpr size_t kDateRestSize = 128;

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

bool stream_is_terminal(FILE *stream) {
#ifdef _WIN32
  return _isatty(_fileno(stream)) != 0;
#else
  return isatty(fileno(stream)) != 0;
#endif
}

#ifdef _WIN32

int read_terminal_key(FILE * /*terminal*/) { return _getch(); }

void set_binary_mode(FILE *stream) { _setmode(_fileno(stream), _O_BINARY); }

#else

int read_terminal_key(FILE *terminal) {
  int fd = fileno(terminal);
  termios saved{};
  if (tcgetattr(fd, &saved) != 0) return std::fgetc(terminal);
  termios raw = saved;
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);  // ISIG stays: Ctrl-C still interrupts
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  tcsetattr(fd, TCSANOW, &raw);
  unsigned char key = 0;
  ssize_t got = read(fd, &key, 1);
  tcsetattr(fd, TCSANOW, &saved);
  return got == 1 ? key : EOF;
}

void set_binary_mode(FILE * /*stream*/) {}

#endif
