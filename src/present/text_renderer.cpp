// The text renderer: turns a run's results into the lines people read. Every byte is
// fixed by the end-to-end cases, for scripts and results files that read these lines.
#include "present/text_renderer.h"

#include <utility>

#include "present/approximant_text.h"
#include "present/text_format.h"

namespace {

constexpr const char *kRangeHeaderFormat =
    "Ratios differing from %s/%s:\nby a comma or diesis etc in range %s to %s cents\nand in the form:\n";
constexpr const char *kSuccessiveHeaderFormat = "Successive approx. to %s/%s in form:\n";
constexpr const char *kFactorSeparator = " * ";
constexpr const char *kLetteredFactorFormat = "%d^%c";
constexpr const char *kNumberedFactorFormat = "%d^a%d";
constexpr int kLetteredFactorsMax = 26;  // more factors are named a0, a1, ... in the header
constexpr const char *kFactorListEnd = "\n\n";
constexpr const char *kRangeMaxQuotientFormat = "Max quotient to look for: %.7g\n\n";
constexpr const char *kSuccessiveMaxQuotientFormat = "Max quotient to look for: %g\n\n";

constexpr const char *kRangeLineEnd = " = ";
constexpr const char *kSuccessiveSeparator = "  ";
constexpr const char *kTimeOutFormat =
    "\n************************************************************************\n"
    "time out at %g secs, last max sum of exponents completed %d\n"
    "************************************************************************";
constexpr const char *kInterruptedFormat =
    "\n************************************************************************\n"
    "interrupted at %g secs; the report covers the values tested until then\n"
    "************************************************************************";
constexpr const char *kOutputLostFormat =
    "\n************************************************************************\n"
    "stopped at %g secs: standard output could not be written\n"
    "************************************************************************";

constexpr const char *kReportCountsFormat = "\n(%lld values tested, %d values found)\n";
constexpr const char *kReportValuesTitle = "\n\nValues in cents\n0.0 ";
constexpr const char *kReportListEntryEnd = " ";
constexpr const char *kReportDiffsTitleFormat = "\n\nCents diffs from target %s\n";
constexpr const char *kReportClosingFormat = "\n\n%s/%s = %s cents ";

}  // namespace

TextRenderer::TextRenderer(RunView run, TextWriter write) : run_(std::move(run)), write_(std::move(write)) {}

void TextRenderer::write_search_header() const {
  std::string x = ratio_number_text(run_.x);
  std::string y = ratio_number_text(run_.y);
  if (run_.range_mode) {
    write_(format_text(kRangeHeaderFormat, x.c_str(), y.c_str(), ratio_number_text(run_.range_low_cents).c_str(),
                       ratio_number_text(run_.range_high_cents).c_str()));
  } else {
    write_(format_text(kSuccessiveHeaderFormat, x.c_str(), y.c_str()));
  }
  int count = static_cast<int>(run_.factors.size());
  std::string factors;
  for (int j = 0; j < count; ++j) {
    if (j > 0) factors += kFactorSeparator;
    factors += count <= kLetteredFactorsMax ? format_text(kLetteredFactorFormat, run_.factors[j], 'a' + j)
                                            : format_text(kNumberedFactorFormat, run_.factors[j], j);
  }
  write_(factors + kFactorListEnd);
  write_(format_text(run_.range_mode ? kRangeMaxQuotientFormat : kSuccessiveMaxQuotientFormat, run_.max_quotient));
}

void TextRenderer::write_approximant(const int *exponents, double cents) {
  if (result_log_.size() < static_cast<size_t>(kResultLogCapacity)) result_log_.push_back(cents);
  const int *factors = run_.factors.data();
  int count = static_cast<int>(run_.factors.size());
  if (run_.range_mode) {
    write_(monzo_line(factors, exponents, count) + kRangeLineEnd + cents_text(run_.precision, cents) + "\n");
  } else {
    write_(ratio_formula(factors, exponents, count) + kSuccessiveSeparator);
  }
}

void TextRenderer::write_time_out(double seconds) const { write_(format_text(kTimeOutFormat, seconds, 0)); }

void TextRenderer::write_interrupted(double seconds) const { write_(format_text(kInterruptedFormat, seconds)); }

void TextRenderer::write_output_lost(double seconds) const { write_(format_text(kOutputLostFormat, seconds)); }

void TextRenderer::write_report(int64_t tested) const {
  write_(format_text(kReportCountsFormat, static_cast<long long>(tested), static_cast<int>(result_log_.size())));
  double target_cents = run_.target_cents;
  if (!run_.range_mode) {
    std::string lists = kReportValuesTitle;
    for (double cents : result_log_) lists += cents_text(run_.precision, cents) + kReportListEntryEnd;
    lists += format_text(kReportDiffsTitleFormat, cents_text(run_.precision, target_cents).c_str());
    for (double cents : result_log_) lists += cents_text(run_.precision, cents - target_cents) + kReportListEntryEnd;
    write_(lists);
  }
  write_(format_text(kReportClosingFormat, ratio_number_text(run_.x).c_str(), ratio_number_text(run_.y).c_str(),
                     ratio_number_text(target_cents).c_str()));
}
