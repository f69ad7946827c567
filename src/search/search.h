// The exponent-vector search: finds approximants m1^a1 * m2^a2 * ... of a target ratio.
// Owns the folded exponent encoding, the factor table, the search state and result log,
// and both acceptance rules (successive best approximants, or every one in a cents window).
#pragma once

#include <cstdint>

struct RunConfig;

// Acceptance and stopping thresholds on natural-logarithm distances.
constexpr double kUnisonTolerance = 1e-10;  // |x/y - 1| below this is a unison target
constexpr double kExactHit = 1e-14;         // a best error at or below this ends the search
constexpr double kUnisonBestError = 2.0;    // starting yardstick for a unison target
constexpr double kCentsPerOctave = 1200.0;
constexpr int kResultLogCapacity = 1000;
constexpr int64_t kClockCheckEvery = 10;  // the clock is read at every tenth tested vector

// Exponents are stored folded into non-negative ints: 2e for e >= 0, 2|e|+1 for e < 0.
// The folded value 1 is a "negative zero" that marks a vector the search skips.
inline int fold_exponent(int e) { return e >= 0 ? 2 * e : 1 - 2 * e; }
inline int decode_exponent(int folded) { return folded % 2 != 0 ? -(folded / 2) : folded / 2; }
inline bool is_denominator_slot(int folded) { return folded % 2 != 0; }
inline int exponent_magnitude(int folded) { return folded / 2; }

// Three parallel arrays indexed like the exponent vector.
struct FactorTable {
  int *values;
  double *logs;
  int *limits;  // largest folded exponent the odometer gives each enumerated slot
};

struct SearchState {
  double ln_target;
  double ln2;
  bool unison_target;
  double best_error;
  int64_t tested_count;
  int found_count;  // entries in the result log, 0 .. kResultLogCapacity
  int64_t start_ms;
  bool timed_out;
};

// Fills the search constants and logarithm table and starts the search clock.
void start_search(const RunConfig &config, FactorTable &table, SearchState &state);

// Runs the odometer until exhaustion, an exact hit or the time out. Prints every
// accepted approximant and appends its size in cents to result_log.
void run_search(const RunConfig &config, const FactorTable &table, int *exponents, double *result_log,
                SearchState &state);

// The step-by-step loop, kept as the reference that run_search must match byte for byte.
void run_reference_search(const RunConfig &config, const FactorTable &table, int *exponents, double *result_log,
                          SearchState &state);

// True when the candidate's denominator (the product of its negative-exponent terms)
// is at most the max quotient, compared as a sum of logarithms.
bool denominator_within_max_quotient(double ln_max_quotient, const double *logs, const int *exponents, int count);

// ---- Shared by both loops ------------------------------------------------------------
constexpr const char *kRangeLineEndFormat = " = %.*Lg\n";
constexpr const char *kSuccessiveSeparator = "  ";
constexpr const char *kTimeOutFormat =
    "\n************************************************************************\n"
    "time out at %g secs, last max sum of exponents completed %d\n"
    "************************************************************************";

// Whether a candidate at distance d (natural log) from the target is accepted.
bool candidate_accepted(const RunConfig &config, const SearchState &state, double distance);

// Prints an accepted candidate (exponents describe it in full), makes it the best
// error and records its size in cents.
void accept_candidate(const RunConfig &config, const FactorTable &table, const int *exponents, double distance,
                      double candidate_log, double *result_log, SearchState &state);

// Whether the time out has passed, without saying so.
bool time_out_reached(const RunConfig &config, const SearchState &state);
// True, after printing the time-out message, when the time out has passed.
bool time_out_passed(const RunConfig &config, SearchState &state);

// The search over one factor: one vector, its two candidates, no gate.
void run_single_factor_search(const RunConfig &config, const FactorTable &table, int *exponents, double *result_log,
                              SearchState &state);

// ---- One exponent vector, step by step ----------------------------------------------
// Both loops examine vectors through these, so every sum and comparison is the same.

// The gate: some factor above 2 has a non-zero exponent (the last slot as it stands).
bool passes_gate(const int *values, const int *exponents, int count);
// A negative zero (folded 1) in an enumerated slot: the vector is skipped.
bool has_negative_zero(const int *exponents, int enumerated);
// Unison targets: the vector whose first non-zero enumerated exponent is negative is
// the inverse of one examined elsewhere.
bool is_inverse_duplicate(const int *exponents, int enumerated);

// Solves the last exponent of a counted vector and examines its two candidates,
// accepting and printing as the mode says. Returns true when an exact hit ends the search.
bool examine_vector(const RunConfig &config, const FactorTable &table, int *exponents, double *result_log,
                    SearchState &state);

// The folded value examine_vector leaves in the last slot for this vector: the solved
// exponent a when the vector is skipped, a + 1 when both candidates were looked at.
int solved_last_slot(const RunConfig &config, const FactorTable &table, const SearchState &state, const int *exponents);

// Steps the odometer over slots 0 .. n-2, slot 0 fastest, each slot running through the
// folded values 0 .. its limit. Returns false when the carry leaves slot n-2.
bool step_odometer(int *exponents, const int *limits, int count);

// One odometer position: gate, count, time out, examination. Returns true to stop.
bool process_vector(const RunConfig &config, const FactorTable &table, int *exponents, double *result_log,
                    SearchState &state);

// The reference loop from the odometer position in exponents (the last slot as the
// previous evaluation left it) to the end of the search.
void continue_reference_search(const RunConfig &config, const FactorTable &table, int *exponents, double *result_log,
                               SearchState &state);
