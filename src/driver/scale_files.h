// Writing a scale file and its keyboard mapping where the command line names them: a
// file, or standard output for "-"; the scale and temper commands both write them so.
#pragma once

#include <cstdio>
#include <string>

#include "present/scala_file.h"

constexpr const char *kStandardStream = "-";

// The command line as the files' comment shows it.
std::string command_line_text(int argc, const char *const *argv);

// What is wrong with the names of the two files ("" for none, when not asked for): both on
// standard output, or both the same file.
std::string scale_file_names_problem(const std::string &scl_name, const std::string &kbm_name);

// Whether either file goes to standard output, where the table then may not.
bool scale_file_on_standard_output(const std::string &scl_name, const std::string &kbm_name);

// Writes the scale file and the keyboard mapping (size set here from the scale) that are
// named; out is standard output. Returns a problem, or "".
std::string write_scale_files(const std::string &command, const std::string &scl_name, const std::string &kbm_name,
                              const ScalaScale &scale, KeyboardMapping mapping, FILE *out);
