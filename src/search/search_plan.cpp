// The plan of a search: the circles of inner vectors, the outer slots' term tables, the
// block sizes and the group, built once from the query and read by every walk of it.
#include <algorithm>
#include <cmath>
#include <mutex>
#include <utility>
#include <vector>

#include "search/row_walk.h"

namespace {

// The pre-filter works on approximate sums; its margin, in natural-log units and scaled by
// the largest magnitude a sum can reach, is many orders above any rounding difference
// between those sums and the exact ones (a few units in the last place of that scale).
constexpr double kPrefilterMargin = 1e-9;
constexpr int kMaxBuckets = 1 << 16;
// A plane holds at most this many vectors: its circle stays small enough to build at once.
constexpr int64_t kMaxPlaneSize = 1 << 16;

// Inner vectors that are always skipped need no place: a negative zero, and for a unison
// target one whose first non-zero exponent is negative.
bool inner_always_skipped(const SearchContext &context, int v0, int v1) {
  if (is_negative_zero(v0) || is_negative_zero(v1)) return true;
  if (!context.unison_target) return false;
  return v0 != 0 ? is_denominator_slot(v0) : is_denominator_slot(v1);
}

// Places the first `size` inner vectors in odometer order (slot 0 fastest, rows of
// row_length) on the circle.
void build_circle(const SearchPlan &plan, const SearchContext &context, int64_t size, InnerCircle &circle) {
  std::vector<std::pair<double, int>> points;
  for (int index = 0; index < size; ++index) {
    int v0 = index % plan.row_length;
    int v1 = index / plan.row_length;
    if (inner_always_skipped(context, v0, v1)) continue;
    double log_sum = decode_exponent(v0) * context.logs[0];
    if (v1 > 0) log_sum += decode_exponent(v1) * context.logs[1];
    double turns = log_sum * plan.inv_ln_last;
    double position = turns - std::floor(turns);
    points.emplace_back(position < 1.0 ? position : 0.0, index);
  }
  std::sort(points.begin(), points.end());
  for (const auto &point : points) {
    circle.position.push_back(point.first);
    circle.value.push_back(point.second);
  }
  index_buckets(circle, 2 * size, kMaxBuckets);
}

void build_outer_tables(SearchPlan &plan, const SearchContext &context) {
  OuterTables &outer = plan.outer;
  outer.offset.assign(plan.n, 0);
  outer.top.assign(plan.n, 0);
  size_t values = 0;
  for (int k = 1; k < plan.last; ++k) values += static_cast<size_t>(top_value(context.limits[k])) + 1;
  // Reserved at once: a short search costs little more than setting these tables up.
  outer.log_term.reserve(values);
  outer.den_term.reserve(values);
  outer.num_term.reserve(values);
  for (int k = 1; k < plan.last; ++k) {
    outer.top[k] = top_value(context.limits[k]);
    outer.offset[k] = static_cast<int>(outer.log_term.size());
    for (int v = 0; v <= outer.top[k]; ++v) {
      outer.log_term.push_back(decode_exponent(v) * context.logs[k]);
      outer.den_term.push_back(is_denominator_slot(v) ? exponent_magnitude(v) * context.logs[k] : 0.0);
      outer.num_term.push_back(is_denominator_slot(v) ? 0.0 : exponent_magnitude(v) * context.logs[k]);
    }
  }
}

// The number of vectors below each outer slot k: the product of the sizes of slots 0 .. k-1.
void size_block_sizes(SearchPlan &plan) {
  plan.block_size.assign(plan.n, 0);
  int64_t size = plan.row_length;
  for (int k = 1; k < plan.last; ++k) {
    plan.block_size[k] = size;
    int64_t slot_size = plan.outer.top[k] + 1;
    if (size > kMaxBlockSize / slot_size) break;
    size *= slot_size;
  }
}

// The largest magnitude an enumerated sum or the target can have, for the margin.
double log_scale(const SearchPlan &plan, const SearchContext &context) {
  double scale = std::fabs(context.ln_target) + context.logs[plan.last];
  for (int k = 0; k < plan.last; ++k) {
    scale += (exponent_magnitude(top_value(context.limits[k])) + 1) * std::fabs(context.logs[k]);
  }
  return scale;
}

void set_range_window(SearchPlan &plan, const SearchContext &context) {
  double ln_last = context.logs[plan.last];
  double low = context.params.range_low_cents * context.ln2 / kCentsPerOctave - plan.margin;
  double high = context.params.range_high_cents * context.ln2 / kCentsPerOctave + plan.margin;
  // A candidate's distance lies between 0 and ln m_last; an unreadable bound filters nothing.
  plan.range_low = low > 0 ? low : 0.0;
  // A complete search may take a candidate further than the nearest two.
  bool nearest_only = !context.params.complete;
  plan.range_high = high < ln_last + plan.margin || !nearest_only ? high : ln_last + plan.margin;
}

}  // namespace

void index_buckets(InnerCircle &circle, int64_t wanted, int max_buckets) {
  circle.buckets = 1;
  while (circle.buckets < wanted && circle.buckets < max_buckets) circle.buckets *= 2;
  // Bucket b starts at the first position at or past b / buckets; the last one is the end.
  int placed = static_cast<int>(circle.position.size());
  circle.bucket_start.assign(static_cast<size_t>(circle.buckets) + 1, placed);
  int i = 0;
  for (int b = 0; b < circle.buckets; ++b) {
    while (i < placed && std::min(static_cast<int>(circle.position[i] * circle.buckets), circle.buckets - 1) < b) ++i;
    circle.bucket_start[b] = i;
  }
}

void build_search_plan(SearchPlan &plan, const SearchContext &context, const WalkThresholds &thresholds) {
  plan.n = context.n;
  plan.last = context.n - 1;
  plan.row_length = top_value(context.limits[0]) + 1;
  plan.inv_ln_last = 1.0 / context.logs[plan.last];
  plan.margin = kPrefilterMargin * (1.0 + log_scale(plan, context));
  set_range_window(plan, context);
  build_circle(plan, context, plan.row_length, plan.circle);
  build_outer_tables(plan, context);
  size_block_sizes(plan);
  choose_group(plan, context, thresholds);
  if (plan.n >= 3 && plan.outer.top[1] > 0 && plan.block_size[2] > 0 && plan.block_size[2] <= kMaxPlaneSize) {
    plan.plane_size = plan.block_size[2];
    plan.rows_before_plane = thresholds.planes_of_rows_before_plane * (plan.outer.top[1] + 1);
  }
}

const InnerCircle &plane_circle(const SearchPlan &plan, const SearchContext &context) {
  if (plan.plane_built.load(std::memory_order_acquire)) return plan.plane;
  std::lock_guard<std::mutex> lock(plan.lazy_mutex);
  if (!plan.plane_built.load(std::memory_order_relaxed)) {
    InnerCircle plane;
    build_circle(plan, context, plan.plane_size, plane);
    plan.plane = std::move(plane);
    plan.plane_built.store(true, std::memory_order_release);
  }
  return plan.plane;
}
