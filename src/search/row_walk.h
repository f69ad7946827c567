// The plan of a search, built once and shared by every walk of it, and one walk's state:
// the odometer walked a row, a plane or a dead block at a time, over the whole search or
// over one block of it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "search/search_steps.h"

// What a worker finds in one block of the odometer, for the merge to replay in order.
struct BlockRecord {
  int64_t tested;  // the vector's count within the block, from 1
  double distance;
  double candidate_log;
};
struct BlockRecords {
  std::vector<BlockRecord> records;
  std::vector<int> exponents;  // the folded exponent vector of each record, one after another
  // With a block formatter: the records' bytes, and where each record's end there (the
  // previous record's end for one left to the merge's approximant()).
  std::string bytes;
  std::vector<size_t> byte_end;
  std::vector<char> formatted;
  int64_t tested = 0;
  bool dense = false;  // too many records to keep: the merge walks the segment itself
  size_t held = 0;     // the bytes of it counted against the look-ahead's budget so far
};

// The largest folded value a slot of this limit takes.
inline int top_value(int limit) { return limit > 0 ? limit : 0; }

// Blocks larger than this are walked in smaller ones, so no count can overflow.
constexpr int64_t kMaxBlockSize = int64_t{1} << 60;

// Where each inner vector (slot 0, or slots 0 and 1) puts a candidate, as a position on
// the circle of the last factor's logarithm: frac(inner log sum / ln m_last). A row or a
// plane asks which inner vectors land in an arc of that circle; sorted positions and a
// bucket index answer quickly.
struct InnerCircle {
  std::vector<double> position;  // sorted, each in [0, 1)
  std::vector<int> value;        // the inner vector at each position, as its odometer index
  std::vector<int> bucket_start;
  int buckets = 1;
};

// The group table: every vector of the inner group (slots 0 .. slots-1) that meets the
// denominator and numerator budgets on its own, placed on the circle of the last factor's
// logarithm like a row's inner vectors, with its own share of both budgets. Built once
// per search from the query alone and shared, read-only, by every thread's walk.
struct GroupTable {
  InnerCircle circle{};          // positions, and the inner vectors as their index in the group
  std::vector<double> negative;  // per position: the log of the inner vector's denominator
  std::vector<double> positive;  // and of its numerator
};

// The outer slots (1 .. n-2): per-value tables of their log, denominator and numerator
// terms.
struct OuterTables {
  std::vector<int> offset;       // start of slot k's values in the term tables
  std::vector<double> log_term;  // decode(v) * ln m_k
  std::vector<double> den_term;  // |e| * ln m_k for negative exponents, else 0
  std::vector<double> num_term;  // e * ln m_k for positive exponents, else 0
  std::vector<int> top;          // the largest folded value slot k takes
};

// Where a walk's outer slots stand: running suffix sums and counts kept up to date as the
// odometer moves.
struct OuterSums {
  std::vector<double> log_suffix;  // approximate sum of log terms of slots k .. n-2
  std::vector<double> den_suffix;
  std::vector<double> num_suffix;
  int negative_zeros = 0;  // outer slots holding a negative zero
  int gate_openers = 0;    // outer slots with a factor above 2 and a non-zero exponent
};

// What every walk of one search reads and none writes: the circles, the outer slots'
// tables, the block sizes and the group. It depends on the query alone, so the single
// walk, the pool's workers, its segment planner and a shard's threads share one. The
// plane's circle and the group table are built on first use, once, by whichever walk
// asks first.
struct SearchPlan {
  int n = 0;
  int last = 0;
  int row_length = 0;
  double inv_ln_last = 0.0;
  double margin = 0.0;
  double range_low = 0.0;  // range mode: the window on a candidate's distance, widened
  double range_high = 0.0;
  InnerCircle circle{};
  OuterTables outer{};
  std::vector<int64_t> block_size{};  // vectors below slot k, 0 when past kMaxBlockSize
  int64_t plane_size = 0;             // 0 when the search walks rows only
  int64_t rows_before_plane = 0;
  // The inner group walked at once through the group table, when the search is big enough
  // for the table to pay: slots 0 .. group_slots-1, 0 when the walk has no group.
  int group_slots = 0;
  std::vector<int> group_top{};        // each group slot's largest folded value
  double table_numerator_bound = 0.0;  // the numerator budget the table is built for
  // Built on first use (see plane_circle and group_table), under lazy_mutex. Not by
  // std::call_once: where it sits on pthread_once (mingw-w64), a build that throws (out of
  // memory) leaves every later caller waiting forever; here it leaves them unbuilt.
  mutable std::mutex lazy_mutex{};
  mutable std::atomic<bool> plane_built{false};
  mutable InnerCircle plane{};
  mutable std::atomic<bool> table_built{false};
  mutable GroupTable table{};
};

// One walk over a plan: where its odometer stands and what it needs to walk it.
struct RowWalk {
  SearchContext &context;
  const SearchPlan &plan;
  int *exponents = nullptr;  // the context's exponent vector
  OuterSums outer{};
  const InnerCircle *plane = nullptr;  // the plan's, once this walk has walked enough rows
  int64_t rows_walked = 0;
  const GroupTable *table = nullptr;  // the plan's, from the first group block on
  std::vector<int> hits{};
  std::vector<int> scratch{};
  // The last slot as the previous evaluation left it, which the gate reads. After a row
  // walked at once it is the row's last vector's, computed only when a gate needs it.
  int leftover = 0;
  bool leftover_known = true;
  // Set when the walk is a worker's, whose context records candidates for the merge.
  BlockRecords *records = nullptr;
  const std::atomic<bool> *stop = nullptr;  // a worker's walk ends early when it is set
};

// When the walk's shortcuts start to pay off, and how much a worker keeps. The tests
// lower them, so that small searches go through planes, the pool of threads and its
// merge's own walk too.
struct WalkThresholds {
  // Searches with fewer vectors end before starting threads pays off.
  int64_t vectors_for_threads = int64_t{1} << 28;
  // The plane's circle is built once the walk has gone through this many planes' worth
  // of rows, so that building it costs little beside them.
  int64_t planes_of_rows_before_plane = 128;
  // A worker gives a block back to the merge when it holds more records than this, so
  // that a wide window cannot fill the memory with records waiting for their turn. (Not
  // in range mode, where the workers format their records: bytes_in_flight bounds those.)
  size_t records_per_block = 4096;
  // Searches with fewer vectors walk rows and planes only: the group table costs more to
  // build than it saves.
  int64_t vectors_for_group_table = int64_t{1} << 30;
  // The group table covers at most this many inner vectors, and at most this many times
  // the square root of the odometer's size, so that it costs about what the outer
  // prefixes that look it up cost.
  int64_t max_group_vectors = int64_t{1} << 22;
  double group_vectors_per_root = 1.0;
  // With a group table, blocks are a few milliseconds of work however many records they
  // find: the blocks of the look-ahead may hold this many records between them, so that
  // a search that finds millions keeps its threads.
  size_t records_in_flight_with_table = size_t{1} << 20;
  // In range mode, where the workers format their records: the bytes the blocks not yet
  // merged (the one the merge waits for among them) may hold between them before the
  // workers of the blocks after that one wait for it.
  // The block the merge waits for never waits; it formats up to this many bytes, and is
  // given back past twice as many, records included.
  size_t bytes_in_flight = size_t{16} << 20;
};

// Builds the plan of the search a context (just started) holds.
void build_search_plan(SearchPlan &plan, const SearchContext &context, const WalkThresholds &thresholds);
// Starts a walk over the context's exponent vector, which stands at zeros.
void start_walk(RowWalk &walk);

// Chooses the inner group of a search big enough for it (none otherwise).
void choose_group(SearchPlan &plan, const SearchContext &context, const WalkThresholds &thresholds);
// The plan's group table and plane circle, built by the first walk that asks (any context
// of the plan's search builds the same).
const GroupTable &group_table(const SearchPlan &plan, const SearchContext &context);
const InnerCircle &plane_circle(const SearchPlan &plan, const SearchContext &context);
// The numerator budget: no accepted candidate's numerator (its positive terms, the last
// slot's included) has a log above this, widened by the plan's margin. Inline: the walk
// asks for it at every step.
inline double numerator_bound(const SearchPlan &plan, const SearchContext &context) {
  double reach = context.params.range_mode ? plan.range_high : context.best_error + plan.margin;
  return context.params.ln_max_quotient + context.ln_target + reach + 2 * plan.margin;
}
// Indexes the circle's sorted positions by buckets of equal width, as many as wanted
// rounded up to a power of 2, at most max_buckets.
void index_buckets(InnerCircle &circle, int64_t wanted, int max_buckets);

// Places the odometer at the first vector of block number `block` below slot block_slot:
// slots block_slot .. n-2 counted like an odometer of their own, the slots below at 0.
void place_at_block(RowWalk &walk, int block_slot, int64_t block);

// Moves the outer odometer on by one step of slot start (1 steps a row, 2 a plane, k a
// block below slot k, whose lower slots are all 0 again afterwards); false when the
// carry reaches end_slot.
bool advance_outer(RowWalk &walk, int start, int end_slot);

// A run of blocks that can hold no candidate and whose every vector passes the gate.
struct DeadRun {
  int slot = 0;        // the dead slot, whose last value in the run the odometer holds; 0: no run
  int64_t blocks = 0;  // the run's length in blocks of the slot asked about
};
// Where the walk stands at the first vector of a block below block_slot: the dead run that
// starts there, the odometer moved to its last block (advance_outer from run.slot passes
// it), or no run when the block may hold a candidate.
DeadRun dead_run_at(RowWalk &walk, int block_slot);

// Walks from where the odometer stands to the end of the block below end_slot (the whole
// search for slot n-1). Returns true when the walk ended early: an exact hit, the time
// out or an interruption for the single walk, which has then said so; a stop or too many
// records for a worker.
bool walk_block(RowWalk &walk, int end_slot);

// The gate opens only for a factor above 2 with a non-zero exponent, and the last slot
// holds one only after an evaluation; so without such an enumerated factor that can take
// a non-zero exponent, no vector is ever counted.
bool gate_can_open(const SearchContext &context);

// ---- The split into blocks, shared by the threads' pool and by shards ---------------
// The number of vectors of the whole odometer, or 0 when it is past the block sizes.
int64_t total_vectors(const SearchPlan &plan);
// The number of blocks below slot: the positions of slots slot .. n-2; 0 past the most
// blocks a search is split into.
int64_t block_count(const SearchPlan &plan, int slot);
// Each block's first vector follows the previous block's last, whose slots below the
// block slot are all at their tops; when one of them opens the gate, that vector was
// examined and a walk knows what it left in the last slot without walking it.
bool block_ends_open_the_gate(const SearchPlan &plan, const SearchContext &context, int slot);
// Replays a block's records (running minima in successive mode) with the true best
// error, as the single walk would have met them; records a worker formatted are written
// as a run of bytes. Returns true on an exact hit, with the count standing at its vector.
bool replay_block(SearchContext &context, const BlockRecords &block);

// The search over blocks of the odometer walked by `threads` workers and merged in order.
// Returns false, having done nothing, for a search too small for threads or one that
// cannot be split.
bool run_block_pool(RowWalk &walk, int threads, const WalkThresholds &thresholds);

// run_search with the given thresholds.
SearchSummary run_search_with_thresholds(const SearchParams &params, ResultSink &sink,
                                         const WalkThresholds &thresholds);
