// The text renderer: turns a run's results into the lines people read. Every byte is
// fixed by the end-to-end cases, for scripts and results files that read these lines.
#include "present/text_renderer.h"

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

std::string end_seconds_text(double seconds) { return format_text(kEndSecondsFormat, seconds); }

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
    write_(format_text(
        "Ratios differing from %s/%s:\nby a comma or diesis etc in range %s to %s cents\nand in the form:\n", x.c_str(),
        y.c_str(), ratio_number_text(run_.range_low_cents).c_str(), ratio_number_text(run_.range_high_cents).c_str()));
  } else {
    write_(format_text("Successive approx. to %s/%s in form:\n", x.c_str(), y.c_str()));
  }
  int count = static_cast<int>(run_.factors.size());
  std::string factors;
  for (int j = 0; j < count; ++j) {
    if (j > 0) factors += " * ";
    factors += count <= kLetteredFactorsMax ? format_text("%d^%c", run_.factors[j], 'a' + j)
                                            : format_text("%d^a%d", run_.factors[j], j);
  }
  write_(factors + "\n\n");
  std::string max_quotient =
      format_text(run_.range_mode ? kRangeMaxQuotientFormat : kSuccessiveMaxQuotientFormat, run_.max_quotient);
  write_("Max quotient to look for: " + max_quotient + "\n\n");
}

void TextRenderer::write_approximant(const int *exponents, double cents) {
  if (result_log_.size() < static_cast<size_t>(kResultLogCapacity)) result_log_.push_back(cents);
  if (run_.range_mode) {
    std::string line;
    append_range_line(run_, exponents, cents, line);
    write_(line);
  } else {
    write_(ratio_formula(run_.factors.data(), exponents, static_cast<int>(run_.factors.size())) + "  ");
  }
}

void TextRenderer::write_time_out(double seconds) const {
  write_(starred("time out at " + end_seconds_text(seconds) + " secs, last max sum of exponents completed 0"));
}

void TextRenderer::write_interrupted(double seconds) const {
  write_(
      starred("interrupted at " + end_seconds_text(seconds) + " secs; the report covers the values tested until then"));
}

void TextRenderer::write_output_lost(double seconds) const {
  write_(starred("stopped at " + end_seconds_text(seconds) + " secs: standard output could not be written"));
}

void TextRenderer::write_report(int64_t tested) const {
  write_(format_text("\n(%lld values tested, %d values found)\n", static_cast<long long>(tested),
                     static_cast<int>(result_log_.size())));
  double target_cents = run_.target_cents;
  if (!run_.range_mode) {
    std::string lists = "\n\nValues in cents\n0.0 ";
    for (double cents : result_log_) lists += cents_text(run_.precision, cents) + " ";
    lists += "\n\nCents diffs from target " + cents_text(run_.precision, target_cents) + "\n";
    for (double cents : result_log_) lists += cents_text(run_.precision, cents - target_cents) + " ";
    write_(lists);
  }
  write_(format_text("\n\n%s/%s = %s cents ", ratio_number_text(run_.x).c_str(), ratio_number_text(run_.y).c_str(),
                     ratio_number_text(target_cents).c_str()));
}
