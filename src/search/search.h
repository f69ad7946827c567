// The exponent-vector search: finds approximants m1^a1 * m2^a2 * ... of a target ratio
// and hands each one it accepts, then a summary of the whole search, to a result sink.
// It prints nothing; renderers turn what it hands over into text or records.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One search, as whoever starts it sets it up (the command line's defaults are the
// driver's, in driver/defaults.h).
struct SearchParams {
  double x = 1.0;  // the target is x / y, a positive finite ratio
  double y = 1.0;
  std::vector<int> factors;      // at least one, each 1 or more, the last 2 or more
  double ln_max_quotient = 0.0;  // bounds every denominator and the enumerated exponents
  double time_out_seconds = 0.0;
  bool range_mode = false;  // every approximant in the cents window, else successive ones
  double range_low_cents = 0.0;
  double range_high_cents = 0.0;
  bool every_vector = false;  // examine every vector, not only those the gate lets through
  bool complete = false;      // every ratio of the basis with n, d <= max quotient, once (--complete)
  int threads = 1;
  // Set (by a signal handler, so lock-free) when the search should stop; read where the
  // search reads its clock. Its value says why: kStopForLostOutput, or anything else
  // non-zero for an interruption (a signal's number).
  const std::atomic<int> *interrupt = nullptr;
};

// One accepted approximant, valid for the duration of the sink call.
struct Approximant {
  const int *exponents;  // signed, in factor order
  int count;
  double log_size;  // its natural logarithm
  double cents;     // its size in cents
  double distance;  // |ln(x/y) - log_size|
};

// The stop request that means the results can no longer be written anywhere.
constexpr int kStopForLostOutput = -1;

// How a search ended: it walked everything, hit the target exactly, ran out of time, was
// interrupted, or was stopped because its output was lost.
enum class SearchEnd { kExhausted, kExactHit, kTimeOut, kInterrupted, kOutputLost };

struct SearchSummary {
  int64_t tested = 0;    // vectors counted: those the gate let through
  int64_t accepted = 0;  // approximants handed to the sink
  SearchEnd end = SearchEnd::kExhausted;
  double seconds = 0.0;  // elapsed since the search began, as read when it ended
  double best_error = 0.0;
};

struct SearchProgress {
  int64_t tested = 0;
  int64_t accepted = 0;
  double seconds = 0.0;
  double done_share = 0.0;     // of the odometer, 0 to 1
  double best_distance = 0.0;  // successive mode: the best accepted distance in cents
};

// Turns accepted approximants into the bytes a sink writes, on the worker thread that
// found them, so that a range search's records are not all formatted on one thread.
class BlockFormatter {
 public:
  virtual ~BlockFormatter() = default;
  // Appends the approximant's bytes to out; called from one worker thread at a time.
  virtual void format(const Approximant &found, std::string &out) = 0;
};

// Where the search delivers its results, in the order it finds them.
class ResultSink {
 public:
  virtual ~ResultSink() = default;
  virtual void approximant(const Approximant &found) = 0;
  // In range mode, a formatter for one worker of the pool of threads (each asks for its
  // own, on the calling thread). Null, the default, has every approximant go to
  // approximant(). An approximant within the exact-hit distance is never formatted: it
  // goes to approximant(), as it may end the search.
  virtual std::unique_ptr<BlockFormatter> block_formatter() { return nullptr; }
  // What block formatters made of `count` accepted approximants, in order: written in
  // place of as many approximant() calls.
  virtual void formatted(std::string_view /*bytes*/, int64_t /*count*/) {}
  virtual void progress(const SearchProgress & /*now*/) {}
  virtual void finished(const SearchSummary &summary) = 0;
};

// The fast search: walks the odometer a row at a time.
SearchSummary run_search(const SearchParams &params, ResultSink &sink);
// The step-by-step loop over every vector, kept as the reference the fast search matches.
SearchSummary run_reference_search(const SearchParams &params, ResultSink &sink);

// Whether no product of powers of the factors is 1 but the empty one, so that each ratio
// of the basis comes from one exponent vector: what a complete search asks of its factors.
bool factors_multiplicatively_independent(const std::vector<int> &factors);

// Whether the search takes x/y for the unison 1/1 (a comma search).
bool is_unison_target(double x, double y);
// The distance (natural log) at or below which an accepted approximant ends the search
// as an exact hit.
double exact_hit_distance();

constexpr double kCentsPerOctave = 1200.0;
// The size in cents of a natural logarithm, as every printed size is computed.
double cents_of_log(double ln_size);
