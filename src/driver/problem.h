// How the driver reports a problem: a step that can fail returns a Problem, empty when
// all is well, that says what kind it is and what to tell; the run alone decides where
// it is told and which exit status it ends with (run.h names them).
#pragma once

#include <string>
#include <utility>

enum class ProblemKind {
  kNone,
  kShowUsage,      // too few arguments to search: the usage pages
  kBadOption,      // an unknown or malformed option
  kBadTarget,      // a one-word target that does not read: 7/x, [1 2, 700cc
  kZeroTarget,     // x or y is 0
  kBadRatio,       // x / y is not positive and finite
  kBadFactor,      // a factor below 1
  kLastFactorOne,  // the last factor is 1
  kBadScale,       // a scale the scale command cannot read or make just
  kOutputFailed,   // a file or standard output that could not be written
};

struct Problem {
  ProblemKind kind = ProblemKind::kNone;
  // What to tell: one line for an option or a target; the lines the text output has
  // always printed for the argument errors; empty for the usage pages.
  std::string message;
  explicit operator bool() const { return kind != ProblemKind::kNone; }
};

inline Problem no_problem() { return Problem{}; }
inline Problem problem_of(ProblemKind kind, std::string message) { return Problem{kind, std::move(message)}; }
