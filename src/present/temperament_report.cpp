// Rendering a temperament: ratios made exact from basis coordinates, comma names from
// the comma table, cents at fixed decimals in the text and shortest round-trip in JSON.
#include "present/temperament_report.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>

#include "present/comma_names.h"
#include "present/primes.h"
#include "present/decimal_big.h"

namespace {

using Json = nlohmann::ordered_json;

constexpr int kCentsDecimals = 3;      // sizes and tuning maps in the text
constexpr int kErrorDecimals = 4;      // the TE error in the text
constexpr int kComplexityDigits = 5;   // significant digits of complexity and badness
constexpr size_t kTextEdosShown = 24;  // the text lists this many supporting EDOs, JSON all
constexpr int kLabelWidth = 17;
constexpr double kMaxRatioDigits = 2000;  // a ratio longer than this is written as its prime monzo
constexpr int kColumnWidth = 10;
constexpr int64_t kLargestNamedPrime = 97;  // no named interval has a prime above this

std::string fixed(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

std::string significant(double value, int digits) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*g", digits, value);
  return buffer;
}

std::string padded_left(const std::string &text, int width) {
  return text.size() >= static_cast<size_t>(width) ? text : std::string(width - text.size(), ' ') + text;
}

std::string label(const std::string &text) {
  return text.size() >= static_cast<size_t>(kLabelWidth) ? text + " "
                                                         : text + std::string(kLabelWidth - text.size(), ' ');
}

// The comma's name, looked up by its monzo over the consecutive primes up to its largest.
const char *basis_comma_name(const Basis &basis, const IntVector &coordinates) {
  IntVector monzo = prime_monzo_of(basis, coordinates);
  int64_t limit = 2;
  for (size_t i = 0; i < monzo.size(); ++i) {
    if (monzo[i] != 0) limit = basis.primes[i];
  }
  if (limit > kLargestNamedPrime) return nullptr;
  std::vector<int> primes = primes_up_to(static_cast<int>(limit));
  std::vector<int64_t> consecutive(primes.size(), 0);
  for (size_t i = 0; i < monzo.size(); ++i) {
    for (size_t k = 0; k < primes.size(); ++k) {
      if (primes[k] == basis.primes[i]) consecutive[k] = monzo[i];
    }
  }
  return comma_name(consecutive);
}

std::string val_text(const IntVector &row) {
  std::string text = "<";
  for (size_t i = 0; i < row.size(); ++i) text += (i == 0 ? "" : " ") + std::to_string(row[i]);
  return text + "]";
}

std::string monzo_text(const IntVector &monzo) {
  std::string text = "[";
  for (size_t i = 0; i < monzo.size(); ++i) text += (i == 0 ? "" : " ") + std::to_string(monzo[i]);
  return text + ">";
}

std::string cents_row(const std::string &name, const std::vector<double> &values, int decimals) {
  std::string line = label(name);
  for (double value : values) line += " " + padded_left(fixed(value, decimals), kColumnWidth - 1);
  return line + "\n";
}

std::string generator_line(const std::string &name, const Basis &basis, const Generator &g) {
  std::string ratio = g.has_interval ? basis_ratio_text(basis, g.interval) : "?";
  return label(name) + ratio + "  " + fixed(g.pote, kCentsDecimals) + " POTE, " + fixed(g.te, kCentsDecimals) +
         " TE, " + fixed(g.cte, kCentsDecimals) + " CTE\n";
}

std::string consistency_text(const ConsistencyLimit &limit) {
  return (limit.at_least ? "at least " : "") + std::to_string(limit.limit);
}

std::vector<double> percent_of_step(const Temperament &t) {
  std::vector<double> percent;
  for (double error : t.pote_errors) percent.push_back(100.0 * error / t.pote.generators[0]);
  return percent;
}

Json generator_json(const Basis &basis, const Generator &g) {
  Json out;
  out["ratio"] = g.has_interval ? Json(basis_ratio_text(basis, g.interval)) : Json(nullptr);
  out["monzo"] = g.has_interval ? Json(g.interval) : Json(nullptr);
  out["in_mapping_generators"] = g.in_mapping_generators;
  out["cents"] = {{"te", g.te}, {"pote", g.pote}, {"cte", g.cte}};
  return out;
}

}  // namespace

std::string basis_ratio_text(const Basis &basis, const IntVector &coordinates) {
  IntVector monzo = prime_monzo_of(basis, coordinates);
  double digits = 0.0;
  for (size_t i = 0; i < monzo.size(); ++i) {
    digits += std::fabs(static_cast<double>(monzo[i])) * std::log10(static_cast<double>(basis.primes[i]));
  }
  if (digits > kMaxRatioDigits) return monzo_text(monzo);
  auto numerator = std::make_unique<DecimalBig>();
  auto denominator = std::make_unique<DecimalBig>();
  decimal_big_set(*numerator, 1);
  decimal_big_set(*denominator, 1);
  for (size_t i = 0; i < monzo.size(); ++i) {
    auto prime = static_cast<int>(basis.primes[i]);
    auto count = static_cast<int>(monzo[i] < 0 ? -monzo[i] : monzo[i]);
    decimal_big_power(monzo[i] > 0 ? *numerator : *denominator, prime, count);
  }
  return decimal_big_to_text(*numerator) + "/" + decimal_big_to_text(*denominator);
}

std::string temperament_text(const Temperament &t) {
  const Basis &basis = t.basis;
  std::string text = label("temperament") + "rank " + std::to_string(t.rank()) + " on " + basis_text(basis) + "\n";
  std::string mapping;
  for (const IntVector &row : t.mapping) mapping += (mapping.empty() ? "" : ", ") + val_text(row);
  text += label("mapping") + mapping + "\n";
  std::string commas;
  for (const IntVector &comma : t.commas) {
    const char *name = basis_comma_name(basis, comma);
    commas +=
        (commas.empty() ? "" : ", ") + basis_ratio_text(basis, comma) + (name ? std::string(" (") + name + ")" : "");
  }
  text += label("commas") + (commas.empty() ? "none" : commas) + "\n";
  text += generator_line("period", basis, t.period);
  for (const Generator &g : t.generators) text += generator_line("generator", basis, g);
  std::string header = label("tuning (cents)");
  for (int64_t element : basis.elements) header += padded_left(std::to_string(element), kColumnWidth);
  text += header + "\n";
  text += cents_row("  TE", t.te.map, kCentsDecimals);
  text += cents_row("  POTE", t.pote.map, kCentsDecimals);
  text += cents_row("  CTE", t.cte.map, kCentsDecimals);
  text += cents_row("  POTE error", t.pote_errors, kCentsDecimals);
  if (t.has_consistency_limit) text += cents_row("  % of a step", percent_of_step(t), 1);
  text += label("TE error") + fixed(t.te_error, kErrorDecimals) + " cents, complexity " +
          significant(t.te_complexity, kComplexityDigits) + ", badness " + significant(t.badness, kComplexityDigits) +
          "\n";
  if (t.has_consistency_limit) text += label("consistency limit") + consistency_text(t.consistency) + "\n";
  std::string edos;
  for (size_t i = 0; i < t.edos.size() && i < kTextEdosShown; ++i)
    edos += (i == 0 ? "" : " ") + std::to_string(t.edos[i]);
  if (t.edos.size() > kTextEdosShown) edos += " ... (" + std::to_string(t.edos.size()) + " in all up to 999)";
  text += label("supporting EDOs") + (edos.empty() ? "none up to 999" : edos) + "\n";
  return text;
}

std::string temperament_json(const Temperament &t) {
  const Basis &basis = t.basis;
  Json out;
  out["type"] = "temperament";
  out["format_version"] = kTemperamentFormatVersion;
  out["basis"] = basis.elements;
  out["rank"] = t.rank();
  out["mapping"] = t.mapping;
  out["period"] = generator_json(basis, t.period);
  out["generators"] = Json::array();
  for (const Generator &g : t.generators) out["generators"].push_back(generator_json(basis, g));
  out["commas"] = Json::array();
  for (const IntVector &comma : t.commas) {
    const char *name = basis_comma_name(basis, comma);
    out["commas"].push_back(
        {{"ratio", basis_ratio_text(basis, comma)}, {"monzo", comma}, {"name", name ? Json(name) : Json(nullptr)}});
  }
  out["tuning_maps"] = {{"te", t.te.map}, {"pote", t.pote.map}, {"cte", t.cte.map}};
  out["te_error"] = t.te_error;
  out["te_complexity"] = t.te_complexity;
  out["badness"] = t.badness;
  out["pote_errors"] = t.pote_errors;
  out["consistency_limit"] = t.has_consistency_limit ? Json(t.consistency.limit) : Json(nullptr);
  out["consistency_limit_is_a_lower_bound"] = t.has_consistency_limit ? Json(t.consistency.at_least) : Json(nullptr);
  out["pote_errors_percent_of_step"] = t.has_consistency_limit ? Json(percent_of_step(t)) : Json(nullptr);
  out["periods_per_equave"] = t.periods_per_equave;
  out["edos"] = t.edos;
  return out.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}
