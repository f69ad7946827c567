// A degree made just: range searches of the basis around the degree under the complete
// rules, whose sink reduces each approximant to n/d, keeps those that meet the bounds
// exactly (terms, closed window) and remembers the one of least Tenney height. The
// searches deepen their bound on the terms until it covers every ratio as simple as the best.
#include "theory/scale_just.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "search/search.h"

namespace {

// The search's window is open and measured in doubles: it is widened by this share (and
// as much in absolute cents) so that nothing on the closed window's edge is lost; the
// sink then applies the window exactly as the rules state it.
constexpr double kWindowSlack = 1e-9;

// n/d from the signed exponents of the basis, or false when a term leaves 64 bits.
bool ratio_of(const Approximant &found, const std::vector<int> &basis, uint64_t &numerator, uint64_t &denominator) {
  numerator = 1;
  denominator = 1;
  for (int i = 0; i < found.count; ++i) {
    uint64_t &term = found.exponents[i] > 0 ? numerator : denominator;
    for (int e = std::abs(found.exponents[i]); e > 0; --e) {
      if (!checked_product(term, static_cast<uint64_t>(basis[static_cast<size_t>(i)]), term)) return false;
    }
  }
  uint64_t divisor = greatest_common_divisor(numerator, denominator);
  numerator /= divisor;
  denominator /= divisor;
  return true;
}

class LeastHeightSink : public ResultSink {
 public:
  LeastHeightSink(const ScalePitch &target, const JustRules &rules) : target_(target), rules_(rules) {
    best_.target = target;
    best_.cents = target.cents;
  }

  void approximant(const Approximant &found) override {
    uint64_t numerator = 0;
    uint64_t denominator = 0;
    if (!ratio_of(found, rules_.basis, numerator, denominator)) return;
    // A comma search walks one of each pair of inverses; the other is as near a unison.
    consider(numerator, denominator);
    consider(denominator, numerator);
  }
  void finished(const SearchSummary & /*summary*/) override {}

  const JustDegree &best() const { return best_; }

 private:
  void consider(uint64_t numerator, uint64_t denominator) {
    if (numerator == denominator || numerator > rules_.max_term || denominator > rules_.max_term) return;
    double distance = distance_cents(numerator, denominator);
    if (!(std::fabs(distance) <= rules_.within_cents)) return;
    if (best_.found) {
      int height = compare_products(numerator, denominator, best_.numerator, best_.denominator);
      if (height > 0 || (height == 0 && !(std::fabs(distance) < std::fabs(best_.distance_cents)))) return;
    }
    best_.found = true;
    best_.numerator = numerator;
    best_.denominator = denominator;
    best_.cents = target_.cents + distance;
    best_.distance_cents = distance;
  }

  // Exactly 0 for the degree itself, decided on the reduced terms.
  double distance_cents(uint64_t numerator, uint64_t denominator) const {
    if (target_.is_ratio && numerator == target_.numerator && denominator == target_.denominator) return 0.0;
    return ratio_pitch(numerator, denominator).cents - target_.cents;
  }

  const ScalePitch &target_;
  const JustRules &rules_;
  JustDegree best_;
};

SearchParams search_around(const ScalePitch &target, const JustRules &rules, uint64_t term_bound) {
  SearchParams params;
  if (target.is_ratio) {
    params.x = static_cast<double>(target.numerator);
    params.y = static_cast<double>(target.denominator);
  } else {
    params.x = std::exp2(target.cents / kCentsPerOctave);
  }
  params.factors = rules.basis;
  params.ln_max_quotient = std::log(static_cast<double>(term_bound));
  params.range_mode = true;
  params.range_low_cents = -1.0;  // the window holds distance 0
  params.range_high_cents = rules.within_cents * (1 + kWindowSlack) + kWindowSlack;
  params.every_vector = true;
  params.complete = true;
  params.threads = rules.threads;
  params.interrupt = rules.interrupt;
  return params;
}

// The first bound on the terms, and the factor each deeper search multiplies it by when the
// last found nothing.
constexpr uint64_t kFirstTermBound = 16;
constexpr uint64_t kTermBoundGrowth = 16;

// The bound of the search after one at `bound`, or 0 when that search settled the degree.
// A best ratio of height n*d <= bound is final: every ratio at most as high has both terms
// at most n*d, so the search saw it. A best of greater height is final at a bound of its
// height, which the next search takes (never beyond the max term, where all is seen).
uint64_t next_term_bound(const JustDegree &best, uint64_t bound, uint64_t max_term) {
  if (bound >= max_term) return 0;
  if (!best.found) return bound > max_term / kTermBoundGrowth ? max_term : bound * kTermBoundGrowth;
  uint64_t height = 0;
  if (!checked_product(best.numerator, best.denominator, height)) return max_term;  // beyond any bound
  return height <= bound ? 0 : std::min(height, max_term);
}

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// One degree made just by searches of deepening bound, each given what is left of the
// scale's time out; end says how the last of them ended.
JustDegree settle_degree(const ScalePitch &target, const JustRules &rules, Clock::time_point start, SearchEnd &end) {
  // Each search starts afresh, so that the last one's choice among equals is the one a
  // single search at the max term makes: the same candidates in the same order.
  JustDegree degree;
  end = SearchEnd::kExhausted;
  for (uint64_t bound = std::min(kFirstTermBound, rules.max_term); bound != 0;
       bound = next_term_bound(degree, bound, rules.max_term)) {
    SearchParams params = search_around(target, rules, bound);
    params.time_out_seconds = rules.time_out_seconds - seconds_since(start);
    LeastHeightSink sink(target, rules);
    end = run_search(params, sink).end;
    if (end != SearchEnd::kExhausted) return degree;
    degree = sink.best();
  }
  if (degree.found) {
    degree.tenney_height =
        std::log2(static_cast<double>(degree.numerator)) + std::log2(static_cast<double>(degree.denominator));
    degree.prime_limit = prime_limit_in_basis(degree.numerator, degree.denominator, rules.basis);
  }
  return degree;
}

}  // namespace

JustDegree make_degree_just(const ScalePitch &target, const JustRules &rules) {
  SearchEnd end = SearchEnd::kExhausted;
  return settle_degree(target, rules, Clock::now(), end);
}

JustScale make_scale_just(const std::vector<ScalePitch> &degrees, const JustRules &rules) {
  JustScale just;
  just.degrees.reserve(degrees.size());
  Clock::time_point start = Clock::now();
  for (const ScalePitch &degree : degrees) {
    JustDegree made = settle_degree(degree, rules, start, just.end);
    if (just.end != SearchEnd::kExhausted) break;
    just.degrees.push_back(made);
  }
  just.seconds = seconds_since(start);
  return just;
}
