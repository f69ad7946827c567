// JSON Lines and CSV records of approximants and the run summary. JSON goes through
// nlohmann::json so escaping and number formatting are a well-kept library's.
#include "present/records.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "present/approximant_text.h"
#include "present/comma_names.h"
#include "present/number_formats.h"

namespace {

using Json = nlohmann::ordered_json;  // fields in the order a reader expects them

constexpr const char *kCsvHeader =
    "exponents,numerator,denominator,cents,distance_cents,name,ratio,prime_monzo,prime_limit,tenney_height,odd_limit,"
    "tempered_out_by";

Json number_or_null(double value) { return std::isfinite(value) ? Json(value) : Json(nullptr); }

// RFC 4180: a field with a comma, a quote or a line break is quoted, its quotes doubled.
std::string csv_field(const std::string &text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

template <typename Number>
std::string joined_by_blanks(const Number *numbers, size_t count) {
  std::string joined;
  for (size_t i = 0; i < count; ++i) joined += (i > 0 ? " " : "") + std::to_string(numbers[i]);
  return joined;
}

void add_measures(Json &record, const IntervalMeasures &measures) {
  record["ratio"] = measures.ratio;
  record["prime_monzo"] = measures.has_prime_monzo ? Json(measures.prime_monzo) : Json(nullptr);
  record["prime_limit"] = measures.prime_limit;
  record["tenney_height"] = number_or_null(measures.tenney_height);
  record["odd_limit"] = measures.odd_limit;
  record["tempered_out_by"] = measures.has_tempered_out_by ? Json(measures.tempered_out_by) : Json(nullptr);
}

// The measures as CSV fields; a list is its entries joined by blanks, empty for none or null.
std::string csv_measures(const IntervalMeasures &measures) {
  return measures.ratio + "," + csv_field(joined_by_blanks(measures.prime_monzo.data(), measures.prime_monzo.size())) +
         "," + std::to_string(measures.prime_limit) + "," + shortest_number_text(measures.tenney_height) + "," +
         measures.odd_limit + "," +
         csv_field(joined_by_blanks(measures.tempered_out_by.data(), measures.tempered_out_by.size()));
}

}  // namespace

std::string shortest_number_text(double value) {
  if (!std::isfinite(value)) return "null";
  char buffer[32];
  for (const char *format : kRoundTripFormats) {
    std::snprintf(buffer, sizeof buffer, format, value);
    if (std::strtod(buffer, nullptr) == value) break;
  }
  return buffer;
}

std::string json_approximant_record(const RunView &run, const FactorPrimes &factor_primes, const int *exponents,
                                    double cents) {
  int count = static_cast<int>(run.factors.size());
  ExactRatio ratio = exact_ratio(run.factors.data(), exponents, count);
  const char *name = interval_name(run.factors.data(), exponents, count);
  Json record = Json::object();  // made whole first: filling a null one is not safe if an allocation fails
  record["type"] = "approximant";
  record["exponents"] = Json(std::vector<int>(exponents, exponents + count));
  record["numerator"] = ratio.numerator;
  record["denominator"] = ratio.denominator;
  record["cents"] = number_or_null(cents);
  record["distance_cents"] = number_or_null(cents - run.target_cents);
  record["name"] = name != nullptr ? Json(name) : Json(nullptr);
  add_measures(record, measure_interval(factor_primes, exponents, run.unison_target));
  return record.dump();
}

std::string json_summary_record(const RunView &run, const RunTotals &totals) {
  Json record = Json::object();  // made whole first: filling a null one is not safe if an allocation fails
  record["type"] = "summary";
  record["format_version"] = kRecordFormatVersion;
  record["target"] = run.target_text.empty() ? Json(nullptr) : Json(run.target_text);
  record["x"] = number_or_null(run.x);
  record["y"] = number_or_null(run.y);
  record["target_cents"] = number_or_null(run.target_cents);
  record["factors"] = run.factors;
  record["mode"] = run.range_mode ? "range" : "successive";
  record["max_quotient"] = number_or_null(run.max_quotient);
  record["window_cents"] =
      run.range_mode ? Json::array({number_or_null(run.range_low_cents), number_or_null(run.range_high_cents)})
                     : Json(nullptr);
  record["tested"] = totals.tested;
  record["records"] = totals.records;
  record["end"] = totals.end;
  record["seconds"] = number_or_null(totals.seconds);
  if (run.complete) record["complete"] = true;
  // The target as typed may be any bytes: what is not UTF-8 becomes U+FFFD.
  return record.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string csv_header_row() { return kCsvHeader; }

std::string csv_approximant_row(const RunView &run, const FactorPrimes &factor_primes, const int *exponents,
                                double cents) {
  size_t count = run.factors.size();
  ExactRatio ratio = exact_ratio(run.factors.data(), exponents, static_cast<int>(count));
  const char *name = interval_name(run.factors.data(), exponents, static_cast<int>(count));
  return csv_field(joined_by_blanks(exponents, count)) + "," + ratio.numerator + "," + ratio.denominator + "," +
         shortest_number_text(cents) + "," + shortest_number_text(cents - run.target_cents) + "," +
         csv_field(name != nullptr ? name : "") + "," +
         csv_measures(measure_interval(factor_primes, exponents, run.unison_target));
}
