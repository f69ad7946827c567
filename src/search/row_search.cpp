// The fast search: the same odometer walked a row at a time (the outer slots fixed,
// slot 0 running), counting a row's vectors at once and examining only the few whose
// candidates can be accepted. What it prints and counts is the reference loop's, byte
// for byte, for every search that ends by exhaustion or an exact hit.
#include <algorithm>
#include <cmath>
#include <vector>

#include "search/search_steps.h"

namespace {

// The pre-filter works on approximate sums; its margin, in natural-log units and scaled by
// the largest magnitude a sum can reach, is many orders above any rounding difference
// between those sums and the exact ones (a few units in the last place of that scale).
constexpr double kPrefilterMargin = 1e-9;
// Reading the clock costs more than a row; it is read after this many counted vectors,
// or this many rows, whichever comes first.
constexpr int64_t kClockCheckInterval = 32768;
constexpr int64_t kRowsPerClockCheck = 4096;
// Past the time out, a search that walks this many vectors in a row without counting one
// stops all the same: the time out is otherwise polled only at counted vectors.
constexpr int64_t kUncountedStretch = 1 << 20;
constexpr int kMaxBuckets = 1 << 16;

// Where each value of slot 0 puts a candidate, as a position on the circle of the last
// factor's logarithm: frac(e0 * ln m0 / ln m_last). A row asks which values of slot 0
// land in an arc of that circle; sorted positions and a bucket index answer quickly.
struct SlotZeroCircle {
  std::vector<double> position;  // sorted, each in [0, 1)
  std::vector<int> value;        // the folded value of slot 0 at each position
  std::vector<int> bucket_start;
  int buckets = 1;
};

// The outer slots (1 .. n-2): per-value tables of their log and denominator terms, and
// running suffix sums and counts kept up to date as the odometer moves.
struct OuterSlots {
  std::vector<int> offset;         // start of slot k's values in the term tables
  std::vector<double> log_term;    // decode(v) * ln m_k
  std::vector<double> den_term;    // |e| * ln m_k for negative exponents, else 0
  std::vector<int> top;            // the largest folded value slot k takes
  std::vector<double> log_suffix;  // approximate sum of log terms of slots k .. n-2
  std::vector<double> den_suffix;
  int negative_zeros = 0;  // outer slots holding a negative zero
  int gate_openers = 0;    // outer slots with a factor above 2 and a non-zero exponent
};

struct RowWalk {
  SearchContext &context;
  int *exponents = nullptr;  // the context's exponent vector
  int n = 0;
  int last = 0;
  int row_length = 0;
  double inv_ln_last = 0.0;
  double margin = 0.0;
  double range_low = 0.0;  // range mode: the window on a candidate's distance, widened
  double range_high = 0.0;
  SlotZeroCircle circle{};
  OuterSlots outer{};
  std::vector<int> hits{};
  std::vector<int> scratch{};
  // The last slot as the previous evaluation left it, which the gate reads. After a row
  // walked at once it is the row's last vector's, computed only when a gate needs it.
  int leftover = 0;
  bool leftover_known = true;
};

int top_value(int limit) { return limit > 0 ? limit : 0; }

void build_circle(RowWalk &walk) {
  std::vector<std::pair<double, int>> points;
  for (int v = 0; v < walk.row_length; ++v) {
    // Slot-0 values that are always skipped need no place: the negative zero, and for a
    // unison target every negative exponent of the first slot.
    if (is_negative_zero(v) || (walk.context.unison_target && is_denominator_slot(v))) continue;
    double turns = decode_exponent(v) * walk.context.logs[0] * walk.inv_ln_last;
    double position = turns - std::floor(turns);
    points.emplace_back(position < 1.0 ? position : 0.0, v);
  }
  std::sort(points.begin(), points.end());
  SlotZeroCircle &circle = walk.circle;
  for (const auto &point : points) {
    circle.position.push_back(point.first);
    circle.value.push_back(point.second);
  }
  while (circle.buckets < 2 * walk.row_length && circle.buckets < kMaxBuckets) circle.buckets *= 2;
  circle.bucket_start.assign(static_cast<size_t>(circle.buckets) + 1, static_cast<int>(points.size()));
  for (int i = static_cast<int>(points.size()) - 1; i >= 0; --i) {
    int bucket = std::min(static_cast<int>(circle.position[i] * circle.buckets), circle.buckets - 1);
    for (int b = bucket; b >= 0 && circle.bucket_start[b] > i; --b) circle.bucket_start[b] = i;
  }
}

double outer_log_term(const OuterSlots &outer, int k, int v) { return outer.log_term[outer.offset[k] + v]; }
double outer_den_term(const OuterSlots &outer, int k, int v) { return outer.den_term[outer.offset[k] + v]; }

void count_outer_slot(RowWalk &walk, int k, int sign) {
  int v = walk.exponents[k];
  walk.outer.negative_zeros += is_negative_zero(v) ? sign : 0;
  walk.outer.gate_openers += opens_gate(walk.context.values[k], v) ? sign : 0;
}

// Recomputes the suffix sums of slots k down to 1 after slots 1 .. k changed.
void refresh_suffixes(RowWalk &walk, int k) {
  OuterSlots &outer = walk.outer;
  for (int i = k; i >= 1; --i) {
    outer.log_suffix[i] = outer_log_term(outer, i, walk.exponents[i]) + outer.log_suffix[i + 1];
    outer.den_suffix[i] = outer_den_term(outer, i, walk.exponents[i]) + outer.den_suffix[i + 1];
  }
}

void build_outer(RowWalk &walk) {
  OuterSlots &outer = walk.outer;
  outer.offset.assign(walk.n, 0);
  outer.top.assign(walk.n, 0);
  outer.log_suffix.assign(walk.n, 0.0);
  outer.den_suffix.assign(walk.n, 0.0);
  for (int k = 1; k < walk.last; ++k) {
    outer.top[k] = top_value(walk.context.limits[k]);
    outer.offset[k] = static_cast<int>(outer.log_term.size());
    for (int v = 0; v <= outer.top[k]; ++v) {
      outer.log_term.push_back(decode_exponent(v) * walk.context.logs[k]);
      outer.den_term.push_back(is_denominator_slot(v) ? exponent_magnitude(v) * walk.context.logs[k] : 0.0);
    }
    count_outer_slot(walk, k, +1);
  }
  refresh_suffixes(walk, walk.last - 1);
}

// Moves the outer odometer one row on; false when it is exhausted.
bool advance_outer(RowWalk &walk) {
  int k = 1;
  for (; k < walk.last; ++k) {
    count_outer_slot(walk, k, -1);
    bool carry = walk.exponents[k] >= walk.outer.top[k];
    walk.exponents[k] = carry ? 0 : walk.exponents[k] + 1;
    count_outer_slot(walk, k, +1);
    if (!carry) break;
  }
  if (k >= walk.last) return false;
  refresh_suffixes(walk, k);
  return true;
}

// The largest magnitude an enumerated sum or the target can have, for the margin.
double log_scale(const RowWalk &walk) {
  double scale = std::fabs(walk.context.ln_target) + walk.context.logs[walk.last];
  for (int k = 0; k < walk.last; ++k) {
    scale += (exponent_magnitude(top_value(walk.context.limits[k])) + 1) * std::fabs(walk.context.logs[k]);
  }
  return scale;
}

void set_range_window(RowWalk &walk) {
  double ln_last = walk.context.logs[walk.last];
  double low = walk.context.params.range_low_cents * walk.context.ln2 / kCentsPerOctave - walk.margin;
  double high = walk.context.params.range_high_cents * walk.context.ln2 / kCentsPerOctave + walk.margin;
  // A candidate's distance lies between 0 and ln m_last; an unreadable bound filters nothing.
  walk.range_low = low > 0 ? low : 0.0;
  walk.range_high = high < ln_last + walk.margin ? high : ln_last + walk.margin;
}

// Adds the slot-0 values whose positions lie in [from, to] (0 <= from, to <= 1).
void collect_arc(RowWalk &walk, double from, double to) {
  const SlotZeroCircle &circle = walk.circle;
  int bucket = std::min(static_cast<int>(from * circle.buckets), circle.buckets - 1);
  int size = static_cast<int>(circle.position.size());
  for (int i = circle.bucket_start[bucket]; i < size && circle.position[i] <= to; ++i) {
    if (circle.position[i] >= from) walk.hits.push_back(circle.value[i]);
  }
}

// Adds the values in the arc [from, to] of the circle, taken modulo 1; true when the arc
// covers the whole circle.
bool collect_circular(RowWalk &walk, double from, double to) {
  if (!(to - from < 1.0)) return true;
  double start = from - std::floor(from);
  double end = start + (to - from);
  if (end < 1.0) {
    collect_arc(walk, start, end);
  } else {
    collect_arc(walk, start, 1.0);
    collect_arc(walk, 0.0, end - 1.0);
  }
  return false;
}

// The slot-0 values of this row, from first on, whose candidates may be accepted, in
// odometer order. A candidate's distance from the target is r or ln m_last - r, where r
// is where the row's outer sum and slot 0 put it on the circle of ln m_last.
void collect_row_hits(RowWalk &walk, int first) {
  walk.hits.clear();
  double turns = (walk.context.ln_target - walk.outer.log_suffix[1]) * walk.inv_ln_last;
  double here = turns - std::floor(turns);
  bool whole_circle = false;
  if (walk.context.params.range_mode) {
    if (walk.range_high < walk.range_low) return;
    double low = walk.range_low * walk.inv_ln_last;
    double high = walk.range_high * walk.inv_ln_last;
    whole_circle = collect_circular(walk, here - high, here - low) || collect_circular(walk, here + low, here + high);
  } else {
    double reach = (walk.context.best_error + walk.margin) * walk.inv_ln_last;
    whole_circle = collect_circular(walk, here - reach, here + reach);
  }
  if (whole_circle) walk.hits.assign(walk.circle.value.begin(), walk.circle.value.end());
  std::sort(walk.hits.begin(), walk.hits.end());
  walk.hits.erase(std::unique(walk.hits.begin(), walk.hits.end()), walk.hits.end());
  walk.hits.erase(walk.hits.begin(), std::lower_bound(walk.hits.begin(), walk.hits.end(), first));
}

// The gate's view of the last slot. After a row walked at once, it is what examining the
// row's last vector left there: the previous position of the outer odometer, slot 0 at top.
int current_leftover(RowWalk &walk) {
  if (walk.leftover_known) return walk.leftover;
  walk.scratch.assign(walk.exponents, walk.exponents + walk.n);
  for (int k = 1; k < walk.last; ++k) {
    if (walk.scratch[k] > 0) {
      --walk.scratch[k];
      break;
    }
    walk.scratch[k] = walk.outer.top[k];
  }
  walk.scratch[0] = walk.row_length - 1;
  walk.leftover = solved_last_slot(walk.context, walk.scratch.data());
  walk.leftover_known = true;
  return walk.leftover;
}

// Vectors whose gate depends on the last slot go one by one, exactly as the reference.
bool walk_vectors_singly(RowWalk &walk, int first, int end) {
  walk.exponents[walk.last] = current_leftover(walk);
  for (int v = first; v < end; ++v) {
    walk.exponents[0] = v;
    if (process_vector(walk.context)) return true;
  }
  walk.leftover = walk.exponents[walk.last];
  return false;
}

// Vectors that pass the gate whatever the last slot holds: counted at once, and only
// those the pre-filter keeps are examined. Returns true on an exact hit.
bool walk_gated_run(RowWalk &walk, int first) {
  int64_t before = walk.context.tested;
  bool may_accept =
      walk.outer.negative_zeros == 0 && !(walk.outer.den_suffix[1] > walk.context.params.ln_max_quotient + walk.margin);
  if (may_accept) {
    collect_row_hits(walk, first);
    for (int v : walk.hits) {
      walk.exponents[0] = v;
      walk.context.tested = before + (v - first + 1);
      if (examine_vector(walk.context)) return true;
    }
  }
  walk.context.tested = before + (walk.row_length - first);
  walk.leftover_known = false;
  return false;
}

// One row. Vectors before first_gated may fail the gate depending on the last slot; from
// first_gated on every vector passes it. Returns true when the search ends.
bool walk_row(RowWalk &walk) {
  const int *values = walk.context.values;
  int first_gated = walk.row_length;
  if (walk.outer.gate_openers > 0 || walk.context.params.every_vector) {
    first_gated = 0;
  } else if (values[0] > 2 && walk.row_length > 2) {
    first_gated = 2;
  }
  // With the last factor at most 2 the last slot never opens the gate.
  if (first_gated > 0 && values[walk.last] > 2 && walk_vectors_singly(walk, 0, first_gated)) return true;
  if (first_gated < walk.row_length && walk_gated_run(walk, first_gated)) return true;
  return false;
}

// After the time out: one vector at a time, so the search stops at a count that is a
// multiple of ten with the time-out message, or after a long stretch of vectors that the
// gate turns away, which would otherwise go on with no count to poll the clock at.
void finish_singly(RowWalk &walk) {
  walk.exponents[walk.last] = current_leftover(walk);
  walk.exponents[0] = 0;
  int64_t uncounted = 0;
  do {
    int64_t counted_before = walk.context.tested;
    if (process_vector(walk.context)) return;
    uncounted = walk.context.tested == counted_before ? uncounted + 1 : 0;
    if (uncounted >= kUncountedStretch && stop_requested(walk.context)) return;
  } while (step_odometer(walk.exponents, walk.context.limits.data(), walk.n));
}

// The gate opens only for a factor above 2 with a non-zero exponent, and the last slot
// holds one only after an evaluation; so without such an enumerated factor that can take
// a non-zero exponent, no vector is ever counted.
bool gate_can_open(const SearchContext &context) {
  if (context.params.every_vector) return true;
  for (int k = 0; k < context.n - 1; ++k) {
    if (opens_gate(context.values[k], top_value(context.limits[k]))) return true;
  }
  return false;
}

// Walks the rows from the first until the search ends, reading the clock now and then.
void walk_all_rows(RowWalk &walk) {
  SearchContext &context = walk.context;
  int64_t next_clock_check = 0;
  int64_t rows_since_check = 0;
  do {
    if (context.tested >= next_clock_check || ++rows_since_check >= kRowsPerClockCheck) {
      next_clock_check = context.tested + kClockCheckInterval;
      rows_since_check = 0;
      if (poll_should_stop(context)) {
        finish_singly(walk);
        return;
      }
    }
    if (walk_row(walk)) return;
  } while (advance_outer(walk));
}

void set_up_walk(RowWalk &walk) {
  SearchContext &context = walk.context;
  walk.exponents = context.exponents.data();
  walk.n = context.n;
  walk.last = context.n - 1;
  walk.row_length = top_value(context.limits[0]) + 1;
  walk.inv_ln_last = 1.0 / context.logs[walk.last];
  walk.margin = kPrefilterMargin * (1.0 + log_scale(walk));
  set_range_window(walk);
  build_circle(walk);
  build_outer(walk);
  walk.hits.reserve(2 * static_cast<size_t>(walk.row_length));
}

}  // namespace

SearchSummary run_search(const SearchParams &params, ResultSink &sink) {
  SearchContext context{params, sink};
  start_search(context);
  if (context.n == 1) {
    run_single_factor_search(context);
  } else if (gate_can_open(context)) {  // else nothing is ever counted: what walking every vector shows
    RowWalk walk{context};
    set_up_walk(walk);
    walk_all_rows(walk);
  }
  return finish_search(context);
}
