// The options (--name, --name=value, --name value, -h, -V): one table in which each entry
// is an option's names, the kind and range of its value, its help line, and what it sets
// (the defaults it starts from are in defaults.h). Reading the options, the help page's option lines and the test
// against the manual page all come from this table; adding an option is one entry.
#pragma once

#include <string>
#include <vector>

#include "driver/problem.h"
#include "driver/run_config.h"

enum class ValueKind {
  kNone,         // a flag
  kChoice,       // one word of the entry's choices
  kWholeNumber,  // an integer from the entry's min to max
  kNumber,       // any number but NaN
  kText,         // checked by the entry's setter
};

// A value as read for its kind: the text as given, and its number or choice index.
struct OptionValue {
  std::string text;
  double number = 0.0;
  int choice = 0;
};

struct OptionEntry {
  const char *name;  // without the leading "--"
  char short_name;   // 'h' for -h, or 0
  ValueKind kind;
  const char *value_name;  // what the help calls the value (FMT, N); nullptr for a flag
  const char *what;        // what a good value is, for errors: "a format", "a number of seconds"
  const char *choices;     // kChoice: the words, blank-separated, the default first
  double min;              // kWholeNumber: the range
  double max;
  const char *help;  // the help page's line; nullptr for one only the manual tells of
  // Sets what the option asks for; returns what is wrong with the value (kBadOption), or none.
  Problem (*set)(const OptionValue &value, RunOptions &options);
};

const std::vector<OptionEntry> &option_table();

// Takes the options out of argv (argv[0] is the program); what is left is positional, in
// order. Returns what is wrong with the first option that is not understood (kBadOption),
// or none.
Problem take_options(int argc, const char *const *argv, RunOptions &options, std::vector<std::string> &positional);

// The help page's option lines, one per entry: names and value, then the help line.
std::string option_help_lines();

// The first option given that only a search means something with (--shard, --merge,
// --complete, --factor-vals), as the command line spells it, or "": the temper and scale
// commands refuse these rather than ignore them.
std::string search_only_option(const RunOptions &options);
