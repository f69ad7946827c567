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

namespace {

// Formats range mode's lines on a worker thread from the sink's immutable view of the run.
class RangeLineFormatter : public BlockFormatter {
 public:
  explicit RangeLineFormatter(const RunView &run) : run_(run) {}
  void format(const Approximant &found, std::string &out) override {
    append_range_line(run_, found.exponents, found.cents, out);
  }

 private:
  const RunView &run_;
};

}  // namespace

std::unique_ptr<BlockFormatter> TextSink::block_formatter() {
  if (!run_.range_mode) return nullptr;
  return std::make_unique<RangeLineFormatter>(run_);
}

void TextSink::formatted(std::string_view bytes, int64_t count) { renderer_.write_range_lines(bytes, count); }

void TextSink::finished(const SearchSummary &summary) {
  renderer_.write_end_message(search_end_text(summary.end), summary.seconds);
  renderer_.write_report(summary.tested);
}

RecordSink::RecordSink(RunView run, RecordFormat format, TextWriter write_records, TextWriter write_summary,
                       size_t gather_bytes)
    : context_(record_context(std::move(run))),
      gather_bytes_(gather_bytes),
      format_(format),
      write_records_(std::move(write_records)),
      write_summary_(std::move(write_summary)) {
  if (format_ == RecordFormat::kCsv) write_records_(approximant_field_names(context_.run) + "\n");
}

namespace {

// Formats records on a worker thread from the sink's immutable record context.
class RecordFormatter : public BlockFormatter {
 public:
  RecordFormatter(const RecordContext &context, RecordFormat format) : context_(context), format_(format) {}
  void format(const Approximant &found, std::string &out) override {
    append_approximant_record(context_, format_, found.exponents, found.cents, scratch_, out);
  }

 private:
  const RecordContext &context_;
  RecordFormat format_;
  RecordScratch scratch_;  // this thread's own
};

}  // namespace

void RecordSink::write_approximant(const int *exponents, double cents) {
  append_approximant_record(context_, format_, exponents, cents, scratch_, gathered_);
  if (gathered_.size() >= gather_bytes_) flush_records();
}

void RecordSink::flush_records() {
  if (gathered_.empty()) return;
  write_records_(gathered_);
  gathered_.clear();
}

std::unique_ptr<BlockFormatter> RecordSink::block_formatter() {
  return std::make_unique<RecordFormatter>(context_, format_);
}

void RecordSink::formatted(std::string_view bytes, int64_t /*count*/) {
  write_waiting(false);
  if (gathered_.size() + bytes.size() < gather_bytes_) {
    gathered_.append(bytes);
    return;
  }
  flush_records();
  write_lines_in_pieces(write_records_, bytes);
}

void RecordSink::progress(const SearchProgress & /*now*/) { flush_records(); }

void RecordSink::write_waiting(bool exact_hit) {
  if (!has_waiting_) return;
  has_waiting_ = false;
  write_approximant(waiting_exponents_.data(), exact_hit ? context_.run.target_cents : waiting_cents_);
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
  flush_records();
  RunTotals totals;
  totals.tested = summary.tested;
  totals.records = summary.accepted;
  totals.end = search_end_text(summary.end).record_name;
  totals.seconds = summary.seconds;
  write_summary_(json_summary_record(context_.run, totals) + "\n");
}
