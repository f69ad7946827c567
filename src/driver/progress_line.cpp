// The progress line on a terminal: approximants found and, in successive mode, the best
// distance so far, the share of the odometer done with an estimate of the time left, and
// the values tested in the time spent, each number written as people read it.
#include "driver/progress_line.h"

#include <cmath>
#include <utility>

#include "driver/platform.h"
#include "present/text_format.h"

namespace {

// A search shorter than this shows no progress at all.
constexpr double kFirstShowSeconds = 1.0;
// Less room than this after the results' unfinished line: the progress waits for a new line.
constexpr int kLeastRoom = 24;
constexpr const char *kRedraw = "\r";
constexpr const char *kEraseToEnd = "\033[K";
constexpr const char *kSaveCursor = "\0337";
constexpr const char *kRestoreCursor = "\0338";

// The time left: from the share done, or the time out when that comes sooner.
double seconds_left(const SearchProgress &now, double time_out_seconds) {
  double by_share = now.done_share > 0 ? now.seconds * (1.0 - now.done_share) / now.done_share : INFINITY;
  double by_time_out = time_out_seconds - now.seconds;
  return std::fmin(by_share, by_time_out > 0 ? by_time_out : 0.0);
}

// Three digits need no exponent down to 0.0001 %; less than that is 0.
std::string share_for_people(double done_share) {
  double percent = 100.0 * done_share;
  return percent >= 1e-4 ? number_text(kProgressShareFormat, percent) : "0";
}

// Cents at four digits; a tiny distance keeps its exponent, without padding (2.274e-13).
std::string cents_for_people(double cents) { return compact_number_text(kProgressCentsFormat, cents); }

// A time in one unit, below 99.5 of it so that two digits hold it; the singular for 1.
std::string in_unit(double amount, const char *unit, const char *unit_of_one) {
  std::string number = number_text(kProgressTimeFormat, amount);
  return number + " " + (number == "1" ? unit_of_one : unit);
}

}  // namespace

std::string count_for_people(int64_t count) {
  if (count < 1000) return std::to_string(count);
  static const char *const kPrefixes[] = {"k", "M", "G", "T", "P", "E"};
  double scaled = static_cast<double>(count) / 1000;
  int prefix = 0;
  while (scaled >= 999.5 && prefix < 5) {
    scaled /= 1000;
    ++prefix;
  }
  return number_text(kProgressCountFormat, scaled) + " " + kPrefixes[prefix];
}

std::string duration_for_people(double seconds) {
  if (seconds < 0.01) return "0 s";
  if (seconds < 60) return in_unit(seconds, "s", "s");
  double minutes = seconds / 60;
  if (minutes < 60) return in_unit(minutes, "min", "min");
  double hours = minutes / 60;
  if (hours < 48) return in_unit(hours, "h", "h");
  double days = hours / 24;
  if (days < 99.5) return in_unit(days, "days", "day");
  double years = days / 365.25;
  if (years < 99.5) return in_unit(years, "years", "year");
  return count_for_people(years < 9e18 ? static_cast<int64_t>(years) : INT64_MAX) + " years";
}

std::string progress_text(const SearchProgress &now, bool successive, double time_out_seconds) {
  std::string text = "ratiohunt: " + count_for_people(now.accepted) + " found";
  if (successive && now.accepted > 0) text += ", best " + cents_for_people(now.best_distance) + " cents";
  text += ", " + share_for_people(now.done_share) + "% done";
  double left = seconds_left(now, time_out_seconds);
  if (std::isfinite(left)) text += ", about " + duration_for_people(left) + " left";
  return text + ", " + count_for_people(now.tested) + " tested in " + duration_for_people(now.seconds);
}

ProgressLine::ProgressLine(ResultSink &inner, FILE *terminal, int columns, std::function<int()> results_column,
                           const SearchParams &search, FILE *results)
    : inner_(inner),
      terminal_(terminal),
      columns_(columns),
      results_column_(std::move(results_column)),
      results_share_terminal_(results == terminal || (stream_is_terminal(results) && stream_is_terminal(terminal))),
      successive_(!search.range_mode),
      time_out_seconds_(search.time_out_seconds) {}

// Rewrites the terminal's line from the column where the results' line ends (the start of
// the line when there is none) with text, cut to the room left; nothing erases it.
void ProgressLine::draw(const std::string &text) {
  int column = text.empty() ? drawn_at_column_ : results_column_() % columns_;
  int room = columns_ - column - 1;
  if (!text.empty() && column > 0 && room < kLeastRoom) return;
  std::string shown = column > 0 && !text.empty() ? " " + text : text;
  if (static_cast<int>(shown.size()) > room) shown.resize(static_cast<size_t>(room > 0 ? room : 0));
  if (column > 0) {
    std::fprintf(terminal_, "%s%s%s%s", kSaveCursor, shown.c_str(), kEraseToEnd, kRestoreCursor);
  } else {
    std::fprintf(terminal_, "%s%s%s", kRedraw, shown.c_str(), kEraseToEnd);
  }
  std::fflush(terminal_);
  shown_ = !text.empty();
  drawn_at_column_ = column;
}

void ProgressLine::erase() {
  if (shown_) draw("");
}

// A result for the same terminal takes the line's place, and the line, counting it, comes
// back after it at once; results that go elsewhere leave the line alone.
void ProgressLine::approximant(const Approximant &found) {
  bool redraw = shown_ && results_share_terminal_;
  if (redraw) erase();
  inner_.approximant(found);
  ++last_.accepted;
  if (successive_) last_.best_distance = cents_of_log(found.distance);
  if (redraw) draw(progress_text(last_, successive_, time_out_seconds_));
}

void ProgressLine::formatted(std::string_view bytes, int64_t count) {
  bool redraw = shown_ && results_share_terminal_;
  if (redraw) erase();
  inner_.formatted(bytes, count);
  last_.accepted += count;
  if (redraw) draw(progress_text(last_, successive_, time_out_seconds_));
}

// The sink hears of the progress too: records gathered for a pipe or a file (never for
// this terminal) are written then.
void ProgressLine::progress(const SearchProgress &now) {
  inner_.progress(now);
  last_ = now;
  if (now.seconds >= kFirstShowSeconds) draw(progress_text(now, successive_, time_out_seconds_));
}

void ProgressLine::finished(const SearchSummary &summary) {
  erase();
  inner_.finished(summary);
}
