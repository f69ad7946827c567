// The page's entry into the search engine: runs one search from plain parameters and
// hands each accepted approximant, then the summary, to JavaScript as one JSON line.
#include <emscripten/emscripten.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "present/decimal_big.h"
#include "search/search.h"

// Calls the JavaScript handler the worker installed on the module with one record line.
EM_JS(void, ratiohunt_emit_line, (const char *line), { Module['onRecordLine'](UTF8ToString(line)); });

namespace {

constexpr const char *kNumberFormat = "%.17g";  // every double written back exactly

std::string number_text(double value) {
  char text[32];
  std::snprintf(text, sizeof text, kNumberFormat, value);
  return text;
}

std::string int_list(const int *values, int count) {
  std::string text = "[";
  for (int i = 0; i < count; ++i) text += (i > 0 ? "," : "") + std::to_string(values[i]);
  return text + "]";
}

// The product of factor^(sign * exponent) over the exponents of that sign, in decimal.
std::string side_text(const SearchParams &params, const int *exponents, int sign) {
  static DecimalBig number;  // too big for the worker's stack
  decimal_big_set(number, 1);
  for (size_t i = 0; i < params.factors.size(); ++i) {
    if (exponents[i] * sign > 0) decimal_big_power(number, params.factors[i], exponents[i] * sign);
  }
  return decimal_big_to_text(number);
}

const char *end_name(SearchEnd end) {
  switch (end) {
    case SearchEnd::kExactHit:
      return "exact_hit";
    case SearchEnd::kTimeOut:
      return "time_out";
    case SearchEnd::kInterrupted:
      return "interrupted";
    case SearchEnd::kExhausted:
      break;
  }
  return "exhausted";
}

class RecordLines : public ResultSink {
 public:
  RecordLines(const SearchParams &params, double max_quotient)
      : params_(params), max_quotient_(max_quotient), target_cents_(cents_of_log(std::log(params.x / params.y))) {}

  void approximant(const Approximant &found) override {
    std::string line = "{\"type\":\"approximant\",\"exponents\":" + int_list(found.exponents, found.count);
    line += ",\"numerator\":\"" + side_text(params_, found.exponents, 1) + "\",\"denominator\":\"" +
            side_text(params_, found.exponents, -1) + "\",\"cents\":" + number_text(found.cents) +
            ",\"distance_cents\":" + number_text(found.cents - target_cents_) + ",\"name\":null}\n";
    ratiohunt_emit_line(line.c_str());
  }

  void finished(const SearchSummary &summary) override {
    std::string line = "{\"type\":\"summary\",\"format_version\":1,\"x\":" + number_text(params_.x) +
                       ",\"y\":" + number_text(params_.y) + ",\"target_cents\":" + number_text(target_cents_) +
                       ",\"factors\":" + int_list(params_.factors.data(), static_cast<int>(params_.factors.size()));
    line += std::string(",\"mode\":\"") + (params_.range_mode ? "range" : "successive") +
            "\",\"max_quotient\":" + number_text(max_quotient_) + ",\"window_cents\":";
    line += params_.range_mode
                ? "[" + number_text(params_.range_low_cents) + "," + number_text(params_.range_high_cents) + "]"
                : std::string("null");
    line += ",\"tested\":" + std::to_string(summary.tested) + ",\"records\":" + std::to_string(summary.accepted) +
            ",\"end\":\"" + end_name(summary.end) + "\",\"seconds\":" + number_text(summary.seconds) + "}\n";
    ratiohunt_emit_line(line.c_str());
  }

 private:
  const SearchParams &params_;
  double max_quotient_;
  double target_cents_;
};

}  // namespace

extern "C" {

// Runs one search and streams its records through Module.onRecordLine. The factors are
// count ints at factors; returns 0, or 1 when the parameters cannot start a search.
EMSCRIPTEN_KEEPALIVE int ratiohunt_web_search(double x, double y, const int *factors, int count, double max_quotient,
                                              double time_out_seconds, int range_mode, double low_cents,
                                              double high_cents, int every_vector) {
  if (count < 1 || !(x > 0) || !(y > 0) || factors[count - 1] < 2) return 1;
  SearchParams params;
  params.x = x;
  params.y = y;
  params.factors.assign(factors, factors + count);
  params.ln_max_quotient = std::log(max_quotient);
  params.time_out_seconds = time_out_seconds;
  params.range_mode = range_mode != 0;
  params.range_low_cents = low_cents;
  params.range_high_cents = high_cents;
  params.every_vector = every_vector != 0;
  params.threads = 1;  // a page opened from a file cannot have threads
  RecordLines sink(params, max_quotient);
  run_search(params, sink);
  return 0;
}
}
