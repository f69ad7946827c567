// Scala scale (.scl) and keyboard mapping (.kbm) files: reading a scale file in full and
// writing both. Text in, text out; the caller opens and names the files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "theory/scale_pitch.h"

struct ScalaScale {
  std::string description;          // may be empty
  std::vector<ScalePitch> pitches;  // in the file's order, the equave last; 1/1 not listed
};

// What reading a scale file found: the scale, or the first problem and its line (1 on).
struct ScalaReading {
  bool ok = false;
  ScalaScale scale;
  int line = 0;
  std::string problem;
  int equave_line = 0;  // the line of the last pitch, when there is one
};

// Reads a scale file's text: '!' comment lines anywhere, the description (maybe empty),
// the count, then one pitch a line: cents when it has a period, else n/d or n; text
// after the pitch is ignored, and lines may end in CR LF.
ScalaReading read_scala_scale(const std::string &text);

// A pitch as a scale file line: n/d for a ratio whose terms fit 31 bits, else cents
// with a period and six decimals.
std::string scala_pitch_text(const ScalePitch &pitch);

// A scale file: comment lines (each given without its "! "), the description, the count
// and the pitches, LF line ends.
std::string scala_scale_text(const std::vector<std::string> &comments, const ScalaScale &scale);

// A linear keyboard mapping of a scale of this size: every MIDI note mapped, the 1/1 on
// the base note (MIDI) at the base frequency (Hz), one equave per map.
struct KeyboardMapping {
  int size = 0;
  int base_note = 0;
  double base_frequency = 0.0;
};
std::string scala_keyboard_text(const std::vector<std::string> &comments, const KeyboardMapping &mapping);

// A file's comments: its name without its folders (none for "-", standard output), the
// command line that wrote it, a blank one.
std::vector<std::string> scala_file_comments(const std::string &path, const std::string &command);
