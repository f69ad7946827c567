// The structured output for scripts: each accepted approximant as a record and a
// closing summary, as JSON Lines or as CSV. A record's fields are one ordered list: the
// JSON keys and the CSV columns are its names, in its order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "present/approximant_text.h"
#include "present/interval_measures.h"
#include "present/record_writer.h"
#include "present/run_view.h"

// The version of the record layout; it changes only when a field changes meaning or goes.
constexpr int kRecordFormatVersion = 1;

// What every record of a search needs and nothing writes to: the run and its factors
// factorised once. Records made from one context may be written on any thread.
struct RecordContext {
  RunView run;
  FactorPrimes factor_primes;
  std::vector<std::string> field_keys;  // the JSON key text of each approximant field, in order
};
RecordContext record_context(RunView run);

// The names of the fields of the run's approximant records, in order: the CSV header row
// without its line end. A JSON record has "type" first, then these.
std::string approximant_field_names(const RunView &run);

// Appends one approximant's record and its line end: a JSON object with type,
// exponents, numerator, denominator, cents, distance_cents (signed, from the target),
// name (or null), then the interval's measures (ratio, prime_monzo, prime_limit,
// tenney_height, odd_limit, tempered_out_by, and when the run asks for it
// tempered_out_by_factor_vals); or the CSV row of the same fields.
void append_approximant_record(const RecordContext &context, RecordFormat format, const int *exponents, double cents,
                               std::string &out);

// What a record is worked out in before it is written. A thread that writes many records
// keeps one and passes it to each, so that once it has grown a record allocates nothing.
struct RecordScratch {
  ExactRatio ratio;
  IntervalMeasures measures;
};
void append_approximant_record(const RecordContext &context, RecordFormat format, const int *exponents, double cents,
                               RecordScratch &scratch, std::string &out);

struct RunTotals {
  int64_t tested = 0;
  int64_t records = 0;   // every approximant record written
  const char *end = "";  // exhausted, exact_hit, time_out, interrupted or output_lost
  double seconds = 0.0;
};
// The summary as a JSON object on one line (no newline).
std::string json_summary_record(const RunView &run, const RunTotals &totals);
