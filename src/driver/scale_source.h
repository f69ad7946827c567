// Where a scale comes from: an equal division (--edo=N<P>), the degrees on the command
// line, or a Scala scale file. Each gives the degrees in order, the equave last.
#pragma once

#include <string>
#include <vector>

#include "driver/problem.h"
#include "theory/scale_pitch.h"

struct ScaleSource {
  std::string given;        // as typed: "--edo=12", the degrees, "--from-scl=FILE"
  std::string description;  // "12 equal divisions of 2/1", a file's description line
  std::vector<ScalePitch> pitches;
};

constexpr int kMaxEqualDivisions = 10000;

// Each reads its source into source; returns a problem of the kind kBadScale, or none.
Problem scale_of_equal_division(const std::string &text, ScaleSource &source);
Problem scale_of_items(const std::vector<std::string> &items, ScaleSource &source);
Problem scale_of_file(const std::string &name, ScaleSource &source);

// One degree as the command line writes it: a target notation (cents, steps, monzo), or a
// ratio N/D or number, exact when its terms are whole numbers or decimals; a problem of the
// kind kBadScale, or none.
Problem read_scale_degree(const std::string &text, ScalePitch &pitch);
