// The text renderer: turns a run's results into the lines people read. Every byte is
// fixed by the end-to-end cases, for scripts and results files that read these lines.
#include "present/text_renderer.h"

#include <algorithm>
#include <utility>

#include "present/approximant_text.h"
#include "present/text_format.h"

namespace {

constexpr int kLetteredFactorsMax = 26;  // more factors are named a0, a1, ... in the header

// A line between two rows of stars, as the report says how a search ended early.
std::string starred(const std::string &line) {
  const std::string stars(72, '*');
  return "\n" + stars + "\n" + line + "\n" + stars;
}

}  // namespace

void append_range_line(const RunView &run, const int *exponents, double cents, std::string &out) {
  out += monzo_line(run.factors.data(), exponents, static_cast<int>(run.factors.size()));
  out += " = ";
  out += cents_text(run.precision, cents);
  out += '\n';
}

TextRenderer::TextRenderer(RunView run, TextWriter write) : run_(std::move(run)), write_(std::move(write)) {}

void TextRenderer::write_search_header() const {
  std::string x = ratio_number_text(run_.x);
  std::string y = ratio_number_text(run_.y);
  if (run_.range_mode) {
    write_("Ratios differing from " + x + "/" + y + ":\nby a comma or diesis etc in range " +
           ratio_number_text(run_.range_low_cents) + " to " + ratio_number_text(run_.range_high_cents) +
           " cents\nand in the form:\n");
  } else {
    write_("Successive approx. to " + x + "/" + y + " in form:\n");
  }
  int count = static_cast<int>(run_.factors.size());
  std::string factors;
  for (int j = 0; j < count; ++j) {
    if (j > 0) factors += " * ";
    factors += std::to_string(run_.factors[j]) + "^" +
               (count <= kLetteredFactorsMax ? std::string(1, static_cast<char>('a' + j)) : "a" + std::to_string(j));
  }
  write_(factors + "\n\n");
  std::string max_quotient =
      number_text(run_.range_mode ? kRangeMaxQuotientFormat : kSuccessiveMaxQuotientFormat, run_.max_quotient);
  write_("Max quotient to look for: " + max_quotient + "\n\n");
}

void TextRenderer::write_approximant(const int *exponents, double cents) {
  if (logged_ < kResultLogCapacity) {
    ++logged_;
    if (!run_.range_mode) result_log_.push_back(cents);
  }
  if (run_.range_mode) {
    std::string line;
    append_range_line(run_, exponents, cents, line);
    write_(line);
  } else {
    write_(ratio_formula(run_.factors.data(), exponents, static_cast<int>(run_.factors.size())) + "  ");
  }
}

void write_lines_in_pieces(const TextWriter &write, std::string_view lines) {
  while (!lines.empty()) {
    size_t end = lines.size();
    if (end > kWritePieceBytes) {
      size_t line_end = lines.rfind('\n', kWritePieceBytes - 1);
      end = line_end == std::string_view::npos ? lines.find('\n', kWritePieceBytes) : line_end;
      end = end == std::string_view::npos ? lines.size() : end + 1;
    }
    write(std::string(lines.substr(0, end)));
    lines.remove_prefix(end);
  }
}

void TextRenderer::write_range_lines(std::string_view lines, int64_t count) {
  logged_ = std::min<int64_t>(kResultLogCapacity, logged_ + count);
  write_lines_in_pieces(write_, lines);
}

void TextRenderer::write_end_message(const SearchEndText &end, double seconds) const {
  if (end.message_before_seconds == nullptr) return;
  write_(starred(search_end_message(end, seconds)));
}

void TextRenderer::write_report(int64_t tested) const {
  write_("\n(" + std::to_string(tested) + " values tested, " + std::to_string(logged_) + " values found)\n");
  double target_cents = run_.target_cents;
  if (!run_.range_mode) {
    std::string lists = "\n\nValues in cents\n0.0 ";
    for (double cents : result_log_) lists += cents_text(run_.precision, cents) + " ";
    lists += "\n\nCents diffs from target " + cents_text(run_.precision, target_cents) + "\n";
    for (double cents : result_log_) lists += cents_text(run_.precision, cents - target_cents) + " ";
    write_(lists);
  }
  write_("\n\n" + ratio_number_text(run_.x) + "/" + ratio_number_text(run_.y) + " = " +
         ratio_number_text(target_cents) + " cents ");
}
