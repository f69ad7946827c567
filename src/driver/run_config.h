// What one run is asked to do: the search's parameters and how its results are shown.
// The command line fills it; the run reads it.
#pragma once

#include <string>
#include <vector>

#include "driver/defaults.h"
#include "present/ratio_reader.h"
#include "present/run_view.h"
#include "search/search.h"

enum class OutputFormat { kText, kCsv, kJson };

// What the options (--name, --name=value, -h, -V) ask for; see driver/options.h.
struct RunOptions {
  bool show_help = false;
  bool show_version = false;
  OutputFormat format = OutputFormat::kText;
  bool format_given = false;
  bool no_wait = false;  // no key wait before exit
  bool quiet = false;    // no progress line on a terminal
  bool every_vector = kDefaultEveryVector;
  bool factor_vals = false;  // records also give tempered_out_by_factor_vals
  bool complete = false;
  int threads = kDefaultThreads;  // 0: as many as the machine runs at once
  bool has_time_out = false;
  double time_out_seconds = 0.0;
  std::vector<int> named_factors;  // by --limit or --subgroup
  std::string factors_option;      // which of them named the factors, or ""
  int shard = 0;                   // --shard=K/N: run shard K of N; 0 for the whole search
  int shards = 0;
  bool merge = false;  // the positional arguments are shard files to merge
  // The temper command's scale of a chain of generators and its files.
  int mos_size = 0;         // --mos=N: the scale of N notes; 0 for none
  bool cte_tuning = false;  // --tuning=cte: the scale in CTE rather than POTE
  std::string scl_name;     // --scl=FILE, --kbm=FILE; "-" is standard output
  std::string kbm_name;
  int base_note = kDefaultBaseNote;
  double base_frequency = kDefaultReferenceHz;
  std::vector<std::string> mos_options;  // those of these given, as --name, in order
};

struct RunConfig {
  SearchParams search;
  RatioValue target;          // as typed ("7/6", "700c", or "7 6" for two numbers) and read
  double max_quotient = 0.0;  // as given; the search takes its logarithm
  int precision = 0;          // significant digits of the sizes in cents
  RunOptions options;
};

// What the renderers need to know of the run: the target, factors, mode and number style.
RunView run_view(const RunConfig &config);
