// The scale's table and records. Sizes in the table have three decimals, enough to tell
// any two ratios of a scale apart; the records carry every double in full.
#include "present/scale_table.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "present/records.h"

namespace {

using Json = nlohmann::ordered_json;  // fields in the order a reader expects them

constexpr const char *kTableCentsFormat = "%.3f";
constexpr const char *kTableErrorFormat = "%+.3f";
constexpr const char *kWindowFormat = "%g";      // the window's cents as given
constexpr const char *kMaxTermFormat = "%.16g";  // a whole number up to 2^53, no exponent
constexpr const char *kExactlyJust = "0";        // the error of the degree itself, decided exactly
constexpr const char *kNoValue = "-";
constexpr const char *kNoRatio = "none";
// The columns' headings; each column is as wide as its heading or its widest entry.
const std::vector<std::string> kHeadings = {"degree", "target", "ratio", "cents", "error", "height", "limit"};

std::string formatted(const char *format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

std::vector<std::string> table_row(size_t index, const JustDegree &degree) {
  if (!degree.found) {
    return {std::to_string(index + 1),
            formatted(kTableCentsFormat, degree.target.cents),
            kNoRatio,
            formatted(kTableCentsFormat, degree.cents),
            kNoValue,
            kNoValue,
            kNoValue};
  }
  return {std::to_string(index + 1),
          formatted(kTableCentsFormat, degree.target.cents),
          ratio_text(degree),
          formatted(kTableCentsFormat, degree.cents),
          degree.distance_cents == 0 ? kExactlyJust : formatted(kTableErrorFormat, degree.distance_cents),
          formatted(kTableCentsFormat, degree.tenney_height),
          std::to_string(degree.prime_limit)};
}

// Every column right-aligned but the ratio's, two blanks apart.
std::string aligned_rows(const std::vector<std::vector<std::string>> &rows) {
  std::vector<size_t> widths(kHeadings.size(), 0);
  for (const auto &row : rows) {
    for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  constexpr size_t kRatioColumn = 2;
  std::string text;
  for (const auto &row : rows) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
      std::string pad(widths[c] - row[c].size(), ' ');
      line += (c > 0 ? "  " : "") + (c == kRatioColumn ? row[c] + pad : pad + row[c]);
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    text += line + "\n";
  }
  return text;
}

Json number_or_null(double value) { return std::isfinite(value) ? Json(value) : Json(nullptr); }

Json degree_record(size_t index, const JustDegree &degree) {
  Json record = Json::object();
  record["type"] = "degree";
  record["degree"] = index + 1;
  record["target_cents"] = number_or_null(degree.target.cents);
  record["just"] = degree.found;
  record["ratio"] = degree.found ? Json(ratio_text(degree)) : Json(nullptr);
  record["numerator"] = degree.found ? Json(std::to_string(degree.numerator)) : Json(nullptr);
  record["denominator"] = degree.found ? Json(std::to_string(degree.denominator)) : Json(nullptr);
  record["cents"] = number_or_null(degree.cents);
  record["distance_cents"] = degree.found ? number_or_null(degree.distance_cents) : Json(nullptr);
  record["tenney_height"] = degree.found ? number_or_null(degree.tenney_height) : Json(nullptr);
  record["prime_limit"] = degree.found ? Json(degree.prime_limit) : Json(nullptr);
  return record;
}

size_t unmatched_count(const std::vector<JustDegree> &degrees) {
  size_t unmatched = 0;
  for (const JustDegree &degree : degrees) unmatched += degree.found ? 0 : 1;
  return unmatched;
}

}  // namespace

std::string basis_text(const std::vector<int> &basis) {
  std::string text;
  for (size_t i = 0; i < basis.size(); ++i) text += (i > 0 ? "." : "") + std::to_string(basis[i]);
  return text;
}

std::string ratio_text(const JustDegree &degree) {
  return std::to_string(degree.numerator) + "/" + std::to_string(degree.denominator);
}

std::string made_just_description(const ScaleSummary &summary) {
  return summary.description + " made just in " + basis_text(summary.basis) + " within " +
         formatted(kWindowFormat, summary.within_cents) + " cents, terms up to " +
         formatted(kMaxTermFormat, summary.max_term);
}

std::string scale_table_text(const ScaleSummary &summary, const std::vector<JustDegree> &degrees) {
  std::string text = made_just_description(summary) + "\n";
  std::vector<std::vector<std::string>> rows = {kHeadings};
  for (size_t i = 0; i < degrees.size(); ++i) rows.push_back(table_row(i, degrees[i]));
  text += aligned_rows(rows);
  size_t unmatched = unmatched_count(degrees);
  if (unmatched > 0) {
    bool one = unmatched == 1;
    text += std::to_string(unmatched) + (one ? " degree has" : " degrees have") + " no ratio of " +
            basis_text(summary.basis) + " within " + formatted(kWindowFormat, summary.within_cents) + " cents and " +
            (one ? "keeps its size" : "keep their sizes") + "\n";
  }
  return text;
}

std::string scale_records_json(const ScaleSummary &summary, const std::vector<JustDegree> &degrees) {
  std::string text;
  for (size_t i = 0; i < degrees.size(); ++i) text += degree_record(i, degrees[i]).dump() + "\n";
  Json record = Json::object();
  record["type"] = "scale";
  record["format_version"] = kRecordFormatVersion;
  record["scale"] = summary.scale;
  record["description"] = made_just_description(summary);
  record["size"] = degrees.size();
  record["factors"] = summary.basis;
  record["within_cents"] = number_or_null(summary.within_cents);
  record["max_term"] = number_or_null(summary.max_term);
  record["unmatched"] = unmatched_count(degrees);
  // The scale as typed and a file's description may be any bytes: what is not UTF-8 becomes U+FFFD.
  text += record.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
  return text;
}
