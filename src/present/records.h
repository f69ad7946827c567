// The structured output for scripts: each accepted approximant as a record and a
// closing summary, as JSON Lines or as CSV. Numbers are shortest round-trip decimals;
// numerators and denominators are exact decimal strings.
#pragma once

#include <cstdint>
#include <string>

#include "present/interval_measures.h"
#include "present/run_view.h"

// Records as JSON Lines or as CSV rows.
enum class RecordFormat { kJson, kCsv };

// The version of the record layout; it changes only when a field changes meaning or goes.
constexpr int kRecordFormatVersion = 1;

// One approximant as a JSON object on one line (no newline): type, exponents, numerator,
// denominator, cents, distance_cents (signed, from the target), name (or null), then the
// interval's measures: ratio, prime_monzo, prime_limit, tenney_height, odd_limit and
// tempered_out_by. factor_primes is factorise_factors(run.factors).
std::string json_approximant_record(const RunView &run, const FactorPrimes &factor_primes, const int *exponents,
                                    double cents);

struct RunTotals {
  int64_t tested = 0;
  int64_t records = 0;   // every approximant record written
  const char *end = "";  // exhausted, exact_hit, time_out, interrupted or output_lost
  double seconds = 0.0;
};
// The summary as a JSON object on one line (no newline).
std::string json_summary_record(const RunView &run, const RunTotals &totals);

// The CSV header row and one approximant row, each without its line end.
std::string csv_header_row();
std::string csv_approximant_row(const RunView &run, const FactorPrimes &factor_primes, const int *exponents,
                                double cents);

// The shortest decimal that reads back as exactly this double ("null" when not finite).
std::string shortest_number_text(double value);
