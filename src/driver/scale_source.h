// A scale read from a Scala scale file the command line names (--from-scl=FILE); the other
// sources, an equal division and the degrees as typed, are read in present/scale_source.h.
#pragma once

#include <string>

#include "driver/problem.h"
#include "present/scale_source.h"

// Reads the file's scale into source; returns a problem of the kind kBadScale, or none.
Problem scale_of_file(const std::string &name, ScaleSource &source);
