// The sinks that connect the search to the renderers: text for people, records for scripts.
#include "present/result_sinks.h"

#include <cmath>

RunView view_of_search(const SearchParams &search, double max_quotient, int precision) {
  RunView view;
  view.x = search.x;
  view.y = search.y;
  view.target_cents = cents_of_log(std::log(search.x / search.y));
  view.unison_target = is_unison_target(search.x, search.y);
  view.factors = search.factors;
  view.range_mode = search.range_mode;
  view.range_low_cents = search.range_low_cents;
  view.range_high_cents = search.range_high_cents;
  view.complete = search.complete;
  view.max_quotient = max_quotient;
  view.precision = precision;
  return view;
}

void TextSink::approximant(const Approximant &found) { renderer_.write_approximant(found.exponents, found.cents); }

void TextSink::finished(const SearchSummary &summary) {
  if (summary.end == SearchEnd::kTimeOut) renderer_.write_time_out(summary.seconds);
  if (summary.end == SearchEnd::kInterrupted) renderer_.write_interrupted(summary.seconds);
  if (summary.end == SearchEnd::kOutputLost) renderer_.write_output_lost(summary.seconds);
  renderer_.write_report(summary.tested);
}

const char *search_end_name(SearchEnd end) {
  switch (end) {
    case SearchEnd::kExhausted:
      return "exhausted";
    case SearchEnd::kExactHit:
      return "exact_hit";
    case SearchEnd::kTimeOut:
      return "time_out";
    case SearchEnd::kInterrupted:
      return "interrupted";
    case SearchEnd::kOutputLost:
      return "output_lost";
  }
  return "exhausted";
}

RecordSink::RecordSink(RunView run, RecordFormat format, TextWriter write_records, TextWriter write_summary)
    : run_(std::move(run)),
      factor_primes_(factorise_factors(run_.factors)),
      format_(format),
      write_records_(std::move(write_records)),
      write_summary_(std::move(write_summary)) {
  if (format_ == RecordFormat::kCsv) write_records_(csv_header_row() + "\n");
}

namespace {

// One record's line, as the sink writes it.
std::string approximant_line(const RunView &run, const FactorPrimes &factor_primes, RecordFormat format,
                             const int *exponents, double cents) {
  return (format == RecordFormat::kCsv ? csv_approximant_row(run, factor_primes, exponents, cents)
                                       : json_approximant_record(run, factor_primes, exponents, cents)) +
         "\n";
}

class RecordFormatter : public BlockFormatter {
 public:
  RecordFormatter(const RunView &run, const FactorPrimes &factor_primes, RecordFormat format)
      : run_(run), factor_primes_(factor_primes), format_(format) {}
  void format(const Approximant &found, std::string &out) override {
    out += approximant_line(run_, factor_primes_, format_, found.exponents, found.cents);
  }

 private:
  const RunView &run_;
  const FactorPrimes &factor_primes_;
  RecordFormat format_;
};

}  // namespace

void RecordSink::write_approximant(const int *exponents, double cents) {
  write_records_(approximant_line(run_, factor_primes_, format_, exponents, cents));
}

std::unique_ptr<BlockFormatter> RecordSink::block_formatter() {
  return std::make_unique<RecordFormatter>(run_, factor_primes_, format_);
}

void RecordSink::formatted(std::string_view bytes, int64_t /*count*/) {
  write_waiting(false);
  write_records_(std::string(bytes));
}

void RecordSink::write_waiting(bool exact_hit) {
  if (!has_waiting_) return;
  has_waiting_ = false;
  write_approximant(waiting_exponents_.data(), exact_hit ? run_.target_cents : waiting_cents_);
}

void RecordSink::approximant(const Approximant &found) {
  write_waiting(false);
  if (found.distance <= exact_hit_distance()) {
    has_waiting_ = true;
    waiting_exponents_.assign(found.exponents, found.exponents + found.count);
    waiting_cents_ = found.cents;
    return;
  }
  write_approximant(found.exponents, found.cents);
}

void RecordSink::finished(const SearchSummary &summary) {
  write_waiting(summary.end == SearchEnd::kExactHit);
  RunTotals totals;
  totals.tested = summary.tested;
  totals.records = summary.accepted;
  totals.end = search_end_name(summary.end);
  totals.seconds = summary.seconds;
  write_summary_(json_summary_record(run_, totals) + "\n");
}
