// The few things that differ between operating systems, one small function each: the
// local date line and whether a stream is a terminal.
#include "driver/platform.h"

#include <ctime>

#ifdef _WIN32
#include <io.h>
#else
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
