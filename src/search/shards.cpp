// Shards of one search: the plan of blocks from the query and the shard count, the walk
// of one shard's blocks recording what each finds, and the replay of those records in
// odometer order for the merge.
#include "search/shards.h"

#include <algorithm>
#include <atomic>
#ifndef RATIOHUNT_NO_THREADS
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

#include "search/row_walk.h"

namespace {

// How the plan splits the odometer: blocks are the positions of the outer slots from
// block_slot up; block_slot 0 is the whole search as one block.
struct ShardPlan {
  int block_slot = 0;
  int64_t blocks = 1;
};

// The plan of the search and thresholds every machine shares (the defaults: a shard's
// split must not depend on how a machine is tuned).
ShardPlan plan_blocks_for_shards(const RowWalk &walk, int shards) {
  ShardPlan plan;
  if (walk.last < 3) return plan;
  const int lowest = std::max(2, walk.group_slots);
  // From the fewest, largest blocks down to smaller ones until every shard has its share.
  for (int slot = walk.last - 1; slot >= lowest; --slot) {
    if (walk.block_size[slot] == 0) continue;
    int64_t count = block_count(walk, slot);
    if (count == 0 || !block_ends_open_the_gate(walk, slot)) continue;
    plan.block_slot = slot;
    plan.blocks = count;
    if (count >= kBlocksPerShard * shards) break;
  }
  if (plan.blocks < 2) plan = ShardPlan{};
  return plan;
}

// What the walk accepts (running minima in successive mode) becomes a record of the
// block in hand.
struct ShardRecorder : ResultSink {
  const SearchContext *context = nullptr;
  ShardBlock *block = nullptr;
  void approximant(const Approximant &found) override {
    block->records.push_back({context->tested, found.distance, found.log_size});
    block->exponents.insert(block->exponents.end(), found.exponents, found.exponents + found.count);
  }
  void finished(const SearchSummary & /*summary*/) override {}
};

// Whether a vector of the block ends with a record within the exact-hit distance: the
// search ends there, and the shard's later blocks are not needed.
bool block_ends_in_exact_hit(const ShardBlock &block) {
  const std::vector<ShardRecord> &records = block.records;
  for (size_t i = 0; i < records.size(); ++i) {
    bool vector_ends = i + 1 == records.size() || records[i + 1].at != records[i].at;
    if (vector_ends && records[i].distance <= kExactHit) return true;
  }
  return false;
}

// A walk of the search's blocks (or of the whole search as one block) that records and
// never stops within a block.
struct ShardWalk {
  explicit ShardWalk(const SearchParams &params) : context{params, recorder} {
    start_search(context);
    context.records_running_minima = true;
    recorder.context = &context;
    whole = context.n == 1 || !gate_can_open(context);
    if (whole) return;
    set_up_walk(walk, WalkThresholds{});
    walk.records = &unused_records;
    walk.stop = &stop;
  }
  ShardRecorder recorder;
  SearchContext context;
  RowWalk walk{context};
  BlockRecords unused_records;    // the walk's records mode; the recorder keeps them
  std::atomic<bool> stop{false};  // set by the watcher: the block in hand is left unfinished
  bool whole = false;             // one factor, or a gate that never opens: nothing to split
};

#ifndef RATIOHUNT_NO_THREADS
// How often the watcher reads the clock and the stop request while a block is walked.
constexpr auto kWatchInterval = std::chrono::milliseconds(10);

// Whether the time out has passed or a stop was asked for; safe on any thread.
bool past_time_or_stopped(const SearchContext &context) {
  if (context.params.interrupt != nullptr && context.params.interrupt->load(std::memory_order_relaxed) != 0)
    return true;
  return context.params.time_out_seconds * 1000.0 < static_cast<double>(steady_clock_ms() - context.start_ms);
}

// A walk of blocks reads no clock; this thread does, and stops the walk within its block
// when the time out passes or the user asks to stop, so a long block cannot outlast them.
class StopWatcher {
 public:
  explicit StopWatcher(ShardWalk &shard_walk) : thread_([this, &shard_walk] { watch(shard_walk); }) {}
  StopWatcher(const StopWatcher &) = delete;
  StopWatcher &operator=(const StopWatcher &) = delete;
  ~StopWatcher() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    woken_.notify_one();
    thread_.join();
  }

 private:
  void watch(ShardWalk &shard_walk) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!woken_.wait_for(lock, kWatchInterval, [this] { return done_; })) {
      if (past_time_or_stopped(shard_walk.context)) shard_walk.stop.store(true);
    }
  }
  std::mutex mutex_;
  std::condition_variable woken_;
  bool done_ = false;
  std::thread thread_;  // last: it starts once the rest is ready
};
#endif

ShardPlan plan_of(ShardWalk &shard_walk, int shards) {
  return shard_walk.whole ? ShardPlan{} : plan_blocks_for_shards(shard_walk.walk, shards);
}

ShardSpan span_of(const ShardPlan &plan, int k, int n) {
  ShardSpan span;
  span.blocks = plan.blocks;
  span.run_blocks = std::max<int64_t>(1, plan.blocks / (kRunsPerShard * n));
  span.shard = k;
  span.shards = n;
  return span;
}

void walk_one_block(ShardWalk &shard_walk, const ShardPlan &plan, int64_t index) {
  SearchContext &context = shard_walk.context;
  context.tested = 0;
  if (context.n == 1) {
    run_single_factor_search(context);
  } else if (!shard_walk.whole) {
    RowWalk &walk = shard_walk.walk;
    int slot = plan.block_slot == 0 ? walk.last : plan.block_slot;
    place_at_block(walk, slot, plan.block_slot == 0 ? 0 : index);
    walk_block(walk, slot);
  }
}

}  // namespace

int64_t next_block_of_shard(const ShardSpan &span, int64_t block) {
  if (block >= span.blocks) return span.blocks;
  int64_t run = block / span.run_blocks;
  int64_t owner = run % span.shards;
  if (owner == span.shard - 1) return block;
  run += (span.shard - 1 - owner + span.shards) % span.shards;
  return std::min(run * span.run_blocks, span.blocks);
}

int shard_of_block(const ShardSpan &span, int64_t block) {
  return static_cast<int>(block / span.run_blocks % span.shards) + 1;
}

ShardSpan plan_shard(const SearchParams &params, int k, int n) {
  ShardWalk shard_walk(params);
  return span_of(plan_of(shard_walk, n), k, n);
}

ShardOutcome run_shard(const SearchParams &params, int k, int n,
                       const std::function<void(const ShardBlock &)> &block_done) {
  ShardWalk shard_walk(params);
  SearchContext &context = shard_walk.context;
  const ShardPlan plan = plan_of(shard_walk, n);
  const ShardSpan span = span_of(plan, k, n);
  ShardOutcome outcome;
  outcome.next_block = next_block_of_shard(span, 0);
  ShardBlock block;
  shard_walk.recorder.block = &block;
#ifndef RATIOHUNT_NO_THREADS
  StopWatcher watcher(shard_walk);
#endif
  for (int64_t index = outcome.next_block; index < span.blocks; index = next_block_of_shard(span, index + 1)) {
    if (stop_requested(context)) break;
    block.index = index;
    block.records.clear();
    block.exponents.clear();
    walk_one_block(shard_walk, plan, index);
    if (shard_walk.stop.load()) {  // the block is unfinished
      if (!stop_requested(context)) context.end = SearchEnd::kTimeOut;
      break;
    }
    block.tested = context.tested;
    block_done(block);
    outcome.next_block = next_block_of_shard(span, index + 1);
    if (block_ends_in_exact_hit(block)) {
      context.end = SearchEnd::kExactHit;
      break;
    }
  }
  outcome.end = context.end;
  outcome.seconds = static_cast<double>(steady_clock_ms() - context.start_ms) * 0.001;
  return outcome;
}

struct ShardReplay::State {
  State(const SearchParams &params, ResultSink &sink) : context{params, sink} {
    start_search(context);
    walk.n = context.n;
  }
  SearchContext context;
  RowWalk walk{context};  // the replay reads only its context and factor count
  BlockRecords records;
};

ShardReplay::ShardReplay(const SearchParams &params, ResultSink &sink)
    : state_(std::make_unique<State>(params, sink)) {}

ShardReplay::~ShardReplay() = default;

bool ShardReplay::replay(const ShardBlock &block) {
  BlockRecords &records = state_->records;
  records.records.clear();
  for (const ShardRecord &record : block.records)
    records.records.push_back({record.at, record.distance, record.log_size});
  records.exponents.resize(block.exponents.size());
  std::transform(block.exponents.begin(), block.exponents.end(), records.exponents.begin(), fold_exponent);
  records.tested = block.tested;
  return replay_block(state_->walk, records);
}

SearchSummary ShardReplay::finish(SearchEnd end, double seconds) {
  SearchContext &context = state_->context;
  SearchSummary summary;
  summary.tested = context.tested;
  summary.accepted = context.accepted;
  summary.end = context.end == SearchEnd::kExactHit ? SearchEnd::kExactHit : end;
  summary.seconds = seconds;
  summary.best_error = context.best_error;
  context.sink.finished(summary);
  return summary;
}
