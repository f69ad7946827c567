// Search set-up and the pieces both search loops share: the factor table, the
// denominator bound, the acceptance rules of the two modes, handing an accepted
// approximant to the sink, the stop checks, and the examination of one exponent vector.
#include <chrono>
#include <cmath>

#include "search/search_steps.h"

namespace {

// Limits get this slack so that an exact power of a factor stays within the max quotient.
constexpr double kLimitSlack = 1e-10;
// The sink hears of the search's progress at most this often.
constexpr int64_t kProgressIntervalMs = 200;

// How far the odometer has come, from its slots as they stand (slot n-2 most significant).
double done_share(const SearchContext &context) {
  double done = 0.0;
  double total = 1.0;
  for (int k = context.n - 2; k >= 0; --k) {
    double size = context.limits[k] > 0 ? context.limits[k] + 1.0 : 1.0;
    done = done * size + context.exponents[k];
    total *= size;
  }
  return total > 0 ? done / total : 0.0;
}

void report_progress(SearchContext &context, int64_t now_ms) {
  if (now_ms - context.last_progress_ms < kProgressIntervalMs) return;
  context.last_progress_ms = now_ms;
  SearchProgress progress;
  progress.tested = context.tested;
  progress.accepted = context.accepted;
  progress.seconds = static_cast<double>(now_ms - context.start_ms) * 0.001;
  progress.done_share = done_share(context);
  progress.best_distance = context.accepted > 0 ? context.best_error * kCentsPerOctave / context.ln2 : 0.0;
  context.sink.progress(progress);
}

int stop_request(const SearchContext &context) {
  return context.params.interrupt != nullptr ? context.params.interrupt->load(std::memory_order_relaxed) : 0;
}

}  // namespace

double cents_of_log(double ln_size) { return ln_size * kCentsPerOctave / std::log(2.0); }

bool is_unison_target(double x, double y) { return std::fabs(x / y - 1) < kUnisonTolerance; }

double exact_hit_distance() { return kExactHit; }

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
  context.unison_target = is_unison_target(params.x, params.y);
  context.best_error = context.unison_target ? kUnisonBestError : std::fabs(context.ln_target) + kUnisonTolerance;
  if (params.complete) start_complete_search(context);
  context.start_ms = steady_clock_ms();
  context.last_progress_ms = context.start_ms;
}

SearchParams effective_params(const SearchParams &params) {
  SearchParams effective = params;
  effective.every_vector = params.every_vector || params.complete;
  return effective;
}

bool exact_hit_ends_search(const SearchContext &context) {
  return !(context.params.complete && context.params.range_mode);
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
  if (context.records_running_minima) return distance < context.best_error;
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

void accept_formatted_candidate(SearchContext &context, double distance) {
  context.best_error = distance;
  ++context.accepted;
}

bool poll_should_stop(SearchContext &context) {
  if (stop_request(context) != 0) return true;
  int64_t now_ms = steady_clock_ms();
  report_progress(context, now_ms);
  return context.params.time_out_seconds * 1000.0 < static_cast<double>(now_ms - context.start_ms);
}

bool stop_requested(SearchContext &context) {
  if (!poll_should_stop(context)) return false;
  int request = stop_request(context);
  context.end = request == kStopForLostOutput ? SearchEnd::kOutputLost
                : request != 0                ? SearchEnd::kInterrupted
                                              : SearchEnd::kTimeOut;
  context.end_seconds = static_cast<double>(steady_clock_ms() - context.start_ms) * 0.001;
  return true;
}

bool enumerated_all_zero(const SearchContext &context) {
  for (int i = 0; i < context.n - 1; ++i) {
    if (context.exponents[i] != 0) return false;
  }
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
  // 1/1 is where every search starts from, never an approximant. The gate keeps the
  // vector of zeros away; without the gate it would end a comma search at once.
  if (exponent == 0 && enumerated_all_zero(context)) return true;
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
  context.tested = 1;
  if (context.params.complete) {
    examine_complete_vector(context);
    return;
  }
  int a = solve_last_exponent(context, 0.0);
  for (int exponent = a; exponent <= a + 1; ++exponent) try_candidate(context, exponent, 0.0);
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
  if (context.params.complete) return examine_complete_vector(context);
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
