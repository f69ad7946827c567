// Shards: every block belongs to exactly one shard, which walks its blocks in odometer
// order; the shard file gives back the raw values and the query bit for bit.
#include "search/shards.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "present/shard_file.h"

namespace {

ShardSpan span_of(int64_t blocks, int shard, int shards) {
  ShardSpan span;
  span.blocks = blocks;
  span.run_blocks = std::max<int64_t>(1, blocks / (kRunsPerShard * shards));
  span.shard = shard;
  span.shards = shards;
  return span;
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(ShardSpan, EveryBlockBelongsToOneShardWhichWalksItInOrder) {
  for (int64_t blocks : {1, 5, 100, 4097, 123457}) {
    for (int shards : {1, 2, 7, 64, kMaxShards}) {
      std::vector<int> holder(static_cast<size_t>(blocks), 0);
      for (int k = 1; k <= shards; ++k) {
        ShardSpan span = span_of(blocks, k, shards);
        int64_t previous = -1;
        for (int64_t b = next_block_of_shard(span, 0); b < blocks; b = next_block_of_shard(span, b + 1)) {
          ASSERT_GT(b, previous);
          ASSERT_EQ(shard_of_block(span, b), k) << blocks << " blocks, block " << b;
          ++holder[static_cast<size_t>(b)];
          previous = b;
        }
      }
      for (int64_t b = 0; b < blocks; ++b) ASSERT_EQ(holder[static_cast<size_t>(b)], 1) << blocks << " " << shards;
      EXPECT_EQ(shard_of_block(span_of(blocks, 1, shards), 0), 1);  // a search of one block is shard 1's
    }
  }
}

TEST(ShardFile, RecordsReadBackBitForBit) {
  const double values[] = {1.0 / 3,
                           -0.0,
                           std::numeric_limits<double>::denorm_min(),
                           std::numeric_limits<double>::max(),
                           -std::log(81.0 / 80),
                           1e-300};
  ShardBlock block;
  block.index = 12;
  block.tested = 1000;
  for (size_t i = 0; i + 1 < std::size(values); ++i) {
    block.records.push_back({static_cast<int64_t>(i + 1), values[i], values[i + 1]});
    block.exponents.insert(block.exponents.end(), {-4, 4, static_cast<int>(i) - 1});
  }
  std::istringstream lines(shard_block_lines(block, 3));
  std::string line;
  std::getline(lines, line);
  ShardBlock read;
  int64_t count = 0;
  ASSERT_TRUE(read_block_line(line, read, count));
  EXPECT_EQ(read.index, 12);
  EXPECT_EQ(read.tested, 1000);
  ASSERT_EQ(count, static_cast<int64_t>(block.records.size()));
  while (std::getline(lines, line)) ASSERT_TRUE(read_record_line(line, 3, read)) << line;
  ASSERT_EQ(read.records.size(), block.records.size());
  EXPECT_EQ(read.exponents, block.exponents);
  for (size_t i = 0; i < read.records.size(); ++i) {
    EXPECT_EQ(read.records[i].at, block.records[i].at);
    EXPECT_TRUE(same_bits(read.records[i].distance, block.records[i].distance)) << i;
    EXPECT_TRUE(same_bits(read.records[i].log_size, block.records[i].log_size)) << i;
  }
  EXPECT_FALSE(read_record_line(R"({"at":1,"exponents":[1,2],"distance":"0","log":"0"})", 3, read));
}

TEST(ShardFile, ARecordWhoseExponentsDoNotGiveItsSizeIsDamaged) {
  const std::vector<double> ln_factors = {std::log(2.0), std::log(3.0), std::log(5.0)};
  ShardBlock block;
  block.tested = 10;
  block.records.push_back({1, 0.0, std::log(81.0 / 80)});
  block.exponents = {-4, 4, -1};
  EXPECT_TRUE(record_gives_its_size(block, 0, ln_factors));
  block.exponents = {-4, 999999999, -1};  // one exponent changed on the way
  EXPECT_FALSE(record_gives_its_size(block, 0, ln_factors));
}

TEST(ShardFile, HeaderKeepsTheQueryAndTellsADifferentLogarithm) {
  ShardHeader header;
  header.version = "9.9.9";
  header.shard = 3;
  header.shards = 7;
  header.span = span_of(1000, 3, 7);
  header.target_text = "a \"quoted\" 7/6\\";
  header.search.x = 1.0 / 3;
  header.search.y = 0.1;
  header.search.factors = {2, 3, 5, 7};
  header.search.range_mode = true;
  header.search.range_low_cents = -0.5;
  header.search.range_high_cents = std::nextafter(2.0, 3.0);
  header.search.ln_max_quotient = std::log(1e10);
  header.search.time_out_seconds = 1e9;
  header.max_quotient = 1e10;
  header.precision = 6;
  compute_logs(header);
  std::string line = shard_header_line(header);
  ShardHeader read;
  ASSERT_TRUE(read_shard_header(line.substr(0, line.size() - 1), read));
  EXPECT_TRUE(same_query(read, header));
  EXPECT_EQ(read.target_text, header.target_text);
  EXPECT_TRUE(same_bits(read.search.range_high_cents, header.search.range_high_cents));
  EXPECT_EQ(read.span.run_blocks, header.span.run_blocks);
  EXPECT_EQ(first_different_log(read, header), "");
  read.ln_factors[1] = std::nextafter(read.ln_factors[1], 2.0);
  EXPECT_EQ(first_different_log(read, header), "ln 3");
  read.search.time_out_seconds = 4;  // a shard run again with more time is the same search
  EXPECT_TRUE(same_query(read, header));
  read.search.every_vector = true;
  EXPECT_FALSE(same_query(read, header));
}

}  // namespace
