// The group table: which inner group of slots a big search walks at once, and the table
// of that group's vectors that fit the denominator and numerator budgets, sorted on the
// circle of the last factor's logarithm.
#include <algorithm>
#include <cmath>
#include <mutex>
#include <utility>
#include <vector>

#include "search/row_walk.h"

namespace {

// A group of one slot is a row: the row walk does as well without a table.
constexpr int kMinGroupSlots = 2;
constexpr int kMaxTableBuckets = 1 << 22;
// Counts must fit with room to spare: the whole odometer is at most this many vectors.
constexpr int64_t kMaxCountedVectors = int64_t{1} << 62;

struct TableEntry {
  double position;
  int index;
  double negative;
  double positive;
};

// What building the table needs beside the walk: each group slot's stride in the group's
// odometer index, the two budgets, and the entries found so far.
struct GroupTerms {
  const SearchPlan &plan;
  const SearchContext &context;
  std::vector<int64_t> stride;
  double denominator_bound = 0.0;
  double numerator_bound = 0.0;
  std::vector<TableEntry> entries{};
};

// Adds every group vector whose slots above k are already chosen, slot k down to 0 still
// free, that meets both budgets. A negative zero never enters; for a unison target neither
// does a vector whose first non-zero exponent (lowest_nonzero, folded) is negative: it is
// the inverse of another.
void add_group_vectors(GroupTerms &terms, int k, int64_t index, double log_sum, double negative, double positive,
                       int lowest_nonzero) {
  const SearchPlan &plan = terms.plan;
  if (k < 0) {
    if (terms.context.unison_target && lowest_nonzero != 0 && is_denominator_slot(lowest_nonzero)) return;
    double turns = log_sum * plan.inv_ln_last;
    double position = turns - std::floor(turns);
    terms.entries.push_back({position < 1.0 ? position : 0.0, static_cast<int>(index), negative, positive});
    return;
  }
  double ln_factor = terms.context.logs[k];
  for (int v = 0; v <= plan.group_top[k]; ++v) {
    if (is_negative_zero(v)) continue;
    int magnitude = exponent_magnitude(v);
    double next_negative = is_denominator_slot(v) ? negative + magnitude * ln_factor : negative;
    double next_positive = is_denominator_slot(v) ? positive : positive + magnitude * ln_factor;
    if (next_negative > terms.denominator_bound || next_positive > terms.numerator_bound) continue;
    add_group_vectors(terms, k - 1, index + v * terms.stride[k], log_sum + decode_exponent(v) * ln_factor,
                      next_negative, next_positive, v != 0 ? v : lowest_nonzero);
  }
}

}  // namespace

// The group is the most inner slots whose vectors the thresholds allow (about the square
// root of the whole odometer). At least one outer slot stays above the group.
void choose_group(SearchPlan &plan, const SearchContext &context, const WalkThresholds &thresholds) {
  plan.group_slots = 0;
  if (plan.last < kMinGroupSlots + 1) return;
  int64_t below = plan.block_size[plan.last - 1];
  int64_t top = plan.outer.top[plan.last - 1] + 1;
  if (below == 0 || below > kMaxCountedVectors / top) return;
  int64_t total = below * top;
  if (total < thresholds.vectors_for_group_table) return;
  double cap = std::min(static_cast<double>(thresholds.max_group_vectors),
                        thresholds.group_vectors_per_root * std::sqrt(static_cast<double>(total)));
  int slots = 0;
  for (int g = kMinGroupSlots; g <= plan.last - 1; ++g) {
    if (static_cast<double>(plan.block_size[g]) <= cap) slots = g;
  }
  if (slots == 0) return;
  plan.group_slots = slots;
  plan.group_top.assign(static_cast<size_t>(slots), 0);
  plan.group_top[0] = plan.row_length - 1;
  for (int k = 1; k < slots; ++k) plan.group_top[k] = plan.outer.top[k];
  plan.table_numerator_bound = numerator_bound(plan, context);
}

namespace {

void build_group_table(const SearchPlan &plan, const SearchContext &context, GroupTable &table) {
  GroupTerms terms{plan, context, std::vector<int64_t>(static_cast<size_t>(plan.group_slots), 1)};
  for (int k = 1; k < plan.group_slots; ++k) terms.stride[k] = terms.stride[k - 1] * (plan.group_top[k - 1] + 1);
  terms.denominator_bound = context.params.ln_max_quotient + plan.margin;
  terms.numerator_bound = plan.table_numerator_bound;
  add_group_vectors(terms, plan.group_slots - 1, 0, 0.0, 0.0, 0.0, 0);
  std::sort(terms.entries.begin(), terms.entries.end(), [](const TableEntry &a, const TableEntry &b) {
    return a.position < b.position || (a.position == b.position && a.index < b.index);
  });
  InnerCircle &circle = table.circle;
  size_t count = terms.entries.size();
  circle.position.resize(count);
  circle.value.resize(count);
  table.negative.resize(count);
  table.positive.resize(count);
  for (size_t i = 0; i < count; ++i) {
    circle.position[i] = terms.entries[i].position;
    circle.value[i] = terms.entries[i].index;
    table.negative[i] = terms.entries[i].negative;
    table.positive[i] = terms.entries[i].positive;
  }
  std::vector<TableEntry>().swap(terms.entries);  // gone before the buckets: a lower peak
  index_buckets(circle, static_cast<int64_t>(count), kMaxTableBuckets);
}

}  // namespace

const GroupTable &group_table(const SearchPlan &plan, const SearchContext &context) {
  if (plan.table_built.load(std::memory_order_acquire)) return plan.table;
  std::lock_guard<std::mutex> lock(plan.lazy_mutex);
  if (!plan.table_built.load(std::memory_order_relaxed)) {
    GroupTable table;
    build_group_table(plan, context, table);
    plan.table = std::move(table);
    plan.table_built.store(true, std::memory_order_release);
  }
  return plan.table;
}
