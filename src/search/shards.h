// Shards: one search split into N parts that run apart (on other machines, at other
// times) and merge into exactly what one run finds. The split depends on the query and N
// alone; each shard hands out, block by block, what it found with its raw values, and the
// merge replays the acceptance rule over them in odometer order.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "search/search.h"

constexpr int kMaxShards = 4096;
// The plan splits a search into at least this many blocks per shard where it can, so that
// shards of uneven blocks still take about the same time.
constexpr int64_t kBlocksPerShard = 32;
// Each shard's blocks come in this many runs spread over the odometer, where the search
// has the blocks: the work of a block falls with the outer exponents' size, so one run
// per shard would give the first shards most of it.
constexpr int64_t kRunsPerShard = 8;

// Shard K of N (K from 1) holds every Nth run of run_blocks consecutive blocks of the
// search's `blocks`, from run K-1: runs keep its file in odometer order and the merge's
// reads sequential.
struct ShardSpan {
  int64_t blocks = 1;
  int64_t run_blocks = 1;
  int shard = 1;
  int shards = 1;
};

// The first block of the span's shard at or after `block`; span.blocks when none is left.
int64_t next_block_of_shard(const ShardSpan &span, int64_t block);
// The shard (from 1) that holds a block.
int shard_of_block(const ShardSpan &span, int64_t block);

// What one vector of a block let through: its count within the block (from 1), and its
// distance and size as the search holds them (natural logarithms).
struct ShardRecord {
  int64_t at = 0;
  double distance = 0.0;
  double log_size = 0.0;
};

// One block walked: its records in odometer order, their signed exponent vectors one
// after another, and the vectors it counted.
struct ShardBlock {
  int64_t index = 0;
  int64_t tested = 0;
  std::vector<ShardRecord> records;
  std::vector<int> exponents;
};

// How a shard ended: the first of its blocks it did not walk (the search's block count when
// it walked them all),
// how it ended (exhausted, an exact hit that makes its later blocks needless, the time
// out, an interruption) and its seconds.
struct ShardOutcome {
  SearchEnd end = SearchEnd::kExhausted;
  int64_t next_block = 0;
  double seconds = 0.0;
};

// The blocks of shard k of n (1 <= k <= n <= kMaxShards). A search too small to split
// is one block, which shard 1 holds.
ShardSpan plan_shard(const SearchParams &params, int k, int n);

// Walks the blocks of shard k of n in order, handing each to block_done once walked. The
// clock and the stop request are read between blocks.
ShardOutcome run_shard(const SearchParams &params, int k, int n,
                       const std::function<void(const ShardBlock &)> &block_done);

// The merge's side: blocks replayed in odometer order into a sink, as the one search
// would have handed them over.
class ShardReplay {
 public:
  ShardReplay(const SearchParams &params, ResultSink &sink);
  ~ShardReplay();
  ShardReplay(const ShardReplay &) = delete;
  ShardReplay &operator=(const ShardReplay &) = delete;
  // Replays the next block; true when an exact hit ends the search in it.
  bool replay(const ShardBlock &block);
  // Tells the sink the summary: the count so far, how the search ended and its seconds.
  SearchSummary finish(SearchEnd end, double seconds);

 private:
  struct State;
  std::unique_ptr<State> state_;
};
