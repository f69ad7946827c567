// The scale a rank-2 temperament's chain of generators gives: its notes a period at a
// time, how many step sizes it has, and the sizes up to a bound at which it has two.
#pragma once

#include <cstdint>
#include <vector>

// A note as the chain reaches it: generators up, whole periods down, and its size.
struct MosNote {
  int64_t generators = 0;  // k
  int64_t periods = 0;     // m: the note is k generators plus m periods
  double cents = 0.0;
};

// The scale's steps: the large and the small, each with how often it comes in an equave.
// A scale of one step size has no small steps.
struct MosSteps {
  int kinds = 0;  // distinct step sizes: 1 or 2 for a scale of this kind, else more
  int64_t large_count = 0, small_count = 0;
  double large = 0.0, small = 0.0;
};

// The generator taken into (period/2, period): period less the one given, both in cents.
double upper_generator(double period, double generator);

// The notes k g (less whole periods) for k = -1 ... size/periods_per_equave - 2, repeated
// in each period of the equave and sorted: the unison left out, the equave (generators
// 0, periods periods_per_equave) last, so size notes in all. size is a multiple of
// periods_per_equave, at least two notes a period.
std::vector<MosNote> mos_notes(double period, double generator, int64_t periods_per_equave, int64_t size);

// The steps between the notes, the unison first; two notes' steps are the same size when
// they span the same number of generators.
MosSteps mos_steps(const std::vector<MosNote> &notes);

// The sizes up to largest, two notes a period or more, at which the chain gives at most
// two step sizes.
std::vector<int64_t> mos_sizes(double period, double generator, int64_t periods_per_equave, int64_t largest);
