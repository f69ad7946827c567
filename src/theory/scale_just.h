// Making a scale just: for each degree, the simplest ratio of a basis near it. It uses the
// search through its interface (a range search around the degree) with a sink that keeps
// the candidate of least Tenney height.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "theory/scale_pitch.h"

struct JustRules {
  std::vector<int> basis;    // the factors the ratios are made of
  uint64_t max_term = 1000;  // the largest numerator or denominator allowed
  double within_cents = 15;  // the closed window around each degree
  int threads = 1;
  const std::atomic<int> *interrupt = nullptr;  // as the search reads it
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
std::vector<JustDegree> make_scale_just(const std::vector<ScalePitch> &degrees, const JustRules &rules);
