// JSON Lines and CSV records of approximants and the run summary, written field by field
// through the streaming record writer. Adding a field to the records is one entry in
// kApproximantFields (and its measure, when it is a new one).
#include "present/records.h"

#include <utility>

#include "present/approximant_text.h"
#include "present/comma_names.h"

namespace {

// Everything an approximant's fields are written from, worked out once per record.
struct ApproximantFacts {
  const int *exponents;
  size_t count;
  double cents;
  double distance_cents;
  const ExactRatio &ratio;
  const char *name;  // null for none
  const IntervalMeasures &measures;
};

// A field of a record: its name, how its value is written from the record's facts, and
// the run's setting that asks for it (null: always written).
template <typename Facts>
struct Field {
  const char *name;
  void (*write)(const Facts &, RecordWriter &);
  bool RunView::*asked_by = nullptr;
};

template <typename Facts>
bool written_in(const Field<Facts> &entry, const RunView &run) {
  return entry.asked_by == nullptr || run.*entry.asked_by;
}

template <typename Integer>
void write_list_or_null(RecordWriter &writer, bool present, const std::vector<Integer> &values) {
  if (present) {
    write_integers(writer, values.data(), values.size());
  } else {
    write_null(writer);
  }
}

void write_prime_monzo(const ApproximantFacts &facts, RecordWriter &writer) {
  write_list_or_null(writer, facts.measures.has_prime_monzo, facts.measures.prime_monzo);
}

void write_tempered_out_by(const ApproximantFacts &facts, RecordWriter &writer) {
  write_list_or_null(writer, facts.measures.has_tempered_out_by, facts.measures.tempered_out_by);
}

void write_tempered_out_by_factor_vals(const ApproximantFacts &facts, RecordWriter &writer) {
  write_list_or_null(writer, facts.measures.has_tempered_out_by, facts.measures.tempered_out_by_factor_vals);
}

// The fields of an approximant record, in the order of its JSON keys and CSV columns.
constexpr Field<ApproximantFacts> kApproximantFields[] = {
    {"exponents", [](const ApproximantFacts &f, RecordWriter &w) { write_integers(w, f.exponents, f.count); }},
    {"numerator", [](const ApproximantFacts &f, RecordWriter &w) { write_numeral(w, f.ratio.numerator); }},
    {"denominator", [](const ApproximantFacts &f, RecordWriter &w) { write_numeral(w, f.ratio.denominator); }},
    {"cents", [](const ApproximantFacts &f, RecordWriter &w) { write_number(w, f.cents); }},
    {"distance_cents", [](const ApproximantFacts &f, RecordWriter &w) { write_number(w, f.distance_cents); }},
    {"name", [](const ApproximantFacts &f, RecordWriter &w) { write_text_or_null(w, f.name); }},
    {"ratio", [](const ApproximantFacts &f, RecordWriter &w) { write_numeral(w, f.measures.ratio); }},
    {"prime_monzo", write_prime_monzo},
    {"prime_limit", [](const ApproximantFacts &f, RecordWriter &w) { write_integer(w, f.measures.prime_limit); }},
    {"tenney_height", [](const ApproximantFacts &f, RecordWriter &w) { write_number(w, f.measures.tenney_height); }},
    {"odd_limit", [](const ApproximantFacts &f, RecordWriter &w) { write_numeral(w, f.measures.odd_limit); }},
    {"tempered_out_by", write_tempered_out_by},
    {"tempered_out_by_factor_vals", write_tempered_out_by_factor_vals, &RunView::factor_vals},
};

// What the closing summary is written from.
struct RunSummary {
  const RunView &run;
  const RunTotals &totals;
};

void write_window(const RunSummary &s, RecordWriter &writer) {
  if (!s.run.range_mode) {
    write_null(writer);
    return;
  }
  const double window[] = {s.run.range_low_cents, s.run.range_high_cents};
  write_numbers(writer, window, 2);
}

// The fields of the summary record, in order.
constexpr Field<RunSummary> kSummaryFields[] = {
    {"format_version", [](const RunSummary &, RecordWriter &w) { write_integer(w, kRecordFormatVersion); }},
    {"target",
     [](const RunSummary &s, RecordWriter &w) {
       write_text_or_null(w, s.run.target_text.empty() ? nullptr : s.run.target_text.c_str());
     }},
    {"x", [](const RunSummary &s, RecordWriter &w) { write_number(w, s.run.x); }},
    {"y", [](const RunSummary &s, RecordWriter &w) { write_number(w, s.run.y); }},
    {"target_cents", [](const RunSummary &s, RecordWriter &w) { write_number(w, s.run.target_cents); }},
    {"factors",
     [](const RunSummary &s, RecordWriter &w) { write_integers(w, s.run.factors.data(), s.run.factors.size()); }},
    {"mode", [](const RunSummary &s, RecordWriter &w) { write_text(w, s.run.range_mode ? "range" : "successive"); }},
    {"max_quotient", [](const RunSummary &s, RecordWriter &w) { write_number(w, s.run.max_quotient); }},
    {"window_cents", write_window},
    {"tested", [](const RunSummary &s, RecordWriter &w) { write_integer(w, s.totals.tested); }},
    {"records", [](const RunSummary &s, RecordWriter &w) { write_integer(w, s.totals.records); }},
    {"end", [](const RunSummary &s, RecordWriter &w) { write_text(w, s.totals.end); }},
    {"seconds", [](const RunSummary &s, RecordWriter &w) { write_number(w, s.totals.seconds); }},
    {"complete", [](const RunSummary &, RecordWriter &w) { write_boolean(w, true); }, &RunView::complete},
};

// One record of the fields the run asks for, and no line end; keys, when given, are the
// fields' JSON key texts, made once for every record of the run.
template <typename Facts, size_t kCount>
void write_record(const RunView &run, const Facts &facts, const char *type, const Field<Facts> (&fields)[kCount],
                  const std::string *keys, RecordFormat format, std::string &out) {
  RecordWriter writer{format, out};
  begin_record(writer, type);
  for (size_t i = 0; i < kCount; ++i) {
    const Field<Facts> &entry = fields[i];
    if (!written_in(entry, run)) continue;
    if (keys != nullptr) {
      keyed_field(writer, keys[i]);
    } else {
      field(writer, entry.name);
    }
    entry.write(facts, writer);
  }
  end_record(writer);
}

}  // namespace

RecordContext record_context(RunView run) {
  RecordContext context{std::move(run), {}, {}};
  context.factor_primes = factorise_factors(context.run.factors);
  for (const Field<ApproximantFacts> &entry : kApproximantFields) context.field_keys.push_back(json_key(entry.name));
  return context;
}

std::string approximant_field_names(const RunView &run) {
  std::string names;
  for (const Field<ApproximantFacts> &entry : kApproximantFields) {
    if (!written_in(entry, run)) continue;
    if (!names.empty()) names += ',';
    names += entry.name;
  }
  return names;
}

void append_approximant_record(const RecordContext &context, RecordFormat format, const int *exponents, double cents,
                               std::string &out) {
  RecordScratch scratch;
  append_approximant_record(context, format, exponents, cents, scratch, out);
}

void append_approximant_record(const RecordContext &context, RecordFormat format, const int *exponents, double cents,
                               RecordScratch &scratch, std::string &out) {
  const RunView &run = context.run;
  const auto count = static_cast<int>(run.factors.size());
  measure_interval_into(context.factor_primes, exponents, run.unison_target, run.factor_vals, scratch.measures);
  exact_ratio_into(run.factors.data(), exponents, count, scratch.ratio);
  const IntervalMeasures &measures = scratch.measures;
  const char *name = measures.has_prime_monzo ? comma_name(measures.prime_monzo) : nullptr;
  ApproximantFacts facts{exponents, run.factors.size(), cents, cents - run.target_cents, scratch.ratio, name, measures};
  write_record(run, facts, "approximant", kApproximantFields, context.field_keys.data(), format, out);
  out += '\n';
}

std::string json_summary_record(const RunView &run, const RunTotals &totals) {
  std::string out;
  write_record(run, RunSummary{run, totals}, "summary", kSummaryFields, nullptr, RecordFormat::kJson, out);
  return out;
}
