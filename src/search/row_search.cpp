// The fast search: the same odometer walked a row (slot 0 running) or a plane (slots 0
// and 1 running) at a time, counting their vectors at once and examining only the few
// whose candidates can be accepted, and skipping whole blocks that can hold none. What it
// prints and counts is the reference loop's, byte for byte, for every search that ends
// by exhaustion or an exact hit.
#include <algorithm>
#include <cmath>
#include <vector>

#include "search/row_walk.h"

namespace {

// Reading the clock costs more than a row; it is read after this many counted vectors,
// or this many rows, whichever comes first.
constexpr int64_t kClockCheckInterval = 32768;
constexpr int64_t kRowsPerClockCheck = 4096;
// A group block's hits count as this many rows' worth of work apiece, for the clock.
constexpr size_t kHitsPerRow = 16;
// Past the time out, a search that walks this many vectors in a row without counting one
// stops all the same: the time out is otherwise polled only at counted vectors.
constexpr int64_t kUncountedStretch = 1 << 20;

double outer_log_term(const OuterTables &outer, int k, int v) { return outer.log_term[outer.offset[k] + v]; }
double outer_den_term(const OuterTables &outer, int k, int v) { return outer.den_term[outer.offset[k] + v]; }

void count_outer_slot(RowWalk &walk, int k, int sign) {
  int v = walk.exponents[k];
  walk.outer.negative_zeros += is_negative_zero(v) ? sign : 0;
  walk.outer.gate_openers += opens_gate(walk.context.values[k], v) ? sign : 0;
}

// Recomputes the suffix sums of slots k down to 1 after slots 1 .. k changed.
void refresh_suffixes(RowWalk &walk, int k) {
  const OuterTables &tables = walk.plan.outer;
  OuterSums &outer = walk.outer;
  for (int i = k; i >= 1; --i) {
    outer.log_suffix[i] = outer_log_term(tables, i, walk.exponents[i]) + outer.log_suffix[i + 1];
    outer.den_suffix[i] = outer_den_term(tables, i, walk.exponents[i]) + outer.den_suffix[i + 1];
    outer.num_suffix[i] = tables.num_term[tables.offset[i] + walk.exponents[i]] + outer.num_suffix[i + 1];
  }
}

// Sets the walk's suffix sums and counts from its outer slots.
void start_outer_sums(RowWalk &walk) {
  OuterSums &outer = walk.outer;
  outer.log_suffix.assign(walk.plan.n, 0.0);
  outer.den_suffix.assign(walk.plan.n, 0.0);
  outer.num_suffix.assign(walk.plan.n, 0.0);
  for (int k = 1; k < walk.plan.last; ++k) count_outer_slot(walk, k, +1);
  refresh_suffixes(walk, walk.plan.last - 1);
}

// Kept inline in the walk's loop, which it serves at every step; dead_run_at calls it too.
[[gnu::always_inline]] inline bool step_outer(RowWalk &walk, int start, int end_slot) {
  int k = start;
  for (; k < end_slot; ++k) {
    count_outer_slot(walk, k, -1);
    bool carry = walk.exponents[k] >= walk.plan.outer.top[k];
    walk.exponents[k] = carry ? 0 : walk.exponents[k] + 1;
    count_outer_slot(walk, k, +1);
    if (!carry) break;
  }
  if (k >= end_slot) return false;
  refresh_suffixes(walk, k);
  return true;
}

// What a group block's outer prefix leaves its inner vectors of the two budgets; rows
// and planes look up without one.
struct BudgetFilter {
  const GroupTable *table = nullptr;
  double denominator_room = 0.0;
  double numerator_room = 0.0;
};

// Adds the inner vectors whose positions lie in [from, to] (0 <= from, to <= 1) and that
// fit the filter's budgets.
void collect_arc(RowWalk &walk, const InnerCircle &circle, double from, double to, const BudgetFilter &filter) {
  int bucket = std::min(static_cast<int>(from * circle.buckets), circle.buckets - 1);
  int size = static_cast<int>(circle.position.size());
  for (int i = circle.bucket_start[bucket]; i < size && circle.position[i] <= to; ++i) {
    if (circle.position[i] < from) continue;
    if (filter.table != nullptr &&
        (filter.table->negative[i] > filter.denominator_room || filter.table->positive[i] > filter.numerator_room)) {
      continue;
    }
    walk.hits.push_back(circle.value[i]);
  }
}

// Adds the values in the arc [from, to] of the circle, taken modulo 1; true when the arc
// covers the whole circle.
bool collect_circular(RowWalk &walk, const InnerCircle &circle, double from, double to, const BudgetFilter &filter) {
  if (!(to - from < 1.0)) return true;
  double start = from - std::floor(from);
  double end = start + (to - from);
  if (end < 1.0) {
    collect_arc(walk, circle, start, end, filter);
  } else {
    collect_arc(walk, circle, start, 1.0, filter);
    collect_arc(walk, circle, 0.0, end - 1.0, filter);
  }
  return false;
}

// The inner vectors of this row, plane or group block, from index first on, whose
// candidates may be accepted, in odometer order. A candidate's distance from the target
// is r or ln m_last - r, where r is where the outer log sum and the inner vector put it
// on the circle of ln m_last.
void collect_hits(RowWalk &walk, const InnerCircle &circle, double outer_log, int first,
                  const BudgetFilter &filter = BudgetFilter{}) {
  walk.hits.clear();
  double turns = (walk.context.ln_target - outer_log) * walk.plan.inv_ln_last;
  double here = turns - std::floor(turns);
  bool whole_circle = false;
  if (walk.context.params.range_mode) {
    if (walk.plan.range_high < walk.plan.range_low) return;
    double low = walk.plan.range_low * walk.plan.inv_ln_last;
    double high = walk.plan.range_high * walk.plan.inv_ln_last;
    whole_circle = collect_circular(walk, circle, here - high, here - low, filter) ||
                   collect_circular(walk, circle, here + low, here + high, filter);
  } else {
    double reach = (walk.context.best_error + walk.plan.margin) * walk.plan.inv_ln_last;
    whole_circle = collect_circular(walk, circle, here - reach, here + reach, filter);
  }
  if (whole_circle) {
    walk.hits.clear();
    collect_arc(walk, circle, 0.0, 1.0, filter);
  }
  std::sort(walk.hits.begin(), walk.hits.end());
  walk.hits.erase(std::unique(walk.hits.begin(), walk.hits.end()), walk.hits.end());
  walk.hits.erase(walk.hits.begin(), std::lower_bound(walk.hits.begin(), walk.hits.end(), first));
}

// Examines a counted vector; true when the walk ends: on an exact hit for the single walk,
// and for a worker, whose hits only the merge can confirm, once its block holds too many
// records to keep.
bool examine(RowWalk &walk) {
  bool exact_hit = examine_vector(walk.context);
  return walk.records == nullptr ? exact_hit : walk.records->dense;
}

// One vector through the gate, the count and, for the single walk only, the stop checks.
// A worker's walk ends once its block holds too many records to keep.
bool process(RowWalk &walk) {
  if (walk.records == nullptr) return process_vector(walk.context);
  if (!passes_gate(walk.context, walk.exponents)) return false;
  ++walk.context.tested;
  examine(walk);
  return walk.records->dense;
}

// The gate's view of the last slot. After a row walked at once, it is what examining the
// row's last vector left there: the previous position of the outer odometer, slot 0 at top.
int current_leftover(RowWalk &walk) {
  if (walk.leftover_known) return walk.leftover;
  walk.scratch.assign(walk.exponents, walk.exponents + walk.plan.n);
  for (int k = 1; k < walk.plan.last; ++k) {
    if (walk.scratch[k] > 0) {
      --walk.scratch[k];
      break;
    }
    walk.scratch[k] = walk.plan.outer.top[k];
  }
  walk.scratch[0] = walk.plan.row_length - 1;
  walk.leftover = solved_last_slot(walk.context, walk.scratch.data());
  walk.leftover_known = true;
  return walk.leftover;
}

// Vectors whose gate depends on the last slot go one by one, exactly as the reference.
bool walk_vectors_singly(RowWalk &walk, int first, int end) {
  walk.exponents[walk.plan.last] = current_leftover(walk);
  for (int v = first; v < end; ++v) {
    walk.exponents[0] = v;
    if (process(walk)) return true;
  }
  walk.leftover = walk.exponents[walk.plan.last];
  return false;
}

// Puts inner vector `index` (slots 0 .. slots-1, slot 0 fastest) into the exponents.
void place_inner_vector(RowWalk &walk, int slots, int index) {
  if (slots == 1) {
    walk.exponents[0] = index;
    return;
  }
  int rest = index;
  for (int k = 0; k < slots; ++k) {
    int size = k == 0 ? walk.plan.row_length : walk.plan.outer.top[k] + 1;
    walk.exponents[k] = rest % size;
    rest /= size;
  }
}

// The inner vectors of a row, a plane or a group block walked at once: slots 0 .. slots-1
// running (slots 1 .. slots-1 at 0 on entry), from inner vector `first` to the block's
// end at `size`, every one passing the gate whatever the last slot holds. They are counted
// at once, and only those the pre-filter keeps off the circle (and, with a group table,
// within the budgets its outer prefix leaves them) are examined. Returns true when the
// walk ends there.
bool walk_at_once(RowWalk &walk, int slots, const InnerCircle &circle, int first, int64_t size,
                  const GroupTable *table) {
  const OuterSums &outer = walk.outer;
  const double denominator_limit = walk.context.params.ln_max_quotient + walk.plan.margin;
  int64_t before = walk.context.tested;
  bool may_accept = outer.negative_zeros == 0 && !(outer.den_suffix[slots] > denominator_limit);
  BudgetFilter filter;
  if (may_accept && table != nullptr) {
    const double numerator_limit = numerator_bound(walk.plan, walk.context);
    may_accept = !(outer.num_suffix[slots] > numerator_limit);
    filter =
        BudgetFilter{table, denominator_limit - outer.den_suffix[slots], numerator_limit - outer.num_suffix[slots]};
  }
  if (may_accept) {
    collect_hits(walk, circle, outer.log_suffix[slots], first, filter);
    for (int index : walk.hits) {
      place_inner_vector(walk, slots, index);
      walk.context.tested = before + (index - first + 1);
      if (examine(walk)) return true;
    }
    for (int k = 1; k < slots; ++k) walk.exponents[k] = 0;
  }
  walk.context.tested = before + (size - first);
  walk.leftover_known = false;
  return false;
}

// One row. Vectors before first_gated may fail the gate depending on the last slot; from
// first_gated on every vector passes it. Returns true when the search ends.
bool walk_row(RowWalk &walk) {
  const int *values = walk.context.values;
  const int row_length = walk.plan.row_length;
  int first_gated = row_length;
  if (walk.outer.gate_openers > 0 || walk.context.params.every_vector) {
    first_gated = 0;
  } else if (values[0] > 2 && row_length > 2) {
    first_gated = 2;
  }
  // With the last factor at most 2 the last slot never opens the gate.
  if (first_gated > 0 && values[walk.plan.last] > 2 && walk_vectors_singly(walk, 0, first_gated)) return true;
  return first_gated < row_length && walk_at_once(walk, 1, walk.plan.circle, first_gated, row_length, nullptr);
}

// The highest slot k whose block (every vector below it, slots 1 .. k-1 at 0 now) can
// hold no candidate, as slots k and up already exceed the denominator or the numerator
// bound or hold a negative zero, and whose every vector passes the gate, as slots k and
// up open it.
// Blocks end at end_slot at most; 0 when the walk stands at no such block.
[[gnu::always_inline]] inline int dead_block_slot(const RowWalk &walk, int end_slot) {
  const int *exponents = walk.exponents;
  int lowest_set = 1;  // slots 1 .. lowest_set-1 are 0
  while (lowest_set < walk.plan.last && exponents[lowest_set] == 0) ++lowest_set;
  // With every vector examined, any slot opens the gate.
  int highest_opener = walk.context.params.every_vector ? walk.plan.last - 1 : 0;
  int highest_negative_zero = 0;
  for (int k = walk.plan.last - 1; k >= 1 && (highest_opener == 0 || highest_negative_zero == 0); --k) {
    if (highest_opener == 0 && opens_gate(walk.context.values[k], exponents[k])) highest_opener = k;
    if (highest_negative_zero == 0 && is_negative_zero(exponents[k])) highest_negative_zero = k;
  }
  int limit = std::min(std::min(lowest_set, highest_opener), end_slot);
  int slot = std::min(limit, highest_negative_zero);
  double bound = walk.context.params.ln_max_quotient + walk.plan.margin;
  double numerator_limit = numerator_bound(walk.plan, walk.context);
  for (int k = limit; k > slot; --k) {
    if (walk.outer.den_suffix[k] > bound || walk.outer.num_suffix[k] > numerator_limit) {
      slot = k;
      break;
    }
  }
  while (slot > 0 && walk.plan.block_size[slot] == 0) --slot;
  return slot;
}

// Whether slot k at value v puts every vector below it past the denominator or the
// numerator bound, with the slots above k as they stand.
[[gnu::always_inline]] inline bool value_exceeds_budgets(const RowWalk &walk, int k, int v) {
  const OuterTables &tables = walk.plan.outer;
  const OuterSums &outer = walk.outer;
  return outer.den_suffix[k + 1] + outer_den_term(tables, k, v) >
             walk.context.params.ln_max_quotient + walk.plan.margin ||
         outer.num_suffix[k + 1] + tables.num_term[tables.offset[k] + v] > numerator_bound(walk.plan, walk.context);
}

// Slot k's dead block at the value it holds, and with it the rest of the slot's values
// when they are dead too: a value of each sign past both budgets leaves every larger
// exponent past them, and a slot above k or slot k itself, whatever non-zero exponent it
// holds, opens the gate. Moves slot k to the last value skipped and returns how many
// values (blocks of slot k) that is.
int64_t skip_dead_values(RowWalk &walk, int k, int end_slot) {
  int v = walk.exponents[k];
  int top = walk.plan.outer.top[k];
  if (k >= end_slot || v < 2 || v >= top || walk.plan.block_size[k] > kMaxBlockSize / (top + 1)) return 1;
  bool opener_above = walk.context.params.every_vector || walk.context.values[k] > 2;
  for (int i = k + 1; i < walk.plan.last && !opener_above; ++i) {
    opener_above = opens_gate(walk.context.values[i], walk.exponents[i]);
  }
  if (!opener_above || !value_exceeds_budgets(walk, k, v) || !value_exceeds_budgets(walk, k, v + 1)) return 1;
  count_outer_slot(walk, k, -1);
  walk.exponents[k] = top;
  count_outer_slot(walk, k, +1);
  return top - v + 1;
}

// After the time out: one vector at a time, so the search stops at a count that is a
// multiple of ten with the time-out message, or after a long stretch of vectors that the
// gate turns away, which would otherwise go on with no count to poll the clock at.
void finish_singly(RowWalk &walk) {
  walk.exponents[walk.plan.last] = current_leftover(walk);
  walk.exponents[0] = 0;
  int64_t uncounted = 0;
  do {
    int64_t counted_before = walk.context.tested;
    if (process_vector(walk.context)) return;
    uncounted = walk.context.tested == counted_before ? uncounted + 1 : 0;
    if (uncounted >= kUncountedStretch && stop_requested(walk.context)) return;
  } while (step_odometer(walk.exponents, walk.context.limits.data(), walk.plan.n));
}

// Whether to walk from here a plane at once: slot 1 at 0, every vector passing the gate,
// and enough rows walked already that building the plane's circle pays off.
bool plane_walk_ready(RowWalk &walk) {
  if (walk.plan.plane_size == 0 || walk.exponents[1] != 0) return false;
  if (walk.outer.gate_openers == 0 && !walk.context.params.every_vector) return false;
  if (walk.plane == nullptr) {
    if (walk.rows_walked < walk.plan.rows_before_plane) return false;
    walk.plane = &plane_circle(walk.plan, walk.context);
    walk.hits.reserve(2 * static_cast<size_t>(walk.plan.plane_size));
  }
  return true;
}

// Whether to walk from here a group block at once: within the block end_slot walks, at
// its first vector (the group's outer slots at 0), and every vector passing the gate.
bool group_walk_ready(RowWalk &walk, int end_slot) {
  if (walk.plan.group_slots == 0 || walk.plan.group_slots > end_slot) return false;
  if (walk.outer.gate_openers == 0 && !walk.context.params.every_vector) return false;
  for (int k = 1; k < walk.plan.group_slots; ++k) {
    if (walk.exponents[k] != 0) return false;
  }
  if (walk.table == nullptr) walk.table = &group_table(walk.plan, walk.context);
  return true;
}

}  // namespace

bool advance_outer(RowWalk &walk, int start, int end_slot) { return step_outer(walk, start, end_slot); }

DeadRun dead_run_at(RowWalk &walk, int block_slot) {
  DeadRun run;
  int slot = dead_block_slot(walk, walk.plan.last);
  if (slot < block_slot) return run;
  run.slot = slot;
  run.blocks = skip_dead_values(walk, slot, walk.plan.last);
  for (int k = block_slot; k < slot; ++k) run.blocks *= walk.plan.outer.top[k] + 1;
  return run;
}

namespace {

// Whether a worker's walk should end: told to stop, or holding too many records.
bool worker_done(const RowWalk &walk) { return walk.records->dense || walk.stop->load(std::memory_order_relaxed); }

}  // namespace

bool gate_can_open(const SearchContext &context) {
  if (context.params.every_vector) return true;
  for (int k = 0; k < context.n - 1; ++k) {
    if (opens_gate(context.values[k], top_value(context.limits[k]))) return true;
  }
  return false;
}

void start_walk(RowWalk &walk) {
  walk.exponents = walk.context.exponents.data();
  start_outer_sums(walk);
  walk.hits.reserve(2 * static_cast<size_t>(walk.plan.row_length));
}

void place_at_block(RowWalk &walk, int block_slot, int64_t block) {
  // Counted afresh: the merge writes records' vectors into the exponents in between.
  walk.outer.negative_zeros = 0;
  walk.outer.gate_openers = 0;
  bool at_start = true;
  for (int k = 1; k < walk.plan.last; ++k) {
    int value = 0;
    if (k >= block_slot) {
      int64_t size = walk.plan.outer.top[k] + 1;
      value = static_cast<int>(block % size);
      block /= size;
    }
    walk.exponents[k] = value;
    at_start = at_start && value == 0;
    count_outer_slot(walk, k, +1);
  }
  walk.exponents[0] = 0;
  refresh_suffixes(walk, walk.plan.last - 1);
  // Before the first vector the last slot holds 0; any other block starts after a vector
  // that was examined, as the pool splits only searches where that is so.
  walk.leftover = 0;
  walk.leftover_known = at_start;
}

bool walk_block(RowWalk &walk, int end_slot) {
  SearchContext &context = walk.context;
  int64_t next_clock_check = 0;
  int64_t rows_since_check = 0;
  int step_slot = 1;
  do {
    if (walk.records != nullptr) {
      if (worker_done(walk)) return true;
    } else if (context.tested >= next_clock_check || ++rows_since_check >= kRowsPerClockCheck) {
      next_clock_check = context.tested + kClockCheckInterval;
      rows_since_check = 0;
      if (poll_should_stop(context)) {
        finish_singly(walk);
        return true;
      }
    }
    step_slot = dead_block_slot(walk, end_slot);
    int64_t counted_before = context.tested;
    if (step_slot > 0) {
      int64_t skipped = walk.plan.block_size[step_slot] * skip_dead_values(walk, step_slot, end_slot);
      context.tested += skipped;
      walk.leftover_known = false;
      if (walk.plan.group_slots > 0 && step_slot >= walk.plan.group_slots) next_clock_check += skipped;
    } else if (group_walk_ready(walk, end_slot)) {
      const int slots = walk.plan.group_slots;
      if (walk_at_once(walk, slots, walk.table->circle, 0, walk.plan.block_size[slots], walk.table)) return true;
      // A group block costs about a row and its hits, however many vectors it counts.
      next_clock_check += context.tested - counted_before;
      rows_since_check += static_cast<int64_t>(walk.hits.size() / kHitsPerRow);
      step_slot = walk.plan.group_slots;
    } else if (plane_walk_ready(walk)) {
      if (walk_at_once(walk, 2, *walk.plane, 0, walk.plan.plane_size, nullptr)) return true;
      step_slot = 2;
    } else {
      ++walk.rows_walked;
      if (walk_row(walk)) return true;
      step_slot = 1;
    }
  } while (step_outer(walk, step_slot, end_slot));
  return false;
}

SearchSummary run_search_with_thresholds(const SearchParams &params, ResultSink &sink,
                                         const WalkThresholds &thresholds) {
  const SearchParams effective = effective_params(params);
  SearchContext context{effective, sink};
  start_search(context);
  if (context.n == 1) {
    run_single_factor_search(context);
  } else if (effective.complete && !factors_pairwise_coprime(effective.factors)) {
    // Factors sharing a prime reduce their ratios, which the walk's budgets do not see.
    continue_reference_search(context);
  } else if (gate_can_open(context)) {  // else nothing is ever counted: what walking every vector shows
    SearchPlan plan;
    build_search_plan(plan, context, thresholds);
    RowWalk walk{context, plan};
    start_walk(walk);
    if (effective.threads <= 1 || !run_block_pool(walk, effective.threads, thresholds))
      walk_block(walk, walk.plan.last);
  }
  return finish_search(context);
}

SearchSummary run_search(const SearchParams &params, ResultSink &sink) {
  return run_search_with_thresholds(params, sink, WalkThresholds{});
}
