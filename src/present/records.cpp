// JSON Lines and CSV records of approximants and the run summary. JSON goes through
// nlohmann::json so escaping and number formatting are a well-kept library's.
#include "present/records.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "present/approximant_text.h"
#include "present/comma_names.h"

namespace {

using Json = nlohmann::ordered_json;  // fields in the order a reader expects them

constexpr const char *kCsvHeader = "exponents,numerator,denominator,cents,distance_cents,name";
constexpr const char *kRoundTripFormats[] = {"%.15g", "%.16g", "%.17g"};

Json number_or_null(double value) { return std::isfinite(value) ? Json(value) : Json(nullptr); }

// RFC 4180: a field with a comma, a quote or a line break is quoted, its quotes doubled.
std::string csv_field(const std::string &text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
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

std::string json_approximant_record(const RunView &run, const int *exponents, double cents) {
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
  return record.dump();
}

std::string json_summary_record(const RunView &run, const RunTotals &totals) {
  Json record = Json::object();  // made whole first: filling a null one is not safe if an allocation fails
  record["type"] = "summary";
  record["format_version"] = kRecordFormatVersion;
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
  return record.dump();
}

std::string csv_header_row() { return kCsvHeader; }

std::string csv_approximant_row(const RunView &run, const int *exponents, double cents) {
  int count = static_cast<int>(run.factors.size());
  ExactRatio ratio = exact_ratio(run.factors.data(), exponents, count);
  const char *name = interval_name(run.factors.data(), exponents, count);
  std::string joined;
  for (int i = 0; i < count; ++i) joined += (i > 0 ? " " : "") + std::to_string(exponents[i]);
  return csv_field(joined) + "," + ratio.numerator + "," + ratio.denominator + "," + shortest_number_text(cents) + "," +
         shortest_number_text(cents - run.target_cents) + "," + csv_field(name != nullptr ? name : "");
}
