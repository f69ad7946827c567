// Making a scale just: for each degree, the simplest ratio of a basis near it. It uses the
// search through its interface (range searches around the degree) with a sink that keeps
// the candidate of least Tenney height.
#pragma once

#include <atomic>
#include <cstdint>
#include <limits>
#include <vector>

#include "search/search.h"
#include "theory/scale_pitch.h"

struct JustRules {
  std::vector<int> basis;    // the factors the ratios are made of
  uint64_t max_term = 1000;  // the largest numerator or denominator allowed
  double within_cents = 15;  // the closed window around each degree
  int threads = 1;
  const std::atomic<int> *interrupt = nullptr;  // as the search reads it
  // The seconds the whole scale may take, its searches together, as the search reads a
  // time out.
  double time_out_seconds = std::numeric_limits<double>::infinity();
};

// What one degree became.
struct JustDegree {
  ScalePitch target;
  bool found = false;  // else no ratio lies within the window; the degree keeps its size
  uint64_t numerator = 1;
  uint64_t denominator = 1;
  double cents = 0.0;           // of the ratio found, else the target's
  double distance_cents = 0.0;  // cents minus the target's cents; exactly 0 for the degree itself
  double tenney_height = 0.0;   // log2(n * d)
  int prime_limit = 1;
};

// The ratio of the basis, other than 1/1, with n and d at most the max term and
// within the window of the target, of least Tenney height (the closer one on a tie).
JustDegree make_degree_just(const ScalePitch &target, const JustRules &rules);

// A scale made just, or how far it got: the search's end kExhausted when every degree is
// made just, else kTimeOut, kInterrupted or kOutputLost, and the degrees before the one
// that was left unfinished.
struct JustScale {
  std::vector<JustDegree> degrees;
  SearchEnd end = SearchEnd::kExhausted;
  double seconds = 0.0;  // elapsed, as read when it ended
};
JustScale make_scale_just(const std::vector<ScalePitch> &degrees, const JustRules &rules);
