// Where a scale comes from and how it is made just, as the scale command and the page both
// read it: an equal division (N or N<P>) or the degrees as typed, the rules' numbers, the
// basis check, and what a scale made just becomes (its summary and its scale file).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "present/scala_file.h"
#include "present/scale_table.h"
#include "theory/scale_just.h"
#include "theory/scale_pitch.h"

struct ScaleSource {
  std::string given;        // as typed: "--edo=12", the degrees, "--from-scl=FILE"
  std::string description;  // "12 equal divisions of 2/1", a file's description line
  std::vector<ScalePitch> pitches;
};

constexpr int kMaxEqualDivisions = 10000;

extern const char *const kEquaveAboveUnison;

// Each reads its source into source; returns what is wrong in the command line's words,
// or "".
std::string scale_of_equal_division(const std::string &text, ScaleSource &source);
std::string scale_of_items(const std::vector<std::string> &items, ScaleSource &source);

// One degree as the command line writes it: a target notation (cents, steps, monzo), or a
// ratio N/D or number, exact when its terms are whole numbers or decimals; a problem, or "".
std::string read_scale_degree(const std::string &text, ScalePitch &pitch);

// Whether a pitch can be a scale's equave: above 1/1, exactly for a ratio, and of a size
// in cents above 0 as every step is measured.
bool rises_above_unison(const ScalePitch &pitch);

// The numbers of a scale's rules and its keyboard mapping, as options give them.
struct ScaleNumbers {
  double within_cents = 0.0;
  double max_term = 0.0;
  double base_note = 0.0;
  double base_frequency = 0.0;
};

// Reads the numbers given by option name (within, max-term, base-note, base-frequency)
// into numbers, which holds the defaults of those not given; what is wrong in the
// command line's words, or "".
std::string read_scale_numbers(const std::map<std::string, std::string> &values, ScaleNumbers &numbers);

// The first degree given as a ratio outside the basis, said so, or "".
std::string basis_problem(const std::vector<ScalePitch> &pitches, const std::vector<int> &basis);

// What the summary says of a scale from this source made just by these rules.
ScaleSummary scale_summary(const ScaleSource &source, const JustRules &rules);

// The scale file of the degrees made just: each ratio found, else the degree's cents.
ScalaScale just_scala_scale(const ScaleSummary &summary, const std::vector<JustDegree> &degrees);

// What a scale left unfinished by its time out says: a scale is shown and written whole or
// not at all.
std::string scale_time_out_text(const JustScale &just, size_t degrees);
