// The page's entry into the search engine: runs one search from plain parameters and
// hands each accepted approximant, then the summary, to JavaScript as one JSON line.
// Until the engine writes records itself, they are read back from its printed lines.
#include <emscripten/emscripten.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "present/present.h"
#include "search/search.h"

// Calls the JavaScript handler the worker installed on the module with one record line.
EM_JS(void, ratiohunt_emit_line, (const char *line), { Module['onRecordLine'](UTF8ToString(line)); });

namespace {

constexpr const char *kNumberFormat = "%.17g";  // every double written back exactly
constexpr int kCentsDigits = 17;                // the range line's cents, read back exactly

// What the reader of the engine's printed output needs to rebuild each record.
struct RecordReader {
  const RunConfig *config;
  const FactorTable *table;
  const double *result_log;
  double target_cents;
  bool range_mode;
  int records;
  std::string pending;
};
RecordReader reader;

std::string number_text(double value) {
  char text[32];
  std::snprintf(text, sizeof text, kNumberFormat, value);
  return text;
}

std::string decimal_text(const std::vector<int> &exponents, int sign) {
  DecimalBig number;
  decimal_big_set(number, 1);
  for (size_t i = 0; i < exponents.size(); ++i) {
    if (exponents[i] * sign > 0) decimal_big_power(number, reader.table->values[i], exponents[i] * sign);
  }
  std::vector<char> text(kDecimalBigTextSize);
  return decimal_big_to_text(number, text.data());
}

void emit_approximant(const std::vector<int> &exponents) {
  double ln_ratio = 0.0;
  for (size_t i = 0; i < exponents.size(); ++i) ln_ratio += exponents[i] * reader.table->logs[i];
  double cents = reader.records < kResultLogCapacity ? reader.result_log[reader.records]
                                                     : ln_ratio * kCentsPerOctave / std::log(2.0);
  ++reader.records;
  std::string line = "{\"type\":\"approximant\",\"exponents\":[";
  for (size_t i = 0; i < exponents.size(); ++i) line += (i > 0 ? "," : "") + std::to_string(exponents[i]);
  line += "],\"numerator\":\"" + decimal_text(exponents, 1) + "\",\"denominator\":\"" + decimal_text(exponents, -1);
  line += "\",\"cents\":" + number_text(cents) + ",\"distance_cents\":" + number_text(cents - reader.target_cents);
  line += ",\"name\":null}\n";
  ratiohunt_emit_line(line.c_str());
}

// A range line: "[a b, c> = N : D = cents".
void read_monzo_line(const std::string &line) {
  if (line.empty() || line[0] != '[') return;
  std::vector<int> exponents;
  size_t close = line.find('>');
  std::string inside = line.substr(1, close - 1);
  for (char &c : inside) c = c == ',' ? ' ' : c;
  const char *cursor = inside.c_str();
  char *end = nullptr;
  for (long value = std::strtol(cursor, &end, 10); end != cursor; value = std::strtol(cursor, &end, 10)) {
    exponents.push_back(static_cast<int>(value));
    cursor = end;
  }
  emit_approximant(exponents);
}

// A ratio formula such as 3^4/(2^4*5): each term's factor value names its slot.
void read_ratio_form(const std::string &form) {
  std::vector<int> exponents(static_cast<size_t>(reader.config->factor_count), 0);
  int sign = 1;
  for (size_t at = 0; at < form.size();) {
    char c = form[at];
    if (c == '/') sign = -1;
    if (c < '0' || c > '9') {
      ++at;
      continue;
    }
    size_t used = 0;
    int value = std::stoi(form.substr(at), &used);
    at += used;
    int power = 1;
    if (at < form.size() && form[at] == '^') {
      power = std::stoi(form.substr(at + 1), &used);
      at += used + 1;
    }
    for (int i = 0; i < reader.config->factor_count; ++i) {
      if (reader.table->values[i] != value || value == 1) continue;
      exponents[static_cast<size_t>(i)] = sign * power;
      break;
    }
  }
  emit_approximant(exponents);
}

ssize_t read_printed(void * /*cookie*/, const char *text, size_t length) {
  reader.pending.append(text, length);
  const char *separator = reader.range_mode ? "\n" : kSuccessiveSeparator;
  for (size_t end = reader.pending.find(separator); end != std::string::npos; end = reader.pending.find(separator)) {
    std::string item = reader.pending.substr(0, end);
    reader.pending.erase(0, end + std::strlen(separator));
    if (item.empty() || item[0] == '\n' || item[0] == '*') continue;  // the time-out banner
    if (reader.range_mode) {
      read_monzo_line(item);
    } else {
      read_ratio_form(item);
    }
  }
  return static_cast<ssize_t>(length);
}

const char *end_name(const SearchState &state) {
  if (state.timed_out) return "time_out";
  if (!state.unison_target && state.best_error <= kExactHit) return "exact_hit";
  return "exhausted";
}

void emit_summary(const RunConfig &config, const int *factors, const SearchState &state, double seconds) {
  std::string line = "{\"type\":\"summary\",\"format_version\":1,\"x\":" + number_text(config.x);
  line += ",\"y\":" + number_text(config.y) + ",\"target_cents\":" + number_text(reader.target_cents);
  line += ",\"factors\":[";
  for (int i = 0; i < config.factor_count; ++i) line += (i > 0 ? "," : "") + std::to_string(factors[i]);
  line += std::string("],\"mode\":\"") + (config.range_mode ? "range" : "successive");
  line += "\",\"max_quotient\":" + number_text(config.max_quotient) + ",\"window_cents\":";
  line += config.range_mode
              ? "[" + number_text(config.range_low_cents) + "," + number_text(config.range_high_cents) + "]"
              : "null";
  line += ",\"tested\":" + std::to_string(state.tested_count) + ",\"records\":" + std::to_string(reader.records);
  line += std::string(",\"end\":\"") + end_name(state) + "\",\"seconds\":" + number_text(seconds) + "}\n";
  ratiohunt_emit_line(line.c_str());
}

}  // namespace

extern "C" {

// Runs one search and streams its records through Module.onRecordLine. The factors are
// count ints at factors; returns 0, or 1 when the parameters cannot start a search.
EMSCRIPTEN_KEEPALIVE int ratiohunt_web_search(double x, double y, const int *factors, int count, double max_quotient,
                                              double time_out_seconds, int range_mode, double low_cents,
                                              double high_cents) {
  if (count < 1 || !(x > 0) || !(y > 0) || factors[count - 1] < 2) return 1;
  RunConfig config{
      x,         y,          max_quotient, std::log(max_quotient), kCentsDigits, time_out_seconds, range_mode != 0,
      low_cents, high_cents, count};
  std::vector<int> values(factors, factors + count);
  std::vector<int> exponents(static_cast<size_t>(count), 0);
  std::vector<double> logs(static_cast<size_t>(count), 0.0);
  std::vector<int> limits(static_cast<size_t>(count), 0);
  std::vector<double> result_log(kResultLogCapacity, 0.0);
  FactorTable table{values.data(), logs.data(), limits.data()};
  fill_factor_table(config, table);
  SearchState state{};
  start_search(config, table, state);

  reader = RecordReader{&config,           &table, result_log.data(), state.ln_target * kCentsPerOctave / state.ln2,
                        config.range_mode, 0,      std::string()};
  cookie_io_functions_t functions{nullptr, read_printed, nullptr, nullptr};
  FILE *printed = fopencookie(nullptr, "w", functions);
  std::setvbuf(printed, nullptr, _IONBF, 0);
  open_output_channel(printed, nullptr);
  run_search(config, table, exponents.data(), result_log.data(), state);
  std::fputs(kSuccessiveSeparator, printed);  // flushes a last formula still pending
  close_output_channel();
  std::fclose(printed);
  emit_summary(config, values.data(), state, static_cast<double>(process_clock_ms() - state.start_ms) / 1000.0);
  return 0;
}
}
