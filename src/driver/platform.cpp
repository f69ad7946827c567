// The few things that differ between console platforms, one small function each:
// the process clock, the local date line and whether a stream is a terminal.
#include <chrono>
#include <ctime>

#include "driver/driver.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

int64_t process_clock_ms() {
  // Wall-clock time from a steady clock: CPU time would stretch the time out on a busy machine.
  auto since_epoch = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch).count();
}

bool format_local_date(char *buffer, size_t size) {
  std::time_t now = std::time(nullptr);
  if (now == static_cast<std::time_t>(-1)) return false;
  const std::tm *local = std::localtime(&now);
  if (local == nullptr) return false;
  // The hour on the 12-hour clock without a leading zero, which strftime cannot give portably.
  int hour = local->tm_hour % 12 == 0 ? 12 : local->tm_hour % 12;
  char rest[kDateBufferSize];
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
