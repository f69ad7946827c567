// The option table and the reading it drives: names and values are checked here by the
// kind each entry gives, and each entry's setter applies what its option asks for.
#include "driver/options.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "driver/defaults.h"
#include "present/basis_reader.h"
#include "present/ratio_reader.h"
#include "search/shards.h"

namespace {

constexpr int kMaxThreads = 1024;
constexpr int kMaxMosSize = 1000;
constexpr int kMaxMidiNote = 127;

Problem bad_option(const std::string &message) { return problem_of(ProblemKind::kBadOption, message); }

Problem set_factors(RunOptions &options, const std::string &option, std::vector<int> factors) {
  if (!options.factors_option.empty()) {
    return bad_option(option + ": the factors are already named by " + options.factors_option + "; give one of them");
  }
  options.factors_option = option;
  options.named_factors = std::move(factors);
  return no_problem();
}

// The temper command's scale options are refused by the other commands, which name them.
Problem note_mos_option(RunOptions &options, const std::string &name) {
  for (const std::string &given : options.mos_options) {
    if (given == name) return bad_option("option '" + name + "' is given twice");
  }
  options.mos_options.push_back(name);
  return no_problem();
}

// --limit and --subgroup: the basis read in the present layer, its refusal led by the option.
Problem set_basis(RunOptions &options, const std::string &option, const BasisReading &reading) {
  if (!reading.problem.empty()) return bad_option(option + ": " + reading.problem);
  return set_factors(options, option, reading.factors);
}

// "K/N": shard K of N, 1 <= K <= N <= kMaxShards.
Problem read_shard(const std::string &text, RunOptions &options) {
  Problem bad =
      bad_option("--shard: '" + text + "' is not a shard K/N with 1 <= K <= N <= " + std::to_string(kMaxShards));
  size_t slash = text.find('/');
  if (slash == std::string::npos) return bad;
  std::string k = text.substr(0, slash);
  std::string n = text.substr(slash + 1);
  auto whole = [](const std::string &digits) {
    return !digits.empty() && digits.size() <= 4 && digits.find_first_not_of("0123456789") == std::string::npos;
  };
  if (!whole(k) || !whole(n)) return bad;
  options.shard = std::atoi(k.c_str());
  options.shards = std::atoi(n.c_str());
  if (options.shard < 1 || options.shard > options.shards || options.shards > kMaxShards) return bad;
  return no_problem();
}

const std::vector<OptionEntry> kOptionTable = {
    {"format", 0, ValueKind::kChoice, "FMT", "a format", "text csv json", 0, 0,
     "text (default), csv or json (JSON Lines) on stdout",
     [](const OptionValue &value, RunOptions &options) {
       const OutputFormat formats[] = {OutputFormat::kText, OutputFormat::kCsv, OutputFormat::kJson};
       options.format = formats[value.choice];
       options.format_given = true;
       return no_problem();
     }},
    {"limit", 0, ValueKind::kText, "P", nullptr, nullptr, 0, 0, "the primes up to P as factors (--limit=7: 2 3 5 7)",
     [](const OptionValue &value, RunOptions &options) {
       return set_basis(options, "--limit", read_prime_limit(value.text));
     }},
    {"subgroup", 0, ValueKind::kText, "A.B.C", nullptr, nullptr, 0, 0, "these factors, in this order (2.3.7)",
     [](const OptionValue &value, RunOptions &options) {
       return set_basis(options, "--subgroup", read_subgroup(value.text));
     }},
    {"every-vector", 0, ValueKind::kNone, nullptr, nullptr, nullptr, 0, 0,
     "also try vectors whose only exponents are of factors 1 and 2",
     [](const OptionValue &, RunOptions &options) {
       options.every_vector = true;
       return no_problem();
     }},
    {"factor-vals", 0, ValueKind::kNone, nullptr, nullptr, nullptr, 0, 0,
     "records also give tempered_out_by_factor_vals",
     [](const OptionValue &, RunOptions &options) {
       options.factor_vals = true;
       return no_problem();
     }},
    {"complete", 0, ValueKind::kNone, nullptr, nullptr, nullptr, 0, 0,
     "every interval of the basis up to the bound, once",
     [](const OptionValue &, RunOptions &options) {
       options.complete = true;
       return no_problem();
     }},
    {"time-out", 0, ValueKind::kNumber, "S", "a number of seconds", nullptr, 0, 0,
     "seconds before the search gives up (over TIMEOUT)",
     [](const OptionValue &value, RunOptions &options) {
       options.time_out_seconds = value.number;
       options.has_time_out = true;
       return no_problem();
     }},
    {"threads", 0, ValueKind::kWholeNumber, "N", "a whole number", nullptr, 1, kMaxThreads,
     "threads to search with (default: every core)",
     [](const OptionValue &value, RunOptions &options) {
       options.threads = static_cast<int>(value.number);
       return no_problem();
     }},
    {"shard", 0, ValueKind::kText, "K/N", nullptr, nullptr, 0, 0, nullptr,
     [](const OptionValue &value, RunOptions &options) { return read_shard(value.text, options); }},
    {"merge", 0, ValueKind::kNone, nullptr, nullptr, nullptr, 0, 0, nullptr,
     [](const OptionValue &, RunOptions &options) {
       options.merge = true;
       return no_problem();
     }},
    {"mos", 0, ValueKind::kWholeNumber, "N", "a whole number", nullptr, 2, kMaxMosSize, nullptr,
     [](const OptionValue &value, RunOptions &options) {
       options.mos_size = static_cast<int>(value.number);
       return note_mos_option(options, "--mos");
     }},
    {"tuning", 0, ValueKind::kChoice, "T", "a tuning", "pote cte", 0, 0, nullptr,
     [](const OptionValue &value, RunOptions &options) {
       options.cte_tuning = value.choice == 1;
       return note_mos_option(options, "--tuning");
     }},
    {"scl", 0, ValueKind::kText, "FILE", nullptr, nullptr, 0, 0, nullptr,
     [](const OptionValue &value, RunOptions &options) {
       options.scl_name = value.text;
       return value.text.empty() ? bad_option("--scl: no file name") : note_mos_option(options, "--scl");
     }},
    {"kbm", 0, ValueKind::kText, "FILE", nullptr, nullptr, 0, 0, nullptr,
     [](const OptionValue &value, RunOptions &options) {
       options.kbm_name = value.text;
       return value.text.empty() ? bad_option("--kbm: no file name") : note_mos_option(options, "--kbm");
     }},
    {"base-note", 0, ValueKind::kWholeNumber, "N", "a MIDI note", nullptr, 0, kMaxMidiNote, nullptr,
     [](const OptionValue &value, RunOptions &options) {
       options.base_note = static_cast<int>(value.number);
       return note_mos_option(options, "--base-note");
     }},
    {"base-frequency", 0, ValueKind::kNumber, "HZ", "a frequency in Hz", nullptr, 0, 0, nullptr,
     [](const OptionValue &value, RunOptions &options) {
       options.base_frequency = value.number;
       if (!(value.number > 0) || !std::isfinite(value.number)) {
         return bad_option("--base-frequency: '" + value.text + "' is not a frequency above 0 Hz");
       }
       return note_mos_option(options, "--base-frequency");
     }},
    {"no-wait", 0, ValueKind::kNone, nullptr, nullptr, nullptr, 0, 0, "no key wait before exit",
     [](const OptionValue &, RunOptions &options) {
       options.no_wait = true;
       return no_problem();
     }},
    {"quiet", 0, ValueKind::kNone, nullptr, nullptr, nullptr, 0, 0, "no progress line on the terminal",
     [](const OptionValue &, RunOptions &options) {
       options.quiet = true;
       return no_problem();
     }},
    {"help", 'h', ValueKind::kNone, nullptr, nullptr, nullptr, 0, 0, "this page",
     [](const OptionValue &, RunOptions &options) {
       options.show_help = true;
       return no_problem();
     }},
    {"version", 'V', ValueKind::kNone, nullptr, nullptr, nullptr, 0, 0, "the version",
     [](const OptionValue &, RunOptions &options) {
       options.show_version = true;
       return no_problem();
     }},
};

const OptionEntry *find_option(const std::string &name) {
  for (const OptionEntry &option : kOptionTable) {
    if (name == option.name) return &option;
  }
  return nullptr;
}

const OptionEntry *find_short_option(const char *arg) {
  for (const OptionEntry &option : kOptionTable) {
    if (option.short_name != 0 && arg[0] == '-' && arg[1] == option.short_name && arg[2] == '\0') return &option;
  }
  return nullptr;
}

bool is_option(const char *arg) {
  return (arg[0] == '-' && arg[1] == '-' && arg[2] != '\0') || find_short_option(arg) != nullptr;
}

std::vector<std::string> choice_words(const std::string &choices) {
  std::vector<std::string> words;
  for (size_t start = 0; start < choices.size();) {
    size_t blank = choices.find(' ', start);
    if (blank == std::string::npos) blank = choices.size();
    words.push_back(choices.substr(start, blank - start));
    start = blank + 1;
  }
  return words;
}

// "text, csv or json"
std::string choice_list(const std::vector<std::string> &words) {
  std::string list;
  for (size_t i = 0; i < words.size(); ++i) list += (i == 0 ? "" : i + 1 == words.size() ? " or " : ", ") + words[i];
  return list;
}

// Reads a value as its entry's kind says; returns what is wrong with it, or none.
Problem read_value(const OptionEntry &option, const std::string &text, OptionValue &value) {
  value.text = text;
  const std::string bad = std::string("--") + option.name + ": '" + text + "' is not ";
  switch (option.kind) {
    case ValueKind::kChoice: {
      std::vector<std::string> words = choice_words(option.choices);
      for (value.choice = 0; value.choice < static_cast<int>(words.size()); ++value.choice) {
        if (words[value.choice] == text) return no_problem();
      }
      return bad_option(bad + option.what + "; use " + choice_list(words));
    }
    case ValueKind::kWholeNumber:
      if (!reads_wholly_as_number(text, value.number) || value.number != std::floor(value.number) ||
          value.number < option.min || value.number > option.max) {
        return bad_option(bad + option.what + " from " + std::to_string(static_cast<int>(option.min)) + " to " +
                          std::to_string(static_cast<int>(option.max)));
      }
      break;
    case ValueKind::kNumber:
      if (!reads_wholly_as_number(text, value.number) || std::isnan(value.number)) return bad_option(bad + option.what);
      break;
    case ValueKind::kNone:
    case ValueKind::kText:
      break;
  }
  return no_problem();
}

}  // namespace

const std::vector<OptionEntry> &option_table() { return kOptionTable; }

Problem take_options(int argc, const char *const *argv, RunOptions &options, std::vector<std::string> &positional) {
  bool options_ended = false;
  for (int i = 1; i < argc; ++i) {
    const char *arg = argv[i];
    if (!options_ended && std::strcmp(arg, "--") == 0) {
      options_ended = true;
      continue;
    }
    if (options_ended || !is_option(arg)) {
      positional.emplace_back(arg);
      continue;
    }
    const OptionEntry *short_option = find_short_option(arg);
    std::string text = short_option != nullptr ? std::string("--") + short_option->name : arg;
    size_t equals = text.find('=');
    std::string name = text.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    const OptionEntry *option = find_option(name);
    if (option == nullptr) return bad_option("unknown option '" + std::string(arg) + "'");
    bool has_value = equals != std::string::npos;
    std::string value_text = has_value ? text.substr(equals + 1) : "";
    if (option->kind == ValueKind::kNone && has_value) return bad_option("option '--" + name + "' takes no value");
    if (option->kind != ValueKind::kNone && !has_value) {
      if (i + 1 >= argc) return bad_option("option '--" + name + "' needs a value");
      value_text = argv[++i];
    }
    OptionValue value;
    Problem problem = read_value(*option, value_text, value);
    if (!problem) problem = option->set(value, options);
    if (problem) return problem;
  }
  return no_problem();
}

std::string option_help_lines() {
  constexpr size_t kHelpColumn = 19;  // where the help lines begin
  std::string lines;
  for (const OptionEntry &option : kOptionTable) {
    if (option.help == nullptr) continue;  // the page is full: the manual tells of it
    std::string names = "  ";
    if (option.short_name != 0) names += std::string("-") + option.short_name + ", ";
    names += std::string("--") + option.name;
    if (option.value_name != nullptr) names += std::string("=") + option.value_name;
    names.resize(names.size() < kHelpColumn ? kHelpColumn : names.size() + 1, ' ');
    lines += names + option.help + "\n";
  }
  return lines;
}

std::string search_only_option(const RunOptions &options) {
  if (options.shard > 0) return "--shard";
  if (options.merge) return "--merge";
  if (options.complete) return "--complete";
  if (options.factor_vals) return "--factor-vals";
  return "";
}
