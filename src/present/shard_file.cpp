// Writing and reading the lines of a shard file. Headers go through nlohmann::json (the
// target as typed needs escaping); block and record lines, which may be millions, are
// written by hand and hold only integers and hexadecimal bits.
#include "present/shard_file.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "present/result_sinks.h"

namespace {

using Json = nlohmann::ordered_json;

constexpr const char *kShardFileKind = "ratiohunt shard";
constexpr const char *kBitsFormat = "%016" PRIx64;
constexpr int kBitsDigits = 16;
// A record line at most: its count, the exponents and two raw values, with room to spare.
constexpr size_t kRecordLineSlack = 96;
constexpr size_t kExponentChars = 12;

std::string bits_of(double value) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  char text[kBitsDigits + 1];
  std::snprintf(text, sizeof text, kBitsFormat, bits);
  return text;
}

bool read_bits(const std::string &text, double &value) {
  if (text.size() != kBitsDigits || text.find_first_not_of("0123456789abcdef") != std::string::npos) return false;
  uint64_t bits = std::strtoull(text.c_str(), nullptr, 16);
  std::memcpy(&value, &bits, sizeof value);
  return true;
}

// Readable numbers for a person; the merge reads the bits beside them.
Json readable(double value) { return std::isfinite(value) ? Json(value) : Json(nullptr); }

Json query_of(const ShardHeader &header) {
  const SearchParams &search = header.search;
  Json query;
  query["target"] = header.target_text;
  query["x"] = readable(search.x);
  query["y"] = readable(search.y);
  query["factors"] = search.factors;
  query["mode"] = search.range_mode ? "range" : "successive";
  query["low_cents"] = readable(search.range_low_cents);
  query["high_cents"] = readable(search.range_high_cents);
  query["max_quotient"] = readable(header.max_quotient);
  query["precision"] = header.precision;
  query["time_out"] = readable(search.time_out_seconds);
  query["every_vector"] = search.every_vector;
  query["complete"] = search.complete;
  Json bits;
  bits["x"] = bits_of(search.x);
  bits["y"] = bits_of(search.y);
  bits["low_cents"] = bits_of(search.range_low_cents);
  bits["high_cents"] = bits_of(search.range_high_cents);
  bits["max_quotient"] = bits_of(header.max_quotient);
  bits["ln_max_quotient"] = bits_of(search.ln_max_quotient);
  bits["time_out"] = bits_of(search.time_out_seconds);
  query["bits"] = bits;
  return query;
}

// Every field of the query but the time out, as the header writes it.
std::string query_key(const ShardHeader &header) {
  Json query = query_of(header);
  query.erase("time_out");
  query["bits"].erase("time_out");
  return query.dump();
}

bool read_query(const Json &query, ShardHeader &header) {
  SearchParams &search = header.search;
  const Json &bits = query.at("bits");
  header.target_text = query.at("target").get<std::string>();
  search.factors = query.at("factors").get<std::vector<int>>();
  search.range_mode = query.at("mode").get<std::string>() == "range";
  header.precision = query.at("precision").get<int>();
  search.every_vector = query.at("every_vector").get<bool>();
  search.complete = query.at("complete").get<bool>();
  return read_bits(bits.at("x").get<std::string>(), search.x) && read_bits(bits.at("y").get<std::string>(), search.y) &&
         read_bits(bits.at("low_cents").get<std::string>(), search.range_low_cents) &&
         read_bits(bits.at("high_cents").get<std::string>(), search.range_high_cents) &&
         read_bits(bits.at("max_quotient").get<std::string>(), header.max_quotient) &&
         read_bits(bits.at("ln_max_quotient").get<std::string>(), search.ln_max_quotient) &&
         read_bits(bits.at("time_out").get<std::string>(), search.time_out_seconds) && !search.factors.empty();
}

// Parses a line as one JSON object; false for anything else.
bool parse_object(const std::string &line, Json &object) {
  object = Json::parse(line, nullptr, false);
  return object.is_object();
}

}  // namespace

void compute_logs(ShardHeader &header) {
  header.ln_target = std::log(header.search.x / header.search.y);
  header.ln_factors.clear();
  for (int factor : header.search.factors) header.ln_factors.push_back(std::log(static_cast<double>(factor)));
}

std::string shard_header_line(const ShardHeader &header) {
  Json line;
  line["type"] = kShardFileKind;
  line["version"] = header.version;
  line["shard"] = header.shard;
  line["shards"] = header.shards;
  line["blocks"] = header.span.blocks;
  line["run_blocks"] = header.span.run_blocks;
  line["query"] = query_of(header);
  line["ln_target"] = bits_of(header.ln_target);
  Json logs = Json::array();
  for (double log : header.ln_factors) logs.push_back(bits_of(log));
  line["ln_factors"] = logs;
  return line.dump() + "\n";
}

std::string shard_block_lines(const ShardBlock &block, int factor_count) {
  std::string lines = "{\"block\":" + std::to_string(block.index) + ",\"tested\":" + std::to_string(block.tested) +
                      ",\"records\":" + std::to_string(block.records.size()) + "}\n";
  const size_t n = static_cast<size_t>(factor_count);
  lines.reserve(lines.size() + block.records.size() * (kRecordLineSlack + n * kExponentChars));
  for (size_t i = 0; i < block.records.size(); ++i) {
    const ShardRecord &record = block.records[i];
    lines += "{\"at\":" + std::to_string(record.at) + ",\"exponents\":[";
    for (size_t k = 0; k < n; ++k) lines += (k > 0 ? "," : "") + std::to_string(block.exponents[i * n + k]);
    lines += "],\"distance\":\"" + bits_of(record.distance) + "\",\"log\":\"" + bits_of(record.log_size) + "\"}\n";
  }
  return lines;
}

std::string shard_end_line(const ShardOutcome &outcome) {
  Json line;
  line["end"] = search_end_text(outcome.end).record_name;
  line["next_block"] = outcome.next_block;
  line["seconds"] = readable(outcome.seconds);
  line["seconds_bits"] = bits_of(outcome.seconds);
  return line.dump() + "\n";
}

bool read_shard_header(const std::string &line, ShardHeader &header) {
  Json object;
  if (!parse_object(line, object) || object.value("type", "") != kShardFileKind) return false;
  try {
    header.version = object.at("version").get<std::string>();
    header.shard = object.at("shard").get<int>();
    header.shards = object.at("shards").get<int>();
    header.span.blocks = object.at("blocks").get<int64_t>();
    header.span.run_blocks = object.at("run_blocks").get<int64_t>();
    header.span.shard = header.shard;
    header.span.shards = header.shards;
    header.ln_factors.clear();
    for (const Json &log : object.at("ln_factors")) {
      header.ln_factors.push_back(0.0);
      if (!read_bits(log.get<std::string>(), header.ln_factors.back())) return false;
    }
    return read_query(object.at("query"), header) &&
           read_bits(object.at("ln_target").get<std::string>(), header.ln_target) &&
           header.ln_factors.size() == header.search.factors.size() && 1 <= header.shard &&
           header.shard <= header.shards && header.shards <= kMaxShards && header.span.blocks >= 1 &&
           header.span.run_blocks >= 1;
  } catch (const Json::exception &) {
    return false;
  }
}

bool read_block_line(const std::string &line, ShardBlock &block, int64_t &record_count) {
  Json object;
  if (!parse_object(line, object)) return false;
  try {
    block.index = object.at("block").get<int64_t>();
    block.tested = object.at("tested").get<int64_t>();
    record_count = object.at("records").get<int64_t>();
  } catch (const Json::exception &) {
    return false;
  }
  block.records.clear();
  block.exponents.clear();
  return block.tested >= 0 && record_count >= 0;
}

bool read_record_line(const std::string &line, int factor_count, ShardBlock &block) {
  Json object;
  if (!parse_object(line, object)) return false;
  try {
    ShardRecord record;
    record.at = object.at("at").get<int64_t>();
    std::vector<int> exponents = object.at("exponents").get<std::vector<int>>();
    if (static_cast<int>(exponents.size()) != factor_count || record.at < 1 || record.at > block.tested ||
        !read_bits(object.at("distance").get<std::string>(), record.distance) ||
        !read_bits(object.at("log").get<std::string>(), record.log_size)) {
      return false;
    }
    block.records.push_back(record);
    block.exponents.insert(block.exponents.end(), exponents.begin(), exponents.end());
    return true;
  } catch (const Json::exception &) {
    return false;
  }
}

bool read_end_line(const std::string &line, ShardOutcome &outcome) {
  Json object;
  if (!parse_object(line, object)) return false;
  try {
    std::string end = object.at("end").get<std::string>();
    outcome.next_block = object.at("next_block").get<int64_t>();
    if (!read_bits(object.at("seconds_bits").get<std::string>(), outcome.seconds)) return false;
    for (const SearchEndText &known : kSearchEnds) {
      if (end == known.record_name) {
        outcome.end = known.end;
        return true;
      }
    }
    return false;
  } catch (const Json::exception &) {
    return false;
  }
}

bool same_query(const ShardHeader &a, const ShardHeader &b) { return query_key(a) == query_key(b); }

std::string first_different_log(const ShardHeader &a, const ShardHeader &b) {
  if (bits_of(a.ln_target) != bits_of(b.ln_target)) return "ln of the target";
  for (size_t i = 0; i < a.ln_factors.size() && i < b.ln_factors.size(); ++i) {
    if (bits_of(a.ln_factors[i]) != bits_of(b.ln_factors[i])) return "ln " + std::to_string(a.search.factors[i]);
  }
  return "";
}

bool record_gives_its_size(const ShardBlock &block, size_t record, const std::vector<double> &ln_factors) {
  constexpr double kRelativeSlack = 1e-9;  // far above the search's rounding, far below a changed exponent
  const int *exponents = block.exponents.data() + record * ln_factors.size();
  double sum = 0.0;
  double magnitude = 1.0;
  for (size_t i = 0; i < ln_factors.size(); ++i) {
    double term = exponents[i] * ln_factors[i];
    sum += term;
    magnitude += std::fabs(term);
  }
  return std::fabs(sum - block.records[record].log_size) <= kRelativeSlack * magnitude;
}
