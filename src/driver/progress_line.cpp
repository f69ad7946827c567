// The progress line on a terminal: elapsed time, values tested, share of the odometer
// done with an estimate of the time left, approximants found and, in successive mode,
// the best distance so far.
#include "driver/progress_line.h"

#include <cmath>
#include <utility>

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

}  // namespace

std::string progress_text(const SearchProgress &now, bool successive, double time_out_seconds) {
  std::string text =
      format_text("ratiohunt: %s s, %lld tested, %s%% done", format_text("%.3g", now.seconds).c_str(),
                  static_cast<long long>(now.tested), format_text("%.3g", 100.0 * now.done_share).c_str());
  double left = seconds_left(now, time_out_seconds);
  if (std::isfinite(left)) text += format_text(", about %s s left", format_text("%.2g", left).c_str());
  text += format_text(", %lld found", static_cast<long long>(now.accepted));
  if (successive && now.accepted > 0)
    text += format_text(", best %s cents", format_text("%.4g", now.best_distance).c_str());
  return text;
}

ProgressLine::ProgressLine(ResultSink &inner, FILE *terminal, int columns, std::function<int()> results_column,
                           const SearchParams &search)
    : inner_(inner),
      terminal_(terminal),
      columns_(columns),
      results_column_(std::move(results_column)),
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

void ProgressLine::approximant(const Approximant &found) {
  erase();
  inner_.approximant(found);
}

void ProgressLine::progress(const SearchProgress &now) {
  if (now.seconds >= kFirstShowSeconds) draw(progress_text(now, successive_, time_out_seconds_));
}

void ProgressLine::finished(const SearchSummary &summary) {
  erase();
  inner_.finished(summary);
}
