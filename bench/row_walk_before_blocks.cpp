// The row walk as it stood before whole blocks, planes and threads: one row of slot 0 at
// a time over the whole odometer. Kept, with the search steps it needs, as the yardstick
// the benchmarks measure the search against.
#include "row_walk_before_blocks.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

namespace before_blocks {

// Acceptance and stopping thresholds on natural-logarithm distances.
constexpr double kUnisonTolerance = 1e-10;  // |x/y - 1| below this is a unison target
constexpr double kExactHit = 1e-14;         // a best error at or below this ends the search
constexpr double kUnisonBestError = 2.0;    // starting yardstick for a unison target
constexpr int64_t kClockCheckEvery = 10;    // the clock is read at every tenth tested vector

// Exponents are stored folded into non-negative ints: 2e for e >= 0, 2|e|+1 for e < 0.
// The folded value 1 is a "negative zero" that marks a vector the search skips.
constexpr int kNegativeZero = 1;
inline int fold_exponent(int e) { return e >= 0 ? 2 * e : 1 - 2 * e; }
inline int decode_exponent(int folded) { return folded % 2 != 0 ? -(folded / 2) : folded / 2; }
inline bool is_denominator_slot(int folded) { return folded % 2 != 0; }
inline int exponent_magnitude(int folded) { return folded / 2; }
inline bool is_negative_zero(int folded) { return folded == kNegativeZero; }
// A factor above 2 with a non-zero exponent lets a vector through the gate.
inline bool opens_gate(int factor, int folded) { return factor > 2 && folded >= 2; }

// The largest folded exponent the odometer gives a factor whose logarithm is ln_factor.
int factor_limit(double ln_factor, double ln_max_quotient);

// One search from set-up to its end: the parameters, the factor table, the exponent
// vector being examined and the running state.
struct SearchContext {
  const SearchParams &params;
  ResultSink &sink;
  int n = 0;                          // factor count
  const int *values = nullptr;        // the factors
  std::vector<double> logs{};         // their natural logarithms
  std::vector<int> limits{};          // largest folded exponent of each enumerated slot
  std::vector<int> exponents{};       // the folded exponent vector in hand
  std::vector<int> signed_scratch{};  // an accepted vector's signed exponents, for the sink
  double ln_target = 0.0;
  double ln2 = 0.0;
  bool unison_target = false;
  double best_error = 0.0;
  int64_t tested = 0;
  int64_t accepted = 0;
  int64_t start_ms = 0;
  SearchEnd end = SearchEnd::kExhausted;
  double end_seconds = 0.0;
};

// Fills the factor table and the starting state, and starts the search clock.
void start_search(SearchContext &context);
// Reports the summary to the sink and returns it.
SearchSummary finish_search(SearchContext &context);

// Milliseconds from a steady clock: CPU time would stretch the time out on a busy machine.
int64_t steady_clock_ms();

// True when the candidate's denominator (the product of its negative-exponent terms)
// is at most the max quotient, compared as a sum of logarithms.
bool denominator_within_max_quotient(double ln_max_quotient, const double *logs, const int *exponents, int count);

// Whether a candidate at distance d (natural log) from the target is accepted.
bool candidate_accepted(const SearchContext &context, double distance);

// Hands the candidate in the exponent vector to the sink and makes it the best error.
void accept_candidate(SearchContext &context, double distance, double candidate_log);

// Whether the time out has passed or the user asked to stop, without ending the search.
bool should_stop(const SearchContext &context);
// Ends the search when the time out has passed or the user asked to stop; true then.
bool stop_requested(SearchContext &context);

// The search over one factor: one vector, its two candidates, no gate.
void run_single_factor_search(SearchContext &context);

// ---- One exponent vector, step by step ----------------------------------------------
// Both loops examine vectors through these, so every sum and comparison is the same.

// The gate: some factor above 2 has a non-zero exponent (the last slot as it stands),
// or the search examines every vector.
bool passes_gate(const SearchContext &context, const int *exponents);
// A negative zero in an enumerated slot: the vector is skipped.
bool has_negative_zero(const int *exponents, int enumerated);
// Unison targets: the vector whose first non-zero enumerated exponent is negative is
// the inverse of one examined elsewhere.
bool is_inverse_duplicate(const int *exponents, int enumerated);

// Solves the last exponent of a counted vector and examines its two candidates,
// accepting as the mode says. Returns true when an exact hit ends the search.
bool examine_vector(SearchContext &context);

// The folded value examine_vector leaves in the last slot for this vector: the solved
// exponent a when the vector is skipped, a + 1 when both candidates were looked at.
int solved_last_slot(const SearchContext &context, const int *exponents);

// Steps the odometer over slots 0 .. n-2, slot 0 fastest, each slot running through the
// folded values 0 .. its limit. Returns false when the carry leaves slot n-2.
bool step_odometer(int *exponents, const int *limits, int count);

// One odometer position: gate, count, time out, examination. Returns true to stop.
bool process_vector(SearchContext &context);

namespace {

// Limits get this slack so that an exact power of a factor stays within the max quotient.
constexpr double kLimitSlack = 1e-10;

}  // namespace

int factor_limit(double ln_factor, double ln_max_quotient) {
  double q = ln_max_quotient / ln_factor;
  if (!std::isfinite(q)) return 0;  // a factor 1, or a max quotient of 0 or less
  // |q| is at most ln(DBL_MAX) / ln 2, about 1024, so the limit fits an int.
  return static_cast<int>(2 * std::floor(q + kLimitSlack));
}

int64_t steady_clock_ms() {
  auto since_epoch = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch).count();
}

void start_search(SearchContext &context) {
  const SearchParams &params = context.params;
  context.n = static_cast<int>(params.factors.size());
  context.values = params.factors.data();
  context.logs.resize(static_cast<size_t>(context.n));
  context.limits.resize(static_cast<size_t>(context.n));
  context.exponents.assign(static_cast<size_t>(context.n), 0);
  context.signed_scratch.assign(static_cast<size_t>(context.n), 0);
  for (int i = 0; i < context.n; ++i) {
    context.logs[i] = std::log(static_cast<double>(context.values[i]));
    context.limits[i] = factor_limit(context.logs[i], params.ln_max_quotient);
  }
  double ratio = params.x / params.y;
  context.ln_target = std::log(ratio);
  context.ln2 = std::log(2.0);
  context.unison_target = std::fabs(ratio - 1) < kUnisonTolerance;
  context.best_error = context.unison_target ? kUnisonBestError : std::fabs(context.ln_target) + kUnisonTolerance;
  context.start_ms = steady_clock_ms();
}

SearchSummary finish_search(SearchContext &context) {
  SearchSummary summary;
  summary.tested = context.tested;
  summary.accepted = context.accepted;
  summary.end = context.end;
  summary.seconds = context.end == SearchEnd::kExhausted || context.end == SearchEnd::kExactHit
                        ? static_cast<double>(steady_clock_ms() - context.start_ms) * 0.001
                        : context.end_seconds;
  summary.best_error = context.best_error;
  context.sink.finished(summary);
  return summary;
}

bool denominator_within_max_quotient(double ln_max_quotient, const double *logs, const int *exponents, int count) {
  double ln_denominator = 0.0;
  for (int i = 0; i < count; ++i) {
    if (is_denominator_slot(exponents[i])) ln_denominator += exponent_magnitude(exponents[i]) * logs[i];
  }
  return ln_denominator <= ln_max_quotient;
}

bool candidate_accepted(const SearchContext &context, double distance) {
  const SearchParams &params = context.params;
  if (params.range_mode) {
    double cents = distance * kCentsPerOctave / context.ln2;
    return params.range_low_cents < cents && cents < params.range_high_cents;
  }
  return distance + kExactHit < context.best_error;
}

void accept_candidate(SearchContext &context, double distance, double candidate_log) {
  for (int i = 0; i < context.n; ++i) context.signed_scratch[i] = decode_exponent(context.exponents[i]);
  context.best_error = distance;
  ++context.accepted;
  Approximant found{context.signed_scratch.data(), context.n, candidate_log,
                    candidate_log * kCentsPerOctave / context.ln2, distance};
  context.sink.approximant(found);
}

bool should_stop(const SearchContext &context) {
  if (context.params.interrupt != nullptr && *context.params.interrupt != 0) return true;
  int64_t elapsed_ms = steady_clock_ms() - context.start_ms;
  return context.params.time_out_seconds * 1000.0 < static_cast<double>(elapsed_ms);
}

bool stop_requested(SearchContext &context) {
  if (!should_stop(context)) return false;
  bool interrupted = context.params.interrupt != nullptr && *context.params.interrupt != 0;
  context.end = interrupted ? SearchEnd::kInterrupted : SearchEnd::kTimeOut;
  context.end_seconds = static_cast<double>(steady_clock_ms() - context.start_ms) * 0.001;
  return true;
}

namespace {

// The last slot as the candidate with this exponent; examined when its denominator is
// within the max quotient. Returns false when the denominator is too large.
bool try_candidate(SearchContext &context, int exponent, double partial) {
  const int last = context.n - 1;
  context.exponents[last] = fold_exponent(exponent);
  if (!denominator_within_max_quotient(context.params.ln_max_quotient, context.logs.data(), context.exponents.data(),
                                       context.n)) {
    return false;
  }
  double candidate_log = exponent * context.logs[last] + partial;
  double distance = std::fabs(context.ln_target - candidate_log);
  if (candidate_accepted(context, distance)) accept_candidate(context, distance, candidate_log);
  return true;
}

// The sum of the enumerated exponents times their logarithms, in slot order from 0.0.
double enumerated_log(const SearchContext &context, const int *exponents) {
  double partial = 0.0;
  for (int i = 0; i < context.n - 1; ++i) partial += decode_exponent(exponents[i]) * context.logs[i];
  return partial;
}

// The largest exponent of the last factor whose candidate does not pass the target.
int solve_last_exponent(const SearchContext &context, double partial) {
  return static_cast<int>(std::floor((context.ln_target - partial) / context.logs[context.n - 1]));
}

bool skipped_vector(const SearchContext &context, const int *exponents) {
  const int last = context.n - 1;
  return has_negative_zero(exponents, last) || (context.unison_target && is_inverse_duplicate(exponents, last));
}

}  // namespace

void run_single_factor_search(SearchContext &context) {
  // With nothing to enumerate there is one vector: the solved exponent's two candidates.
  // 1/1 (exponent 0) is no candidate here, as it never is in the enumerated search.
  context.tested = 1;
  int a = solve_last_exponent(context, 0.0);
  for (int exponent = a; exponent <= a + 1; ++exponent) {
    if (exponent != 0) try_candidate(context, exponent, 0.0);
  }
  if (context.best_error <= kExactHit) context.end = SearchEnd::kExactHit;
}

bool passes_gate(const SearchContext &context, const int *exponents) {
  if (context.params.every_vector) return true;
  for (int i = 0; i < context.n; ++i) {
    if (opens_gate(context.values[i], exponents[i])) return true;
  }
  return false;
}

bool has_negative_zero(const int *exponents, int enumerated) {
  for (int i = 0; i < enumerated; ++i) {
    if (is_negative_zero(exponents[i])) return true;
  }
  return false;
}

bool is_inverse_duplicate(const int *exponents, int enumerated) {
  for (int i = 0; i < enumerated; ++i) {
    if (exponents[i] != 0) return is_denominator_slot(exponents[i]);
  }
  return false;
}

bool examine_vector(SearchContext &context) {
  const int last = context.n - 1;
  double partial = enumerated_log(context, context.exponents.data());
  int a = solve_last_exponent(context, partial);
  context.exponents[last] = fold_exponent(a);
  if (skipped_vector(context, context.exponents.data())) return false;
  try_candidate(context, a, partial);
  // The second candidate's denominator is never larger than the first's; when it fails
  // too, the vector is done without the exact-hit test.
  if (!try_candidate(context, a + 1, partial)) return false;
  if (context.best_error > kExactHit) return false;
  context.end = SearchEnd::kExactHit;
  return true;
}

int solved_last_slot(const SearchContext &context, const int *exponents) {
  int a = solve_last_exponent(context, enumerated_log(context, exponents));
  return fold_exponent(skipped_vector(context, exponents) ? a : a + 1);
}

bool process_vector(SearchContext &context) {
  if (!passes_gate(context, context.exponents.data())) return false;
  ++context.tested;
  if (context.tested % kClockCheckEvery == 0 && stop_requested(context)) return true;
  return examine_vector(context);
}

bool step_odometer(int *exponents, const int *limits, int count) {
  int k = 0;
  ++exponents[0];
  while (exponents[k] > limits[k]) {
    exponents[k] = 0;
    ++k;
    if (k >= count - 1) return false;
    ++exponents[k];
  }
  return true;
}

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
      if (should_stop(context)) {
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

}  // namespace before_blocks

SearchSummary run_row_walk_before_blocks(const SearchParams &params, ResultSink &sink) {
  using before_blocks::RowWalk;
  using before_blocks::SearchContext;
  SearchContext context{params, sink};
  before_blocks::start_search(context);
  if (context.n == 1) {
    before_blocks::run_single_factor_search(context);
  } else if (before_blocks::gate_can_open(context)) {
    RowWalk walk{context};
    before_blocks::set_up_walk(walk);
    before_blocks::walk_all_rows(walk);
  }
  return before_blocks::finish_search(context);
}
