// The block pool: the odometer split into blocks below one outer slot, walked by worker
// threads that record what they find, and merged in odometer order by the calling thread,
// which applies the acceptance rule, the exact-hit stop and the time out as one walk would.
// The split and the replay serve shards too, which need no threads.
#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>

#include "search/row_walk.h"

// Blocks are numbered in 64 bits, with room to spare.
constexpr int64_t kMaxBlocks = int64_t{1} << 52;

int64_t total_vectors(const SearchPlan &plan) {
  int64_t below = plan.block_size[plan.last - 1];
  int64_t top = plan.outer.top[plan.last - 1] + 1;
  return below > 0 && below <= INT64_MAX / top ? below * top : 0;
}

int64_t block_count(const SearchPlan &plan, int slot) {
  int64_t count = 1;
  for (int k = slot; k < plan.last; ++k) {
    int64_t size = plan.outer.top[k] + 1;
    if (count > kMaxBlocks / size) return 0;
    count *= size;
  }
  return count;
}

bool block_ends_open_the_gate(const SearchPlan &plan, const SearchContext &context, int slot) {
  if (context.params.every_vector || opens_gate(context.values[0], plan.row_length - 1)) return true;
  for (int k = 1; k < slot; ++k) {
    if (opens_gate(context.values[k], plan.outer.top[k])) return true;
  }
  return false;
}

namespace {

// Hands the formatted bytes of records from .. to-1 of a block to the sink.
void write_formatted(SearchContext &context, const BlockRecords &block, size_t from, size_t to) {
  if (to <= from) return;
  size_t begin = from > 0 ? block.byte_end[from - 1] : 0;
  std::string_view bytes(block.bytes);
  context.sink.formatted(bytes.substr(begin, block.byte_end[to - 1] - begin), static_cast<int64_t>(to - from));
}

}  // namespace

bool replay_block(SearchContext &context, const BlockRecords &block) {
  const int64_t base = context.tested;
  const size_t count = block.records.size();
  const size_t n = static_cast<size_t>(context.n);
  const bool with_bytes = !block.formatted.empty();
  size_t run_start = 0;  // the first formatted record not yet written
  for (size_t i = 0; i < count; ++i) {
    const BlockRecord &record = block.records[i];
    context.tested = base + record.tested;
    std::copy_n(block.exponents.begin() + static_cast<std::ptrdiff_t>(i * n), n, context.exponents.begin());
    bool formatted = with_bytes && block.formatted[i] != 0;
    if (!formatted) write_formatted(context, block, run_start, i);
    if (candidate_accepted(context, record.distance)) {
      if (formatted) {
        accept_formatted_candidate(context, record.distance);
      } else {
        accept_candidate(context, record.distance, record.candidate_log);
      }
    }
    if (!formatted) run_start = i + 1;
    bool vector_ends = i + 1 == count || block.records[i + 1].tested != record.tested;
    if (vector_ends && context.best_error <= kExactHit && exact_hit_ends_search(context)) {
      if (with_bytes) write_formatted(context, block, run_start, i + 1);
      context.end = SearchEnd::kExactHit;
      return true;
    }
  }
  if (with_bytes) write_formatted(context, block, run_start, count);
  context.tested = base + block.tested;
  return false;
}

#ifndef RATIOHUNT_NO_THREADS

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "search/block_hand_off.h"

namespace {

// The smallest block worth handing to a worker: a millisecond or so of walking planes.
// (2^22 to 2^26 measured alike on the big benchmark searches.)
constexpr int64_t kMinBlockVectors = int64_t{1} << 24;
// With a group table, the smallest block is this many group blocks: each costs about a
// row and its hits, whatever its size.
constexpr int64_t kMinBlockGroups = int64_t{1} << 12;
// How many blocks the workers may run ahead of the merge: it bounds the records held.
constexpr int64_t kLookAheadPerThread = 8;
// A worker adds what its block holds to the look-ahead's count in steps of about this
// many bytes (or a sixteenth of the budget, if less), not at every record.
constexpr size_t kHeldCountStep = size_t{64} << 10;
// While it waits for a block, the merge reads the clock this often for the time out.
constexpr auto kMergeClockPoll = std::chrono::milliseconds(1);

struct BlockPlan {
  int slot = 0;  // blocks are the positions of slots slot .. n-2
  int64_t count = 0;
};

// The blocks go to the workers in segments: runs of consecutive blocks, each starting at a
// block that may hold a candidate and holding a number of such blocks. In a search of many
// factors nearly every block is dead (its outer prefix is past a budget), and a dead block
// costs the walk one step, far less than handing it over between threads. The segments
// are cut as the workers claim them, by a walk of the block odometer that judges blocks as
// the search stood before it started.
//
// A hand-over wakes the merge, which on a machine with as many workers as cores takes a
// core from one of them: tens of microseconds. So segments are cut to take about a
// millisecond: the live blocks of a segment double while the workers' last segments took
// less than kShortSegment, and halve while they took more than kLongSegment. A long
// segment holds back the merge, and in a search that finds millions of records the bytes
// that wait for it. (What is written does not depend on the cut: the merge replays the
// segments in order.)
constexpr int64_t kFewestLiveBlocksPerSegment = 4;
constexpr int64_t kMostLiveBlocksPerSegment = 1024;
constexpr auto kShortSegment = std::chrono::microseconds(500);
constexpr auto kLongSegment = std::chrono::microseconds(2000);

struct SegmentPlanner {
  SegmentPlanner(const SearchParams &params, const SearchPlan &plan) : context{params, sink}, walk{context, plan} {}
  struct NoSink : ResultSink {
    void approximant(const Approximant & /*found*/) override {}
    void finished(const SearchSummary & /*summary*/) override {}
  } sink;
  SearchContext context;
  RowWalk walk;
  int64_t next_first = 0;  // the first block of the next segment
  bool done = false;       // no block is left after next_first
  int64_t live_per_segment = kFewestLiveBlocksPerSegment;
};

struct Pool {
  Pool(RowWalk &calling_walk, int64_t window) : walk(calling_walk), hand_off(window) {}
  RowWalk &walk;          // the calling thread's: it merges, and walks what no worker can
  BlockHandOff hand_off;  // segment i's in results[i % window]; taken: segments merged so far
  BlockPlan plan;
  size_t records_per_block = 0;                             // without formatters, given back past this many records
  std::vector<std::unique_ptr<BlockFormatter>> formatters;  // one per worker, or none
  // With formatters: what the blocks not yet merged hold, against the budget.
  size_t bytes_in_flight = 0;
  size_t held_count_step = 0;
  size_t record_cost = 0;  // the bytes a record takes besides its formatted bytes
  std::atomic<size_t> held{0};
  std::vector<BlockRecords> results;
  SegmentPlanner *planner = nullptr;
  std::vector<int64_t> segment_first;  // the first block of each segment claimed so far
  int64_t next_segment = 0;
  std::atomic<double> merged_best_error{0.0};  // the best error after the merged blocks
};

// Blocks below the lowest slot (2 at the lowest, so that a block holds whole planes) whose
// blocks hold at least kMinBlockVectors. Blocks stay short: when the time out strikes, the
// merge stops where it stands, and it must never stand far behind the workers. Count 0
// when threads would not pay.
BlockPlan plan_blocks(const SearchPlan &search, const SearchContext &context, int threads, int64_t min_vectors) {
  BlockPlan plan;
  int64_t total = total_vectors(search);
  if (search.last < 3 || (total > 0 && total < min_vectors)) return plan;
  int slot = 2;
  int64_t min_block = kMinBlockVectors;
  if (search.group_slots > 0) {
    // Blocks of whole group blocks, enough of them that a block outweighs handing it over.
    slot = std::max(slot, search.group_slots);
    min_block = search.block_size[search.group_slots] * kMinBlockGroups;
  }
  while (slot < search.last - 1 && search.block_size[slot] > 0 && search.block_size[slot] < min_block) ++slot;
  int64_t count = block_count(search, slot);
  while (count == 0 && slot < search.last - 1) count = block_count(search, ++slot);
  if (count < 2 * static_cast<int64_t>(threads) || search.block_size[slot] == 0) return plan;
  if (!block_ends_open_the_gate(search, context, slot)) return plan;
  plan.slot = slot;
  plan.count = count;
  return plan;
}

// Moves the planner past its number of live blocks and the dead runs after them, to the
// first block of the next segment.
void plan_next_segment(SegmentPlanner &planner, const BlockPlan &plan) {
  RowWalk &walk = planner.walk;
  int64_t live = 0;
  for (;;) {
    DeadRun run = dead_run_at(walk, plan.slot);
    int step_slot = plan.slot;
    if (run.slot > 0) {
      planner.next_first += run.blocks;
      step_slot = run.slot;
    } else if (live == planner.live_per_segment) {
      return;
    } else {
      ++live;
      ++planner.next_first;
    }
    if (!advance_outer(walk, step_slot, walk.plan.last)) {
      planner.done = true;
      return;
    }
  }
}

// The bytes a block's records take, formatted bytes included.
size_t held_bytes(const Pool &pool, const BlockRecords &block) {
  return block.records.size() * pool.record_cost + block.bytes.size();
}

// Counts what the block holds now against the look-ahead's budget.
void count_held(Pool &pool, BlockRecords &block) {
  size_t now = held_bytes(pool, block);
  pool.held.fetch_add(now - block.held);
  block.held = now;
}

// Once the blocks not yet merged hold the budget, a worker ahead of the merge waits for
// it to take some. The block the merge waits for goes on, so the merge always gets one.
void wait_for_room(Pool &pool, int64_t segment) {
  if (pool.held.load() <= pool.bytes_in_flight) return;
  BlockHandOff &hand_off = pool.hand_off;
  std::unique_lock<std::mutex> lock(hand_off.mutex);
  hand_off.block_taken.wait(lock, [&] {
    return hand_off.stop.load() || hand_off.taken >= segment || pool.held.load() <= pool.bytes_in_flight;
  });
}

// A worker's sink: what its context accepts becomes a record of the block in hand.
// With a block formatter (range mode, whose records the merge keeps as they are), the
// record's bytes too, but for one that may end the search as an exact hit; its memory
// then counts against the pool's budget of bytes in flight.
struct BlockRecorder : ResultSink {
  Pool *pool = nullptr;
  const SearchContext *context = nullptr;
  BlockRecords *block = nullptr;
  int64_t segment = 0;
  BlockFormatter *formatter = nullptr;
  void approximant(const Approximant &found) override {
    block->records.push_back({context->tested, found.distance, found.log_size});
    block->exponents.insert(block->exponents.end(), context->exponents.begin(), context->exponents.end());
    if (formatter == nullptr) {
      if (block->records.size() > pool->records_per_block) block->dense = true;
      return;
    }
    bool format = found.distance > exact_hit_distance() && block->bytes.size() < pool->bytes_in_flight;
    if (format) formatter->format(found, block->bytes);
    block->formatted.push_back(format ? 1 : 0);
    block->byte_end.push_back(block->bytes.size());
    if (held_bytes(*pool, *block) - block->held < pool->held_count_step) return;
    count_held(*pool, *block);
    if (block->held > 2 * pool->bytes_in_flight) block->dense = true;
    wait_for_room(*pool, segment);
  }
  void finished(const SearchSummary & /*summary*/) override {}
};

// Empties a merged block for the next segment. One that held a dense stretch of records
// gives its memory back, or every slot of the look-ahead would keep the most it ever held.
void clear_block(BlockRecords &block, size_t kept_bytes) {
  if (block.bytes.capacity() > kept_bytes) {
    BlockRecords empty;
    std::swap(block, empty);  // a move would keep the string's buffer
    return;
  }
  block.records.clear();
  block.exponents.clear();
  block.bytes.clear();
  block.byte_end.clear();
  block.formatted.clear();
  block.dense = false;
  block.held = 0;
}

// A segment a worker claims: its number and its blocks first .. end-1.
struct Segment {
  int64_t number = -1;  // -1: none is left or the pool stops
  int64_t first = 0;
  int64_t end = 0;
};

// Makes the next segments longer or shorter after one that took `took`.
void fit_segment_length(SegmentPlanner &planner, std::chrono::steady_clock::duration took) {
  if (took < kShortSegment) {
    planner.live_per_segment = std::min(planner.live_per_segment * 2, kMostLiveBlocksPerSegment);
  } else if (took > kLongSegment) {
    planner.live_per_segment = std::max(planner.live_per_segment / 2, kFewestLiveBlocksPerSegment);
  }
}

// Takes the next segment within the look-ahead, cutting it from the blocks left. The
// worker's previous segment, if any, took `took`.
Segment claim_segment(Pool &pool, std::optional<std::chrono::steady_clock::duration> took) {
  BlockHandOff &hand_off = pool.hand_off;
  std::unique_lock<std::mutex> lock(hand_off.mutex);
  SegmentPlanner &planner = *pool.planner;
  if (took) fit_segment_length(planner, *took);
  hand_off.block_taken.wait(lock, [&] {
    return hand_off.stop.load() || planner.done || pool.next_segment < hand_off.taken + hand_off.window;
  });
  Segment segment;
  if (hand_off.stop.load() || planner.done) return segment;
  segment.number = pool.next_segment++;
  segment.first = planner.next_first;
  pool.segment_first.push_back(segment.first);
  plan_next_segment(planner, pool.plan);
  segment.end = planner.done ? pool.plan.count : planner.next_first;
  return segment;
}

// Walks the segment's blocks: a dead run counted at once, any other block walked. Returns
// true when it stops early, as walk_block does: a worker's stop, or the merge's own walk's
// exact hit, time out or interruption.
bool walk_segment(RowWalk &walk, const BlockPlan &plan, const Segment &segment) {
  int64_t block = segment.first;
  place_at_block(walk, plan.slot, block);
  while (block < segment.end) {
    DeadRun run = dead_run_at(walk, plan.slot);
    int step_slot = plan.slot;
    if (run.slot > 0) {
      // With a best error smaller than the planner's, a dead run may reach into the next
      // segment, which counts its own blocks.
      int64_t blocks = std::min(run.blocks, segment.end - block);
      walk.context.tested += blocks * walk.plan.block_size[plan.slot];
      walk.leftover_known = false;
      block += blocks;
      step_slot = run.slot;
    } else {
      if (walk_block(walk, plan.slot)) return true;
      ++block;
    }
    if (block < segment.end) advance_outer(walk, step_slot, walk.plan.last);
  }
  return false;
}

void walk_claimed_blocks(Pool &pool, size_t worker) {
  BlockRecorder recorder;
  recorder.pool = &pool;
  recorder.formatter = worker < pool.formatters.size() ? pool.formatters[worker].get() : nullptr;
  SearchContext context{pool.walk.context.params, recorder};
  start_search(context);
  context.records_running_minima = true;
  recorder.context = &context;
  RowWalk walk{context, pool.walk.plan};
  start_walk(walk);
  walk.stop = &pool.hand_off.stop;
  std::optional<std::chrono::steady_clock::duration> took;
  for (Segment segment = claim_segment(pool, took); segment.number >= 0; segment = claim_segment(pool, took)) {
    auto start = std::chrono::steady_clock::now();
    size_t slot = static_cast<size_t>(segment.number % pool.hand_off.window);
    BlockRecords &records = pool.results[slot];
    walk.records = &records;
    recorder.block = &records;
    recorder.segment = segment.number;
    context.tested = 0;
    // Pruning may use only a best error the merge has confirmed: it is never below the
    // true one at this block's start.
    context.best_error = pool.merged_best_error.load();
    walk_segment(walk, pool.plan, segment);
    records.tested = context.tested;
    if (recorder.formatter != nullptr) count_held(pool, records);
    finish_block(pool.hand_off, slot);
    took = std::chrono::steady_clock::now() - start;
  }
}

// The first block of a segment the merge waits for: claimed already, or the next to be.
int64_t segment_first_block(Pool &pool, int64_t segment) {
  std::lock_guard<std::mutex> lock(pool.hand_off.mutex);
  return segment < static_cast<int64_t>(pool.segment_first.size()) ? pool.segment_first[static_cast<size_t>(segment)]
                                                                   : pool.planner->next_first;
}

// Whether a segment past this one is or will be claimed.
bool segments_after(Pool &pool, int64_t segment) {
  std::lock_guard<std::mutex> lock(pool.hand_off.mutex);
  return segment + 1 < static_cast<int64_t>(pool.segment_first.size()) || !pool.planner->done;
}

// The block after a claimed segment's last: the next segment's first, or the end.
int64_t segment_end_block(Pool &pool, int64_t segment) {
  std::lock_guard<std::mutex> lock(pool.hand_off.mutex);
  size_t next = static_cast<size_t>(segment + 1);
  if (next < pool.segment_first.size()) return pool.segment_first[next];
  return pool.planner->done ? pool.plan.count : pool.planner->next_first;
}

// The merge walks a segment its worker gave back (too many records to keep) itself, while
// the workers go on with the segments after it. True when the walk ended the search.
bool walk_given_back_segment(Pool &pool, int64_t segment, int64_t first, BlockRecords &given_back) {
  // What the worker held no longer waits for the merge: the workers ahead may use it.
  // (Under the lock, or a worker that has just found no room might miss the wake-up and
  // wait until this whole segment is walked.)
  {
    std::lock_guard<std::mutex> lock(pool.hand_off.mutex);
    pool.held.fetch_sub(given_back.held);
  }
  given_back.held = 0;
  pool.hand_off.block_taken.notify_all();
  return walk_segment(pool.walk, pool.plan, Segment{segment, first, segment_end_block(pool, segment)});
}

// Merges the segments in order; a segment given back is walked by the merge itself. The
// time out hands the rest of the search to the calling thread's own walk, which says so.
void merge_segments(Pool &pool) {
  RowWalk &walk = pool.walk;
  for (int64_t segment = 0;; ++segment) {
    size_t slot = static_cast<size_t>(segment % pool.hand_off.window);
    int64_t first = segment_first_block(pool, segment);
    place_at_block(walk, pool.plan.slot, first);  // where the merge stands, for progress reports
    bool ready = wait_for_block(pool.hand_off, slot, kMergeClockPoll, [&] { return poll_should_stop(walk.context); }) &&
                 !poll_should_stop(walk.context);
    if (!ready) {
      stop_workers(pool.hand_off);
      place_at_block(walk, pool.plan.slot, segment_first_block(pool, segment));
      walk_block(walk, walk.plan.last);
      return;
    }
    BlockRecords &block = pool.results[slot];
    if (block.dense ? walk_given_back_segment(pool, segment, first, block) : replay_block(walk.context, block)) return;
    pool.merged_best_error.store(walk.context.best_error);
    pool.held.fetch_sub(block.held);
    clear_block(block, pool.bytes_in_flight / static_cast<size_t>(pool.hand_off.window));
    release_block(pool.hand_off, slot, segment + 1);
    if (!segments_after(pool, segment)) return;
  }
}

}  // namespace

bool run_block_pool(RowWalk &walk, int threads, const WalkThresholds &thresholds) {
  BlockPlan plan = plan_blocks(walk.plan, walk.context, threads, thresholds.vectors_for_threads);
  if (plan.count == 0) return false;
  // The group table is built here, before the workers start, rather than by the first
  // worker that needs it while the others wait for it.
  if (walk.plan.group_slots > 0) group_table(walk.plan, walk.context);
  SegmentPlanner planner{walk.context.params, walk.plan};
  start_search(planner.context);
  start_walk(planner.walk);
  place_at_block(planner.walk, plan.slot, 0);
  Pool pool{walk, kLookAheadPerThread * threads};
  const int64_t window = pool.hand_off.window;
  pool.planner = &planner;
  pool.plan = plan;
  pool.records_per_block = thresholds.records_per_block;
  if (walk.plan.group_slots > 0) {
    pool.records_per_block =
        std::max(pool.records_per_block, thresholds.records_in_flight_with_table / static_cast<size_t>(window));
  }
  if (walk.context.params.range_mode) {
    for (int i = 0; i < threads; ++i) {
      std::unique_ptr<BlockFormatter> formatter = walk.context.sink.block_formatter();
      if (formatter == nullptr) break;
      pool.formatters.push_back(std::move(formatter));
    }
  }
  pool.bytes_in_flight = thresholds.bytes_in_flight;
  pool.held_count_step = std::min(kHeldCountStep, thresholds.bytes_in_flight / 16);
  pool.record_cost = sizeof(BlockRecord) + static_cast<size_t>(walk.context.n) * sizeof(int) + sizeof(size_t) + 1;
  pool.results.resize(static_cast<size_t>(window));
  pool.merged_best_error.store(walk.context.best_error);
  std::vector<std::thread> workers;
  workers.reserve(static_cast<size_t>(threads));
  try {
    for (int i = 0; i < threads; ++i) {
      try {
        workers.emplace_back([&pool, i] {
          run_worker_for(pool.hand_off, [&pool, i] { walk_claimed_blocks(pool, static_cast<size_t>(i)); });
        });
      } catch (const std::system_error &) {
        break;  // fewer threads; with none, the single walk does it all
      }
    }
    if (workers.empty()) return false;
    merge_segments(pool);
  } catch (...) {  // a sink or a worker that throws: the workers still end before the pool goes
    stop_workers(pool.hand_off);
    for (std::thread &worker : workers) worker.join();
    throw;
  }
  stop_workers(pool.hand_off);
  for (std::thread &worker : workers) worker.join();
  return true;
}

#else

bool run_block_pool(RowWalk &, int, const WalkThresholds &) { return false; }

#endif
