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
#include <system_error>
#include <thread>

#include "search/block_hand_off.h"
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
ShardPlan plan_blocks_for_shards(const SearchPlan &search, const SearchContext &context, int shards) {
  ShardPlan plan;
  if (search.last < 3) return plan;
  const int lowest = std::max(2, search.group_slots);
  // From the fewest, largest blocks down to smaller ones until every shard has its share.
  for (int slot = search.last - 1; slot >= lowest; --slot) {
    if (search.block_size[slot] == 0) continue;
    int64_t count = block_count(search, slot);
    if (count == 0 || !block_ends_open_the_gate(search, context, slot)) continue;
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
// search ends there (unless it is one that never ends at a hit), and the shard's later
// blocks are not needed.
bool block_ends_in_exact_hit(const SearchContext &context, const ShardBlock &block) {
  if (!exact_hit_ends_search(context)) return false;
  const std::vector<ShardRecord> &records = block.records;
  for (size_t i = 0; i < records.size(); ++i) {
    bool vector_ends = i + 1 == records.size() || records[i + 1].at != records[i].at;
    if (vector_ends && records[i].distance <= kExactHit) return true;
  }
  return false;
}

// A walk of the search's blocks (or of the whole search as one block) that records and
// never stops within a block. The shard's threads share the plan of the first one's.
struct ShardWalk {
  explicit ShardWalk(const SearchParams &params, const SearchPlan *shared_plan = nullptr)
      : effective(effective_params(params)), context{effective, recorder} {
    start_search(context);
    context.records_running_minima = true;
    recorder.context = &context;
    // A complete search over factors sharing a prime is the plain loop, which has no blocks.
    plain_loop = context.n > 1 && context.params.complete && !factors_pairwise_coprime(context.params.factors);
    whole = context.n == 1 || plain_loop || !gate_can_open(context);
    if (whole) return;
    if (shared_plan == nullptr) {
      own_plan = std::make_unique<SearchPlan>();
      build_search_plan(*own_plan, context, WalkThresholds{});
      shared_plan = own_plan.get();
    }
    walk.reset(new RowWalk{context, *shared_plan});
    start_walk(*walk);
    walk->records = &unused_records;
    walk->stop = &stop;
  }
  ShardRecorder recorder;
  const SearchParams effective;  // the context holds a reference to it
  SearchContext context;
  std::unique_ptr<SearchPlan> own_plan;  // unless the walk shares another's
  std::unique_ptr<RowWalk> walk;         // none when the search is walked whole
  BlockRecords unused_records;           // the walk's records mode; the recorder keeps them
  std::atomic<bool> stop{false};         // set by the watcher: the block in hand is left unfinished
  bool whole = false;                    // one factor, the plain loop, or a gate that never opens: nothing to split
  bool plain_loop = false;               // a complete search the row walk cannot take
};

#ifndef RATIOHUNT_NO_THREADS
// How often the watcher reads the clock and the stop request while a block is walked.
constexpr auto kWatchInterval = std::chrono::milliseconds(10);

// Whether the time out has passed or a stop was asked for; safe on any thread.
bool past_time_or_stopped(const SearchContext &context) {
  const std::atomic<int> *interrupt = context.params.interrupt;
  bool stop_asked = interrupt != nullptr && interrupt->load(std::memory_order_relaxed) != 0;
  return stop_asked ||
         context.params.time_out_seconds * 1000.0 < static_cast<double>(steady_clock_ms() - context.start_ms);
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
  return shard_walk.whole ? ShardPlan{} : plan_blocks_for_shards(shard_walk.walk->plan, shard_walk.context, shards);
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
  } else if (shard_walk.plain_loop) {
    continue_reference_search(context);
  } else if (!shard_walk.whole) {
    RowWalk &walk = *shard_walk.walk;
    int slot = plan.block_slot == 0 ? walk.plan.last : plan.block_slot;
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

#ifndef RATIOHUNT_NO_THREADS
// How many blocks each thread may walk ahead of the one being written: it bounds the
// records held.
constexpr int64_t kLookAheadPerThread = 4;

// A shard's blocks walked by several threads, each with a walk of its own over the one
// group table, and handed out in odometer order by the calling thread, which also reads
// the clock. In successive mode a block starts from the best distance of the blocks
// handed out before it, which is never below the one search's best there, so its records
// hold every approximant the merge can accept.
struct ShardPool {
  ShardPool(ShardWalk &calling, const ShardPlan &block_plan, const ShardSpan &shard_span, int threads)
      : shard_walk(calling),
        plan(block_plan),
        span(shard_span),
        hand_off(kLookAheadPerThread * threads),
        results(static_cast<size_t>(hand_off.window)) {}
  ShardWalk &shard_walk;
  const ShardPlan &plan;
  const ShardSpan &span;
  BlockHandOff hand_off;                              // taken: blocks handed out so far
  std::vector<ShardBlock> results;                    // the block of sequence number i in results[i % window]
  int64_t next_block = next_block_of_shard(span, 0);  // the next block to claim, and its sequence number
  int64_t next_sequence = 0;
  std::atomic<double> written_best{0.0};
};

// Claims the next block within the look-ahead; false when none is left or the pool stops.
bool claim_block(ShardPool &pool, int64_t &block, int64_t &sequence) {
  BlockHandOff &hand_off = pool.hand_off;
  std::unique_lock<std::mutex> lock(hand_off.mutex);
  hand_off.block_taken.wait(lock, [&] {
    return hand_off.stop.load() || pool.next_block >= pool.span.blocks ||
           pool.next_sequence < hand_off.taken + hand_off.window;
  });
  if (hand_off.stop.load() || pool.next_block >= pool.span.blocks) return false;
  block = pool.next_block;
  sequence = pool.next_sequence++;
  pool.next_block = next_block_of_shard(pool.span, block + 1);
  return true;
}

void walk_claimed_blocks(ShardPool &pool) {
  const ShardWalk &calling = pool.shard_walk;
  ShardWalk shard_walk(calling.context.params, calling.whole ? nullptr : &calling.walk->plan);
  if (shard_walk.walk) shard_walk.walk->stop = &pool.hand_off.stop;
  int64_t block = 0;
  int64_t sequence = 0;
  while (claim_block(pool, block, sequence)) {
    const size_t slot = static_cast<size_t>(sequence % pool.hand_off.window);
    ShardBlock &out = pool.results[slot];
    out.index = block;
    out.records.clear();
    out.exponents.clear();
    shard_walk.recorder.block = &out;
    shard_walk.context.best_error = pool.written_best.load();
    walk_one_block(shard_walk, pool.plan, block);
    out.tested = shard_walk.context.tested;
    finish_block(pool.hand_off, slot);
  }
}

// Hands the blocks out in order as the workers finish them; returns the first block not
// handed out.
int64_t hand_out_blocks(ShardPool &pool, const std::function<void(const ShardBlock &)> &block_done) {
  SearchContext &context = pool.shard_walk.context;
  int64_t next = next_block_of_shard(pool.span, 0);
  for (int64_t sequence = 0; next < pool.span.blocks; ++sequence) {
    const size_t slot = static_cast<size_t>(sequence % pool.hand_off.window);
    bool ready = wait_for_block(pool.hand_off, slot, kWatchInterval, [&] { return past_time_or_stopped(context); });
    if (!ready || stop_requested(context)) {
      if (!stop_requested(context)) context.end = SearchEnd::kTimeOut;
      break;
    }
    const ShardBlock &block = pool.results[slot];
    block_done(block);
    double best = pool.written_best.load();
    for (const ShardRecord &record : block.records) best = std::min(best, record.distance);
    pool.written_best.store(best);
    next = next_block_of_shard(pool.span, block.index + 1);
    if (block_ends_in_exact_hit(context, block)) {
      context.end = SearchEnd::kExactHit;
      break;
    }
    release_block(pool.hand_off, slot, sequence + 1);
  }
  return next;
}

// Runs the shard's blocks on `threads` threads; false, having done nothing, when no
// thread could start.
bool run_shard_pool(ShardWalk &shard_walk, const ShardPlan &plan, const ShardSpan &span, int threads,
                    const std::function<void(const ShardBlock &)> &block_done, ShardOutcome &outcome) {
  ShardPool pool(shard_walk, plan, span, threads);
  pool.written_best.store(shard_walk.context.best_error);
  // Built before the threads start, as the threads' pool does, not by one while the others wait.
  const SearchPlan &search_plan = shard_walk.walk->plan;
  if (search_plan.group_slots > 0) group_table(search_plan, shard_walk.context);
  std::vector<std::thread> workers;
  try {
    for (int i = 0; i < threads; ++i) {
      try {
        workers.emplace_back([&pool] { run_worker_for(pool.hand_off, [&pool] { walk_claimed_blocks(pool); }); });
      } catch (const std::system_error &) {
        break;  // fewer threads
      }
    }
    if (workers.empty()) return false;
    outcome.next_block = hand_out_blocks(pool, block_done);
  } catch (...) {
    stop_workers(pool.hand_off);
    for (std::thread &worker : workers) worker.join();
    throw;
  }
  stop_workers(pool.hand_off);
  for (std::thread &worker : workers) worker.join();
  return true;
}
#endif

ShardOutcome run_shard(const SearchParams &params, int k, int n,
                       const std::function<void(const ShardBlock &)> &block_done) {
  ShardWalk shard_walk(params);
  SearchContext &context = shard_walk.context;
  const ShardPlan plan = plan_of(shard_walk, n);
  const ShardSpan span = span_of(plan, k, n);
  ShardOutcome outcome;
  outcome.next_block = next_block_of_shard(span, 0);
#ifndef RATIOHUNT_NO_THREADS
  if (params.threads > 1 && !shard_walk.whole &&
      run_shard_pool(shard_walk, plan, span, params.threads, block_done, outcome)) {
    outcome.end = context.end;
    outcome.seconds = static_cast<double>(steady_clock_ms() - context.start_ms) * 0.001;
    return outcome;
  }
#endif
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
    if (block_ends_in_exact_hit(context, block)) {
      context.end = SearchEnd::kExactHit;
      break;
    }
  }
  outcome.end = context.end;
  outcome.seconds = static_cast<double>(steady_clock_ms() - context.start_ms) * 0.001;
  return outcome;
}

struct ShardReplay::State {
  State(const SearchParams &params, ResultSink &sink) : context{params, sink} { start_search(context); }
  SearchContext context;
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
  return replay_block(state_->context, records);
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
