// The shard file: JSON Lines (LF on every platform) that carry one shard of a search to
// the merge. A header line holds the query as typed and as read, the logarithms this
// machine computed and how the blocks are shared; each walked block is a line with its count
// and record count, followed by one line per record; an end line says how it ended.
// Raw values are written as the hexadecimal of their bits, so they read back exactly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "search/shards.h"

// The query and the shard, as the header line holds them.
struct ShardHeader {
  std::string version;  // of the program that wrote it
  int shard = 1;        // K of N
  int shards = 1;
  ShardSpan span;
  std::string target_text;
  SearchParams search;  // threads, interrupt and time out aside in comparisons
  double max_quotient = 0.0;
  int precision = 0;
  double ln_target = 0.0;
  std::vector<double> ln_factors;
};

// The natural logarithms of the target and every factor, as this machine computes them.
void compute_logs(ShardHeader &header);

std::string shard_header_line(const ShardHeader &header);
// A walked block: its line, then one line per record.
std::string shard_block_lines(const ShardBlock &block, int factor_count);
std::string shard_end_line(const ShardOutcome &outcome);

// Reading: each returns false when the line is not what it should be.
bool read_shard_header(const std::string &line, ShardHeader &header);
// A block line: its index, count and how many record lines follow.
bool read_block_line(const std::string &line, ShardBlock &block, int64_t &record_count);
// A record line, appended to the block.
bool read_record_line(const std::string &line, int factor_count, ShardBlock &block);
// Whether the block's record (by its index) has exponents that give the size it holds,
// sum of e * ln m: a damaged exponent would send the merge into numbers of billions of digits.
bool record_gives_its_size(const ShardBlock &block, size_t record, const std::vector<double> &ln_factors);
bool read_end_line(const std::string &line, ShardOutcome &outcome);

// Whether two headers describe the same search (the time out aside: a shard run again
// with more time finds the same) and the same split.
bool same_query(const ShardHeader &a, const ShardHeader &b);
// The first logarithm the two machines computed differently: "ln 7" or "ln of the
// target"; empty when they agree bit for bit.
std::string first_different_log(const ShardHeader &a, const ShardHeader &b);
