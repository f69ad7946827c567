// Scales of a generator and a period. The notes are placed by their sizes in cents, but
// steps are told apart by the generators they span, so that two steps of one kind are
// never counted as two sizes for a difference in the last bits of a double.
#include "theory/mos.h"

#include <algorithm>
#include <cmath>

namespace {

// The notes of one period from the unison: each k g less the periods that bring it into
// [0, period), sorted.
std::vector<MosNote> period_notes(double period, double generator, int64_t notes_per_period) {
  std::vector<MosNote> notes;
  for (int64_t k = -1; k <= notes_per_period - 2; ++k) {
    double size = static_cast<double>(k) * generator;
    MosNote note;
    note.generators = k;
    note.periods = -static_cast<int64_t>(std::floor(size / period));
    note.cents = size + static_cast<double>(note.periods) * period;
    notes.push_back(note);
  }
  std::sort(notes.begin(), notes.end(), [](const MosNote &a, const MosNote &b) { return a.cents < b.cents; });
  return notes;
}

}  // namespace

double upper_generator(double period, double generator) {
  double upper = period - std::fmod(generator, period);
  return upper >= period ? upper - period : upper;
}

std::vector<MosNote> mos_notes(double period, double generator, int64_t periods_per_equave, int64_t size) {
  std::vector<MosNote> one_period = period_notes(period, generator, size / periods_per_equave);
  std::vector<MosNote> notes;
  for (int64_t j = 0; j < periods_per_equave; ++j) {
    for (const MosNote &note : one_period) {
      if (j == 0 && note.generators == 0) continue;  // the unison
      MosNote moved = note;
      moved.periods += j;
      moved.cents += static_cast<double>(j) * period;
      notes.push_back(moved);
    }
  }
  MosNote equave;
  equave.periods = periods_per_equave;
  equave.cents = static_cast<double>(periods_per_equave) * period;
  notes.push_back(equave);
  return notes;
}

MosSteps mos_steps(const std::vector<MosNote> &notes) {
  struct Kind {
    int64_t generators;
    int64_t count;
    double cents;
  };
  std::vector<Kind> kinds;
  MosNote below;  // the unison
  for (const MosNote &note : notes) {
    int64_t spanned = note.generators - below.generators;
    auto same = std::find_if(kinds.begin(), kinds.end(), [&](const Kind &kind) { return kind.generators == spanned; });
    if (same == kinds.end()) {
      kinds.push_back({spanned, 1, note.cents - below.cents});
    } else {
      ++same->count;
    }
    below = note;
  }
  MosSteps steps;
  steps.kinds = static_cast<int>(kinds.size());
  if (kinds.empty() || kinds.size() > 2) return steps;
  if (kinds.size() == 2 && kinds[1].cents > kinds[0].cents) std::swap(kinds[0], kinds[1]);
  steps.large_count = kinds[0].count;
  steps.large = kinds[0].cents;
  if (kinds.size() == 2) {
    steps.small_count = kinds[1].count;
    steps.small = kinds[1].cents;
  }
  return steps;
}

std::vector<int64_t> mos_sizes(double period, double generator, int64_t periods_per_equave, int64_t largest) {
  std::vector<int64_t> sizes;
  for (int64_t size = 2 * periods_per_equave; size <= largest; size += periods_per_equave) {
    if (mos_steps(mos_notes(period, generator, periods_per_equave, size)).kinds <= 2) {
      sizes.push_back(size);
    }
  }
  return sizes;
}
