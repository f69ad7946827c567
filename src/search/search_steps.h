// Inside the search: the folded exponent encoding, the search context that both loops
// share, and the steps that examine one exponent vector. Nothing outside src/search
// includes this but the tests.
#pragma once

#include <cstdint>
#include <vector>

#include "search/search.h"

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
  int64_t last_progress_ms = 0;
  // A complete search: each factor's exponents as primes (primes[i], powers[i * primes.size()
  // + j]), the largest exponent magnitude each factor can take, and the max quotient as a
  // whole number (0 when it is too large to hold: then compared as a logarithm).
  std::vector<int> primes{};
  std::vector<int> powers{};
  std::vector<int> complete_bound{};
  uint64_t whole_max_quotient = 0;
  std::vector<int> prime_scratch{};
  // A worker of the block pool, in successive mode: it accepts every candidate closer than
  // all before it, without the slack, and the merge replays the true rule on them.
  bool records_running_minima = false;
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

// Whether every enumerated slot holds 0: with a last exponent of 0 the candidate is 1/1.
bool enumerated_all_zero(const SearchContext &context);

// Whether an exact hit ends the search: always, but in a complete search in range mode.
bool exact_hit_ends_search(const SearchContext &context);

// A complete search walks prime bases, and composite ones whose factors share no prime,
// with the row walk's budgets; others step by step.
bool factors_pairwise_coprime(const std::vector<int> &factors);

// Whether a candidate at distance d (natural log) from the target is accepted.
bool candidate_accepted(const SearchContext &context, double distance);

// Hands the candidate in the exponent vector to the sink and makes it the best error.
void accept_candidate(SearchContext &context, double distance, double candidate_log);
// Counts a candidate a block formatter has already turned into bytes, and makes it the
// best error.
void accept_formatted_candidate(SearchContext &context, double distance);

// Reads the clock where a loop polls it: reports progress now and then, and tells whether
// the time out has passed or the user asked to stop, without ending the search.
bool poll_should_stop(SearchContext &context);
// Polls, and ends the search when the time out has passed or the user asked to stop; true then.
bool stop_requested(SearchContext &context);

// Sets up a complete search's prime tables and exponent limits, after start_search.
void start_complete_search(SearchContext &context);
// A complete search's examine_vector: the candidates of every last exponent that may be
// accepted whose reduced ratio fits, and above 1/1 only in a comma search.
bool examine_complete_vector(SearchContext &context);
// The parameters a search runs by: a complete search examines every vector.
SearchParams effective_params(const SearchParams &params);

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

// The reference loop from the odometer position in the context (the last slot as the
// previous evaluation left it) to the end of the search.
void continue_reference_search(SearchContext &context);
